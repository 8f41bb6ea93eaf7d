#include "common/utf8_text.h"

#include <cstdint>

namespace gripline {

namespace {

constexpr bool kWide16 = sizeof(wchar_t) == 2;

void appendUtf8(std::string& out, char32_t c) {
    const auto put = [&](uint32_t b) { out += static_cast<char>(b); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

} // namespace

std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (kWide16 && isHighSurrogate(c) && i + 1 < text.size()) {
            const auto next = static_cast<char32_t>(text[i + 1]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        if (isSurrogate(c) || c > 0x10FFFF)
            c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}

} // namespace gripline
