#include "updater/program_version.h"

#include <limits>

namespace gripline {

namespace {

// Reads one part that ends at `end` (a dot or the end of the text). The whole
// part must be digits: "x", "" and "-1" are refused, as is a number that does
// not fit the int32 the manifest's version is kept in.
bool parsePart(const std::wstring& text, size_t begin, size_t end, int32_t& value) {
    if (begin == end)
        return false;
    int64_t number = 0;
    for (size_t i = begin; i < end; ++i) {
        wchar_t c = text[i];
        if (c < L'0' || c > L'9')
            return false;
        number = number * 10 + (c - L'0');
        if (number > std::numeric_limits<int32_t>::max())
            return false;
    }
    value = static_cast<int32_t>(number);
    return true;
}

} // namespace

bool parseVersion(const std::wstring& text, ProgramVersion& version) {
    ProgramVersion parsed;
    size_t begin = 0;
    for (size_t part = 0; part < parsed.parts.size(); ++part) {
        if (begin > text.size())
            return false; // the text ended before the fourth part
        size_t dot = text.find(L'.', begin);
        size_t end = dot == std::wstring::npos ? text.size() : dot;
        if (!parsePart(text, begin, end, parsed.parts[part]))
            return false;
        begin = end + 1;
    }
    version = parsed;
    return true;
}

bool isNewerVersion(const ProgramVersion& candidate, const ProgramVersion& current) {
    for (size_t i = 0; i < current.parts.size(); ++i) {
        if (current.parts[i] != candidate.parts[i])
            return current.parts[i] < candidate.parts[i];
    }
    return false;
}

} // namespace gripline
