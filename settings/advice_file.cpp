#include "settings/advice_file.h"

#include "settings/car_key.h"
#include "settings/rounding.h"
#include "settings/settings_file.h"

#include <system_error>

namespace gripline {

namespace {

constexpr size_t kNameCapacity = 128;

// The six profile settings: the value key, its "Apply" key and the field.
struct SettingKey {
    const wchar_t* Value;
    const wchar_t* Apply;
    int32_t AnalyzerAdvice::*Field;
};

constexpr SettingKey kSettingKeys[kProfileAdviceItems] = {
    {L"ForceStrength", L"ApplyForceStrength", &AnalyzerAdvice::ForceStrength},
    {L"CarForceBalance", L"ApplyCarForceBalance", &AnalyzerAdvice::CarForceBalance},
    {L"SuspensionTexture", L"ApplySuspensionTexture", &AnalyzerAdvice::Bumps},
    {L"SuspensionImpactTexture", L"ApplySuspensionImpactTexture", &AnalyzerAdvice::BumpImpacts},
    {L"SuspensionDetailPriority", L"ApplySuspensionDetailPriority",
     &AnalyzerAdvice::SuspensionDetailPriority},
    {L"AbsVibration", L"ApplyAbsVibration", &AnalyzerAdvice::AbsVibration},
};

// The five coefficients, stored scaled to whole numbers as in the settings
// file; the steer margin bias in tenths of a degree (572.9578 = 1800 / pi).
struct CoefficientKey {
    const wchar_t* Value;
    const wchar_t* Apply;
    float AnalyzerAdvice::*Field;
    double Scale;
};

constexpr CoefficientKey kCoefficientKeys[kAdviceItemCount - kProfileAdviceItems] = {
    {L"YawRateMultiplierTenth", L"ApplyYawRateMultiplier", &AnalyzerAdvice::YawRateMultiplier,
     10.0},
    {L"YawSteerGainThousand", L"ApplyYawSteerGain", &AnalyzerAdvice::YawSteerGain, 1000.0},
    {L"LateralAccelDivisor", L"ApplyLateralAccelDivisor", &AnalyzerAdvice::LateralAccelDivisor,
     1.0},
    {L"ResistanceGainHundred", L"ApplyResistanceGain", &AnalyzerAdvice::ResistanceGain, 100.0},
    {L"SteerMarginBiasTenthDeg", L"ApplySteerMarginBias", &AnalyzerAdvice::SteerMarginBias,
     572.9578},
};

std::wstring flag(bool on) {
    return on ? L"1" : L"0";
}

std::wstring trimmed(const std::wstring& text) {
    constexpr const wchar_t* kSpace = L" \t\r\n";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec) && !ec;
}

} // namespace

// Keys go out in a fixed order; the private-profile functions append each
// new key at the end of the section, so the file reads in that order too.
bool writeAdvice(ProfileStore& store, const std::filesystem::path& path,
                 const AnalyzerAdvice& advice, const AdviceChoice& choice) {
    if (path.empty())
        return false;
    // The system's temporary-name function created the file empty; start
    // from nothing so no older key survives.
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    SettingsFile file(store, path);
    const std::wstring s = kAdviceSection;
    if (!file.writeString(s, L"Version", L"1"))
        return false;
    bool ok = file.writeString(s, L"Profile", advice.ProfileName);
    ok = file.writeString(s, L"Car", advice.CarName) && ok;
    ok = file.writeString(s, L"HasProfileSettings", flag(choice.anyProfileSetting())) && ok;
    for (const SettingKey& key : kSettingKeys)
        ok = file.writeInt(s, key.Value, advice.*key.Field) && ok;
    for (size_t i = 0; i < kProfileAdviceItems; ++i)
        ok = file.writeString(s, kSettingKeys[i].Apply, flag(choice.Ticked[i])) && ok;
    const bool coefficients = advice.HasCoefficientAdvice && choice.anyCoefficient();
    ok = file.writeString(s, L"HasCoefficientAdvice", flag(coefficients)) && ok;
    for (size_t i = 0; i < std::size(kCoefficientKeys); ++i)
        ok = file.writeString(s, kCoefficientKeys[i].Apply,
                              flag(choice.Ticked[kProfileAdviceItems + i])) &&
             ok;
    if (advice.HasCoefficientAdvice)
        for (const CoefficientKey& key : kCoefficientKeys)
            ok = file.writeInt(s, key.Value, roundScaled(advice.*key.Field, key.Scale)) && ok;
    return ok;
}

std::optional<AdviceFileContent> readAdvice(ProfileStore& store,
                                            const std::filesystem::path& path) {
    if (path.empty() || !fileExists(path))
        return std::nullopt;
    const SettingsFile file(store, path);
    const std::wstring s = kAdviceSection;
    if (file.readInt(s, L"Version", 0) != 1)
        return std::nullopt;

    AdviceFileContent content;
    AnalyzerAdvice& advice = content.Advice;
    advice.ProfileName = trimmed(file.readString(s, L"Profile", L"", kNameCapacity));
    content.CarKey = normalizeCarKey(file.readString(s, L"Car", L"", kNameCapacity));
    content.HasProfileSettings = file.readInt(s, L"HasProfileSettings", 0) != 0;
    for (const SettingKey& key : kSettingKeys) {
        // A file without the impact texture means one texture for both.
        const int32_t fallback = key.Field == &AnalyzerAdvice::BumpImpacts ? advice.Bumps : 0;
        advice.*key.Field = file.readInt(s, key.Value, fallback);
    }
    for (size_t i = 0; i < kProfileAdviceItems; ++i)
        content.Choice.Ticked[i] = file.readInt(s, kSettingKeys[i].Apply, 1) != 0;
    advice.HasCoefficientAdvice = file.readInt(s, L"HasCoefficientAdvice", 0) != 0;
    for (size_t i = 0; i < std::size(kCoefficientKeys); ++i) {
        const CoefficientKey& key = kCoefficientKeys[i];
        content.Choice.Ticked[kProfileAdviceItems + i] = file.readInt(s, key.Apply, 1) != 0;
        advice.*key.Field =
            static_cast<float>(file.readInt(s, key.Value, 0)) / static_cast<float>(key.Scale);
    }
    if (!content.HasProfileSettings && !advice.HasCoefficientAdvice)
        return std::nullopt;
    return content;
}

} // namespace gripline
