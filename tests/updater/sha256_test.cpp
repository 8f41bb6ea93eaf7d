// SHA-256 against Python's hashlib over every padding case (a tail that
// leaves room for the length, one that does not, whole blocks).
#include "updater/sha256.h"

#include <gtest/gtest.h>

#include <vector>

namespace gripline {
namespace {

TEST(Sha256, MatchesTheReferenceAtEveryPaddingBoundary) {
    const struct {
        size_t length; // bytes (i * 7 + 3) & 255
        const char* hash;
    } cases[] = {
        {0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {55, "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
        {56, "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
        {63, "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
        {64, "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
        {65, "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
        {119, "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
        {120, "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
        {1000, "1e9bc38cbf860b9ec31918b065f9b52476c549a782e0e7990bed8ce3868d2371"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes(c.length);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>((i * 7 + 3) & 255);
        EXPECT_EQ(sha256Hex(bytes), c.hash) << c.length << " bytes";
    }
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(sha256Hex(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, TextIsExactlySixtyFourHexDigits) {
    EXPECT_TRUE(isSha256Hex(std::string(64, 'a')));
    EXPECT_TRUE(isSha256Hex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
    EXPECT_FALSE(isSha256Hex(std::string(63, 'a')));
    EXPECT_FALSE(isSha256Hex(std::string(65, 'a')));
    EXPECT_FALSE(isSha256Hex(std::string(63, 'a') + "g"));
}

} // namespace
} // namespace gripline
