#pragma once
// The advice file: how the Analyzer hands its ticked advice to the
// force-feedback program. One "Advice" section in a temporary INI file,
// written by the Analyzer and read (then deleted) by the program.
#include "settings/advice_choice.h"
#include "settings/analyzer_advice.h"
#include "settings/profile_store.h"

#include <filesystem>
#include <optional>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kAdviceSection = L"Advice";

// Writes every key, the coefficient values only when the advice carries a
// fit. The file is replaced, not merged. False when the path is empty or any
// write failed; the caller then deletes the file, since a file missing its
// "Apply" keys would read as "take everything".
bool writeAdvice(ProfileStore& store, const std::filesystem::path& path,
                 const AnalyzerAdvice& advice, const AdviceChoice& choice);

struct AdviceFileContent {
    // ProfileName trimmed; CarName unused (see CarKey); HasCoefficientAdvice
    // as the file says it.
    AnalyzerAdvice Advice;
    std::wstring CarKey; // normalised; empty for no car or "generic"
    bool HasProfileSettings = false;
    AdviceChoice Choice;
};

// The file's content, or nothing when the path is empty, the file is
// missing, its "Version" is not 1, or it carries neither profile settings
// nor coefficient advice.
std::optional<AdviceFileContent> readAdvice(ProfileStore& store, const std::filesystem::path& path);

} // namespace gripline
