#pragma once
// Handing advice to the force-feedback program: where the program is looked
// for beside the Analyzer and the parameters it is started with.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace gripline {

// The Analyzer's folder: its module path up to, not including, the last "\"
// or "/"; "." for a bare name.
std::wstring moduleFolder(std::wstring_view modulePath);

// The program of the same release under its versioned name
// ("Torvix-Commercial-v0.1.0.134.exe"), else "Torvix_Commercial.exe", in
// that folder; the first for which `exists` says yes, or nothing.
std::optional<std::wstring>
locateForceFeedbackProgram(std::wstring_view modulePath,
                           const std::function<bool(const std::wstring&)>& exists);

// --apply-advice "PATH"
std::wstring applyAdviceParameters(std::wstring_view adviceFile);

} // namespace gripline
