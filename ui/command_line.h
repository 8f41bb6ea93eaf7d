#pragma once
// The program's one command-line option.
#include <string>
#include <vector>

namespace gripline {

// `arguments` as CommandLineToArgvW splits them, the program's own path
// first. The path after the first "--apply-advice" (without regard to case)
// that has one; empty when there is none. Everything else is ignored.
std::wstring advicePathFromArguments(const std::vector<std::wstring>& arguments);

} // namespace gripline
