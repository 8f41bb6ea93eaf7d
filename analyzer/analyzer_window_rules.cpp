// The Analyzer window's rules that need no window: title, resize, advice
// boxes and the hand-off to the force-feedback program.
#include "analyzer/advice_box_rules.h"
#include "analyzer/advice_hand_off.h"
#include "analyzer/analyzer_controls.h"
#include "analyzer/analyzer_identity.h"

#include <algorithm>
#include <cstdio>

namespace gripline {

namespace {

std::wstring versionText(const wchar_t* format) {
    wchar_t text[128];
    std::swprintf(text, std::size(text), format, kReleaseVersion[0], kReleaseVersion[1],
                  kReleaseVersion[2], kReleaseVersion[3]);
    return text;
}

} // namespace

std::wstring analyzerWindowTitle() {
    return std::wstring(kAnalyzerName) + versionText(L" v%d.%d.%d.%d");
}

// The two buttons may overlap in a very narrow window (the advice button,
// placed second, then lies under the open button's left part); nothing is
// ever placed left of the margin.
ResizedPlaces resizedPlaces(int width, int height) {
    ResizedPlaces p;
    p.OpenButton = {std::max(width - 184, 24), 24, kOpenButtonPlace.Width, kOpenButtonPlace.Height};
    p.AdviceButton = {std::max(width - 348, 24), 24, kAdviceButtonPlace.Width,
                      kAdviceButtonPlace.Height};
    p.Status = {24, 62, std::max(width - 48, 200), 28};
    p.Report = {24, 204, std::max(width - 48, 200), std::max(height - 228, 200)};
    return p;
}

AdviceBoxState adviceBoxesAfterLoad(bool loaded, bool hasCoefficientAdvice) {
    AdviceBoxState state;
    for (size_t i = 0; i < kAdviceItemCount; ++i) {
        const bool available = loaded && (i < kProfileAdviceItems || hasCoefficientAdvice);
        state.Enabled.Ticked[i] = available;
        state.Ticked.Ticked[i] = available;
    }
    state.AdviceButtonEnabled = adviceCanBeUsed(loaded, hasCoefficientAdvice, state.Ticked);
    return state;
}

bool adviceCanBeUsed(bool loaded, bool hasCoefficientAdvice, const AdviceChoice& ticked) {
    return loaded &&
           (ticked.anyProfileSetting() || (hasCoefficientAdvice && ticked.anyCoefficient()));
}

std::wstring moduleFolder(std::wstring_view modulePath) {
    const size_t cut = modulePath.find_last_of(L"\\/");
    return cut == std::wstring_view::npos ? L"." : std::wstring(modulePath.substr(0, cut));
}

std::optional<std::wstring>
locateForceFeedbackProgram(std::wstring_view modulePath,
                           const std::function<bool(const std::wstring&)>& exists) {
    const std::wstring folder = moduleFolder(modulePath);
    const std::wstring versioned =
        folder + L"\\" + versionText(L"Torvix-Commercial-v%d.%d.%d.%d.exe");
    if (exists(versioned))
        return versioned;
    const std::wstring plain = folder + L"\\Torvix_Commercial.exe";
    if (exists(plain))
        return plain;
    return std::nullopt;
}

std::wstring applyAdviceParameters(std::wstring_view adviceFile) {
    return L"--apply-advice \"" + std::wstring(adviceFile) + L"\"";
}

} // namespace gripline
