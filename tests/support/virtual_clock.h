#pragma once
// Tests name the virtual clock from their own namespace.
#include "common/virtual_clock.h"

namespace gripline::test {

using gripline::VirtualClock;

} // namespace gripline::test
