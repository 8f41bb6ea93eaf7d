#include "telemetry/text_decoding.h"

#include <array>
#include <cstdint>

namespace gripline {

namespace {

constexpr bool kWide16 = sizeof(wchar_t) == 2;

void appendCodePoint(std::wstring& out, char32_t c) {
    if (kWide16 && c > 0xFFFF) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

bool isContinuation(uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// Decodes the sequence at bytes[at]; returns its length, 0 when invalid. The
// second byte's range rules out overlong forms, surrogates and code points
// beyond U+10FFFF (the table of well-formed sequences of Unicode 3.9).
size_t decodeOne(std::string_view bytes, size_t at, char32_t& c) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[at + i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(1) < low || byte(1) > high)
        return 0;
    c = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    return length;
}

// 0x80..0x9F; 0xA0..0xFF are the Latin-1 characters of the same value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

bool utf8ToWide(std::string_view bytes, std::wstring& out) {
    out.clear();
    for (size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        const size_t length = decodeOne(bytes, at, c);
        if (length == 0) {
            out.clear();
            return false;
        }
        appendCodePoint(out, c);
        at += length;
    }
    return true;
}

std::wstring windows1252ToWide(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<uint8_t>(ch);
        out += static_cast<wchar_t>(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b);
    }
    return out;
}


} // namespace gripline
