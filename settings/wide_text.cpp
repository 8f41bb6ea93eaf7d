#include "settings/wide_text.h"

#include <array>
#include <cstdint>

namespace gripline {

namespace {

constexpr bool kWide16 = sizeof(wchar_t) == 2;
constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Bytes 0x80..0x9F of Windows-1252; 0 marks the five undefined bytes.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes one UTF-8 sequence at `pos`; false when it is malformed.
bool decodeUtf8At(std::string_view bytes, size_t& pos, char32_t& out) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        out = lead;
        ++pos;
        return true;
    }
    int extra;
    char32_t min;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, min = 0x80, out = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, min = 0x800, out = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, min = 0x10000, out = lead & 0x07;
    } else {
        return false;
    }
    if (bytes.size() - pos <= static_cast<size_t>(extra))
        return false;
    for (int i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return false;
        out = (out << 6) | (byte(pos + i) & 0x3F);
    }
    if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF))
        return false;
    pos += extra + 1;
    return true;
}


} // namespace

void appendCodePoint(std::wstring& out, char32_t c) {
    if (kWide16 && c >= 0x10000 && c <= 0x10FFFF) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

char32_t nextCodePoint(std::wstring_view text, size_t& pos) {
    char32_t c = static_cast<char32_t>(text[pos++]);
    if (kWide16)
        c &= 0xFFFF;
    if (kWide16 && isHighSurrogate(c) && pos < text.size()) {
        const char32_t low = static_cast<char32_t>(text[pos]) & 0xFFFF;
        if (isLowSurrogate(low)) {
            ++pos;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

size_t utf16Length(std::wstring_view text) {
    if (kWide16)
        return text.size();
    size_t units = 0;
    for (wchar_t c : text)
        units += (static_cast<uint32_t>(c) >> 16) != 0 ? 2 : 1; // beyond the BMP: a pair
    return units;
}

bool decodeUtf8(std::string_view bytes, std::wstring& out) {
    out.clear();
    for (size_t pos = 0; pos < bytes.size();) {
        char32_t c;
        if (!decodeUtf8At(bytes, pos, c))
            return false;
        appendCodePoint(out, c);
    }
    return true;
}

std::wstring utf8ToWide(std::string_view bytes) {
    std::wstring out;
    for (size_t pos = 0; pos < bytes.size();) {
        char32_t c;
        if (!decodeUtf8At(bytes, pos, c)) {
            c = kReplacement;
            ++pos;
        }
        appendCodePoint(out, c);
    }
    return out;
}


std::wstring decodeWindows1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const unsigned char u = static_cast<unsigned char>(b);
        const char16_t high = u >= 0x80 && u <= 0x9F ? kCp1252High[u - 0x80] : 0;
        out += static_cast<wchar_t>(high != 0 ? high : u);
    }
    return out;
}

bool encodeWindows1252(std::wstring_view text, std::string& out) {
    out.clear();
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = nextCodePoint(text, pos);
        unsigned byte = c;
        if (c >= 0x80 && c <= 0x9F) {
            // Only the five undefined bytes map to these code points.
            if (kCp1252High[c - 0x80] != 0)
                return false;
        } else if (c > 0xFF) {
            byte = 0;
            for (unsigned i = 0; i < kCp1252High.size() && byte == 0; ++i)
                if (kCp1252High[i] == c)
                    byte = 0x80 + i;
            if (byte == 0)
                return false;
        }
        out += static_cast<char>(byte);
    }
    return true;
}

std::wstring pathText(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.native();
#else
    return utf8ToWide(path.native());
#endif
}

std::filesystem::path pathFromText(std::wstring_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(text));
#else
    return std::filesystem::path(wideToUtf8(text));
#endif
}

} // namespace gripline
