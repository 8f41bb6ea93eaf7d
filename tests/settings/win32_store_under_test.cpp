// The shared settings tests run against the Windows private-profile
// functions (under Wine here).
#include "settings/profile_store_win32.h"
#include "tests/settings/settings_test_support.h"

namespace gripline::test {

ProfileStore& storeUnderTest() {
    static Win32ProfileStore store;
    return store;
}

} // namespace gripline::test
