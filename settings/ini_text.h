#pragma once
// The bytes of an INI file as text, in the encodings the Windows
// private-profile functions read: UTF-16 after a byte-order mark, UTF-8
// after its mark, else the ANSI code page.
#include <string>
#include <string_view>

namespace gripline {

enum class IniEncoding {
    Ansi,    // Windows-1252, no mark
    Utf8,    // no mark, but valid UTF-8 with characters beyond ASCII
    Utf8Bom, // EF BB BF
    Utf16Le, // FF FE
    Utf16Be, // FE FF
};

struct IniText {
    std::wstring Text;
    IniEncoding Encoding = IniEncoding::Utf16Le;
};

IniText decodeIniBytes(std::string_view bytes);

// The file bytes, mark included, for `text` in `encoding`. An ANSI file that
// cannot hold one of the characters is written as UTF-16LE with its mark.
std::string encodeIniText(std::wstring_view text, IniEncoding encoding);

} // namespace gripline
