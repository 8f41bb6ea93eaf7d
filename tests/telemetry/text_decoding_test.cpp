#include "telemetry/text_decoding.h"

#include <gtest/gtest.h>

#include <string>

namespace gripline {
namespace {

std::wstring utf8(std::string_view bytes) {
    std::wstring out;
    EXPECT_TRUE(utf8ToWide(bytes, out)) << bytes;
    return out;
}

bool rejected(std::string_view bytes) {
    std::wstring out = L"x";
    return !utf8ToWide(bytes, out) && out.empty();
}

std::wstring beyondBmp() {
    if constexpr (sizeof(wchar_t) == 2)
        return {wchar_t(0xD83D), wchar_t(0xDE00)}; // U+1F600 as a surrogate pair
    else
        return {wchar_t(0x1F600)};
}

TEST(TextDecoding, Utf8AcceptsWellFormedTextOnly) {
    EXPECT_EQ(utf8("A\xC3\xA9\xE2\x82\xAC"), L"A\u00E9\u20AC");
    EXPECT_EQ(utf8("\xF0\x9F\x98\x80"), beyondBmp());
    EXPECT_EQ(utf8("\xEF\xBF\xBF\xF4\x8F\xBF\xBF").size(), sizeof(wchar_t) == 2 ? 3u : 2u);
    EXPECT_EQ(utf8(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));

    EXPECT_TRUE(rejected("Dr\xEFver")) << "a Windows-1252 byte";
    EXPECT_TRUE(rejected("\xC0\x80")) << "overlong zero";
    EXPECT_TRUE(rejected("\xE0\x80\xAF")) << "overlong slash";
    EXPECT_TRUE(rejected("\xF0\x80\x80\xAF")) << "overlong slash";
    EXPECT_TRUE(rejected("\xED\xA0\x80")) << "a surrogate";
    EXPECT_TRUE(rejected("\xF4\x90\x80\x80")) << "beyond U+10FFFF";
    EXPECT_TRUE(rejected("\xF5\x80\x80\x80"));
    EXPECT_TRUE(rejected("\xE2\x82")) << "truncated";
    EXPECT_TRUE(rejected("\x80")) << "a stray continuation byte";
    EXPECT_TRUE(rejected("\xE2\x28\xA1")) << "a missing continuation byte";
}

TEST(TextDecoding, Windows1252MapsEveryByte) {
    const std::wstring all = windows1252ToWide(std::string_view("\x00\x41\x80\x81\x8D\x9F\xA0\xEF\xFF", 9));
    EXPECT_EQ(all, std::wstring(L"\0A\u20AC\u0081\u008D\u0178\u00A0\u00EF\u00FF", 9));
}

TEST(TextDecoding, WideToUtf8RoundTripsAndReplacesLoneSurrogates) {
    const std::string text = "Dr\xC3\xAFver \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(wideToUtf8(utf8(text)), text);
    EXPECT_EQ(wideToUtf8(std::wstring{L'a', wchar_t(0xD800), L'b'}), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(wideToUtf8(std::wstring{wchar_t(0xDC00)}), "\xEF\xBF\xBD");
}

// Under Wine this compares the system's conversions with the portable ones
// that the native build uses: the same bytes must give the same names.
TEST(TextDecoding, PlatformConversionsAgreeWithThePortableOnes) {
    std::wstring platform, portable;
    int disagreements = 0;
    const auto compare = [&](const std::string& bytes) {
        const bool platformOk = platformUtf8ToWide(bytes, platform);
        const bool portableOk = utf8ToWide(bytes, portable);
        if (platformOk != portableOk || (platformOk && platform != portable)) {
            if (++disagreements <= 10)
                ADD_FAILURE() << "UTF-8 of bytes " << ::testing::PrintToString(bytes)
                              << ": platform " << platformOk << ", portable " << portableOk;
        }
    };
    for (int a = 0; a < 256; ++a) {
        compare(std::string(1, char(a)));
        for (int b = 0; b < 256; ++b)
            compare({char(a), char(b)});
    }
    for (int lead = 0xE0; lead <= 0xF4; ++lead)
        for (int b = 0x70; b < 0xC8; ++b)
            for (int c = 0x70; c < 0xC8; ++c) {
                compare({char(lead), char(b), char(c)});
                compare({char(lead), char(b), char(c), char(0x80)});
            }
    EXPECT_EQ(disagreements, 0);

    std::string everyByte;
    for (int i = 1; i < 256; ++i)
        everyByte += char(i);
    EXPECT_EQ(platformAnsiToWide(everyByte), windows1252ToWide(everyByte))
        << "the ANSI code page here is not Windows-1252 (Wine's default)";
}

} // namespace
} // namespace gripline
