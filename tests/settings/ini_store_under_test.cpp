// The shared settings tests run against the portable store.
#include "settings/ini_profile_store.h"
#include "tests/settings/settings_test_support.h"

namespace gripline::test {

ProfileStore& storeUnderTest() {
    static IniProfileStore store;
    return store;
}

} // namespace gripline::test
