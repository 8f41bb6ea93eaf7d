// A session-information text: the scanner, the value helpers on each line,
// and the conversions of the simulator's names to wide text (UTF-8, else
// the ANSI code page), which must round-trip where the encoding allows.
#include "common/unicode_text.h"
#include "telemetry/session_scanner.h"
#include "tests/fuzz/fuzz_check.h"

#include <string_view>

using namespace gripline;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SessionIdentity identity;
    if (scanSessionInfo(data, size, identity))
        FUZZ_CHECK(!identity.CarPath.empty(), "a found identity has a car path");

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring wide = toWide(bytes);
    FUZZ_CHECK(!wide.empty(), "no text gives \"generic\", never an empty name");

    std::wstring strict;
    if (utf8ToWide(bytes, strict))
        FUZZ_CHECK(wideToUtf8(strict) == bytes, "valid UTF-8 comes back byte for byte");
    FUZZ_CHECK(utf8ToWide(bytes).size() <= bytes.size(), "lenient decoding: at most a character a byte");
    std::string ansi;
    FUZZ_CHECK(encodeWindows1252(windows1252ToWide(bytes), ansi) && ansi == bytes,
               "every byte is a Windows-1252 character and comes back");

    // The helpers the scanner uses, on the first line.
    const std::string_view line = bytes.substr(0, bytes.find('\n'));
    const std::string_view trimmed = trimSessionValue(line);
    FUZZ_CHECK(trimmed.size() <= line.size(), "trimming only shortens");
    std::string value;
    (void)valueInt(line, "CarIdx:");
    if (valueText(line, "CarPath:", value))
        FUZZ_CHECK(value.size() < line.size(), "a value is part of its line");
    return 0;
}
