#include "settings/ini_text.h"

#include "settings/wide_text.h"

namespace gripline {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::wstring decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    char32_t pendingHigh = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        const char32_t unit = bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
        if (pendingHigh != 0 && unit >= 0xDC00 && unit <= 0xDFFF) {
            appendCodePoint(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
            pendingHigh = 0;
            continue;
        }
        if (pendingHigh != 0)
            out += static_cast<wchar_t>(pendingHigh); // a lone surrogate stays as it was
        pendingHigh = 0;
        if (unit >= 0xD800 && unit <= 0xDBFF)
            pendingHigh = unit;
        else
            out += static_cast<wchar_t>(unit);
    }
    if (pendingHigh != 0)
        out += static_cast<wchar_t>(pendingHigh);
    return out;
}

void appendUnit(std::string& out, char32_t unit, bool bigEndian) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

std::string encodeUtf16(std::wstring_view text, bool bigEndian) {
    std::string out(bigEndian ? kUtf16BeMark : kUtf16LeMark);
    for (size_t pos = 0; pos < text.size();) {
        char32_t c = nextCodePoint(text, pos);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            appendUnit(out, 0xD800 + (c >> 10), bigEndian);
            appendUnit(out, 0xDC00 + (c & 0x3FF), bigEndian);
        } else {
            appendUnit(out, c & 0xFFFF, bigEndian);
        }
    }
    return out;
}

bool isAscii(std::string_view bytes) {
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80)
            return false;
    return true;
}

} // namespace

IniText decodeIniBytes(std::string_view bytes) {
    IniText result;
    if (bytes.starts_with(kUtf16LeMark)) {
        result.Text = decodeUtf16(bytes.substr(2), false);
        result.Encoding = IniEncoding::Utf16Le;
    } else if (bytes.starts_with(kUtf16BeMark)) {
        result.Text = decodeUtf16(bytes.substr(2), true);
        result.Encoding = IniEncoding::Utf16Be;
    } else if (bytes.starts_with(kUtf8Mark)) {
        result.Text = utf8ToWide(bytes.substr(3));
        result.Encoding = IniEncoding::Utf8Bom;
    } else if (!isAscii(bytes) && utf8ToWide(bytes, result.Text)) {
        // A hand-edited file saved by a UTF-8 editor: read what the user typed.
        result.Encoding = IniEncoding::Utf8;
    } else {
        result.Text = windows1252ToWide(bytes);
        result.Encoding = IniEncoding::Ansi;
    }
    return result;
}

std::string encodeIniText(std::wstring_view text, IniEncoding encoding) {
    switch (encoding) {
    case IniEncoding::Ansi: {
        std::string out;
        if (encodeWindows1252(text, out))
            return out;
        return encodeUtf16(text, false);
    }
    case IniEncoding::Utf8:
        return wideToUtf8(text);
    case IniEncoding::Utf8Bom:
        return std::string(kUtf8Mark) + wideToUtf8(text);
    case IniEncoding::Utf16Be:
        return encodeUtf16(text, true);
    case IniEncoding::Utf16Le:
        break;
    }
    return encodeUtf16(text, false);
}

} // namespace gripline
