#include "ui/slider_values.h"

#include "settings/rounding.h"

#include <algorithm>
#include <cwchar>

namespace gripline {

namespace {

// Steering margin bias: sliders count tenths of a degree around 100.
constexpr double kTenthDegreesPerRadian = 572.9578;

enum class Format { Plain, Percent, Tenths, TenthsG, TenthsSec, Thousandths, Hundredths, Degrees };

Format formatOf(int id) {
    switch (id) {
    case 1101:
    case 1105:
    case 1106:
    case 1107:
    case 1115:
    case 1121:
        return Format::Percent;
    case 1112:
    case 1113:
        return Format::TenthsG;
    case 1114:
        return Format::TenthsSec;
    case 1116:
        return Format::Tenths;
    case 1117:
        return Format::Thousandths;
    case 1119:
        return Format::Hundredths;
    case 1120:
        return Format::Degrees;
    default:
        return Format::Plain;
    }
}

} // namespace

std::wstring sliderValueText(int id, int32_t v) {
    wchar_t text[32];
    switch (formatOf(id)) {
    case Format::Plain:
        std::swprintf(text, 32, L"%d", v);
        break;
    case Format::Percent:
        std::swprintf(text, 32, L"%d%%", v);
        break;
    case Format::Tenths:
        std::swprintf(text, 32, L"%d.%d", v / 10, v - 10 * (v / 10));
        break;
    case Format::TenthsG:
        std::swprintf(text, 32, L"%d.%d g", v / 10, v - 10 * (v / 10));
        break;
    case Format::TenthsSec:
        std::swprintf(text, 32, L"%d.%d sec", v / 10, v - 10 * (v / 10));
        break;
    case Format::Thousandths:
        std::swprintf(text, 32, L"%d.%03d", v / 1000, v - 1000 * (v / 1000));
        break;
    case Format::Hundredths:
        std::swprintf(text, 32, L"%d.%02d", v / 100, v - 100 * (v / 100));
        break;
    case Format::Degrees:
        std::swprintf(text, 32, L"%+.1f deg", (v - 100) / 10.0);
        break;
    }
    return text;
}

int32_t coefficientSliderValue(int id, const CarCoefficients& c) {
    switch (id) {
    case 1116:
        return std::clamp(roundScaled(c.YawRateMultiplier, 10.0), 100, 700);
    case 1117:
        return std::clamp(roundScaled(c.YawSteerGain, 1000.0), 0, 450);
    case 1118:
        return std::clamp(roundScaled(c.LateralAccelDivisor), 50, 130);
    case 1119:
        return std::clamp(roundScaled(c.ResistanceGain, 100.0), 50, 200);
    case 1120:
        // Limited before the centre is added: a bias so large that it
        // saturates at the 32-bit limit would overflow with 100 more.
        return std::clamp(roundScaled(c.SteerMarginBias, kTenthDegreesPerRadian), -100, 100) + 100;
    default:
        return 0;
    }
}

} // namespace gripline
