#include "ui/command_line.h"

#include "settings/ascii_case.h"

namespace gripline {

std::wstring advicePathFromArguments(const std::vector<std::wstring>& arguments) {
    // Scanning stops at the first option that has a value: a second
    // "--apply-advice" from a confused caller never replaces the first.
    for (size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (equalsIgnoreCase(arguments[i], L"--apply-advice"))
            return arguments[i + 1];
    }
    return {};
}

} // namespace gripline
