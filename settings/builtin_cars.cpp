#include "settings/builtin_cars.h"

#include "settings/ascii_case.h"

#include <iterator>

namespace gripline {

namespace {

constexpr BuiltinCar kBuiltinCars[] = {
    {L"astonmartin dbr9", 46.0f, 78.0f, 1.0f},
    {L"audir8gt3", 52.0f, 78.0f, 1.0f},
    {L"bmwm8gte", 46.0f, 78.0f, 1.0f},
    {L"bmwm4gt4", 40.0f, 70.0f, 0.95f},
    {L"bmwz4gt3", 54.0f, 80.0f, 1.0f},
    {L"bmwm4gt3", 37.5f, 82.0f, 1.0f},
    {L"c6r", 40.5f, 82.0f, 1.0f},
    {L"c8rvettegte", 48.0f, 78.0f, 1.0f},
    {L"dallaraf3", 38.0f, 102.0f, 1.35f},
    {L"dallarair18", 44.0f, 110.0f, 1.45f},
    {L"dallarap217", 44.0f, 110.0f, 1.55f},
    {L"ferrari488gt3", 52.0f, 78.0f, 1.0f},
    {L"ferrarievogt3", 54.0f, 80.0f, 1.0f},
    {L"ferrari488gte", 44.0f, 82.0f, 1.0f},
    {L"fordgt gt3", 52.0f, 78.0f, 1.0f},
    {L"formulamazda", 34.5f, 96.0f, 1.2f},
    {L"formularenault20", 34.5f, 96.0f, 1.25f},
    {L"formularenault35", 44.0f, 110.0f, 1.45f},
    {L"formulavee", 23.0f, 68.0f, 0.9f},
    {L"fr500s", 40.0f, 70.0f, 0.95f},
    {L"hpdarx01c", 44.0f, 110.0f, 1.55f},
    {L"indypropm18", 34.5f, 100.0f, 1.3f},
    {L"lamborghinievogt3", 52.0f, 78.0f, 1.0f},
    {L"lotus49", 23.8f, 70.0f, 0.9f},
    {L"lotus79", 27.8f, 104.0f, 1.35f},
    {L"mclaren570sgt4", 40.0f, 70.0f, 0.95f},
    {L"mclarenmp4", 52.0f, 78.0f, 1.0f},
    {L"mclarenmp430", 38.0f, 110.0f, 1.55f},
    {L"mercedesamggt3", 37.5f, 82.0f, 1.0f},
    {L"mercedesamggt4", 40.0f, 70.0f, 0.95f},
    {L"mx5 mx52016", 36.0f, 96.0f, 0.9f},
    {L"nissangtpzxt", 44.0f, 110.0f, 1.45f},
    {L"porsche718gt4", 40.0f, 70.0f, 0.95f},
    {L"porsche911cup", 46.0f, 88.0f, 1.0f},
    {L"porsche992cup", 48.0f, 90.0f, 1.0f},
    {L"porsche9922cup", 48.0f, 90.0f, 1.0f},
    {L"porsche911rgt3", 52.0f, 80.0f, 1.0f},
    {L"porsche992rgt3", 52.0f, 80.0f, 1.0f},
    {L"porsche991rsr", 42.0f, 72.0f, 1.0f},
    {L"radical sr8", 40.0f, 100.0f, 1.2f},
    {L"rt2000", 25.0f, 86.0f, 1.1f},
    {L"rufrt12r track", 46.0f, 88.0f, 1.0f},
    {L"specracer", 25.0f, 86.0f, 0.9f},
    {L"usf2000usf17", 34.5f, 96.0f, 1.15f},
    {L"williamsfw31", 38.0f, 110.0f, 1.55f},
};
static_assert(std::size(kBuiltinCars) == 45, "the built-in table has 45 cars");

} // namespace

std::span<const BuiltinCar> builtinCars() {
    return kBuiltinCars;
}

const BuiltinCar* findBuiltinCar(std::wstring_view name) {
    for (const BuiltinCar& row : kBuiltinCars)
        if (equalsIgnoreCase(row.Car, name))
            return &row;
    return nullptr;
}

CarCoefficients builtinValues(const BuiltinCar& row) {
    CarCoefficients values;
    values.YawRateMultiplier = row.YawRateMultiplier;
    values.YawSteerGain = 0.0f;
    values.LateralAccelDivisor = row.LateralAccelDivisor;
    values.ResistanceGain = row.ResistanceGain;
    values.SteerMarginBias = 0.0f;
    return values;
}

} // namespace gripline
