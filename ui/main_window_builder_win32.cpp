#include "ui/main_window_builder_win32.h"

#include "common/window_dpi_win32.h"
#include "settings/ffb_settings.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/program_identity.h"
#include "ui/slider_values.h"
#include "ui/window_layout.h"

#include <dwmapi.h>

namespace gripline {

namespace {

// Older SDK headers lack the caption and text colour attributes.
constexpr DWORD kDwmUseDarkMode = 20; // DWMWA_USE_IMMERSIVE_DARK_MODE
constexpr DWORD kDwmCaptionColour = 35;
constexpr DWORD kDwmTextColour = 36;

constexpr size_t kSliderCapacity = 24;
constexpr size_t kCheckboxCapacity = 8;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

int32_t settingValue(const FfbSettings& settings, const char* key) {
    const SettingDescriptor* row = key ? findSetting(key) : nullptr;
    return row ? row->get(settings) : 0;
}

} // namespace

bool MainWindowBuilder::build(int showCommand) {
    const DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    app_.window_ = CreateWindowExW(0, kMainWindowClass, windowTitle().c_str(), style, CW_USEDEFAULT,
                                   CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight, nullptr,
                                   nullptr, app_.instance_, &app_);
    if (!app_.window_)
        return false;
    sizeForDpi();
    app_.showIcons();
    darkenTitleBar();
    app_.sliders_.reserve(kSliderCapacity);
    app_.checkboxes_.reserve(kCheckboxCapacity);
    for (const ControlSpec& control : mainWindowControls())
        createControl(control);
    app_.addedLatency_.create(app_.window_, kAddedLatencyLabel, app_.dpi_,
                              app_.drawing_.normalFont());
    app_.setStatusTexts(StatusTexts{});
    ShowWindow(app_.window_, showCommand);
    UpdateWindow(app_.window_);
    return true;
}

// The window is made at its 96-DPI size, then learns the DPI of the screen
// it landed on: the size, the fonts and every control follow that DPI.
void MainWindowBuilder::sizeForDpi() {
    app_.dpi_ = windowDpi(app_.window_);
    const WindowFonts unused = app_.drawing_.replaceFonts(app_.dpi_); // none made before
    if (app_.dpi_ == kLayoutDpi)
        return;
    const SIZE size = scaledWindowSize(kMainWindowWidth, kMainWindowHeight, app_.dpi_);
    SetWindowPos(app_.window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Results ignored: systems without these attributes keep a normal title bar.
void MainWindowBuilder::darkenTitleBar() {
    const BOOL dark = TRUE;
    const COLORREF caption = RGB(13, 15, 18), text = RGB(232, 238, 246);
    DwmSetWindowAttribute(app_.window_, kDwmUseDarkMode, &dark, sizeof(dark));
    DwmSetWindowAttribute(app_.window_, kDwmCaptionColour, &caption, sizeof(caption));
    DwmSetWindowAttribute(app_.window_, kDwmTextColour, &text, sizeof(text));
}

HWND MainWindowBuilder::child(const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                              const PixelRect& place, FontRole font, DWORD exStyle) {
    HWND h = createScaledChild(app_.window_, cls, text, style, exStyle, id, place, app_.dpi_,
                               app_.fontFor(font));
    app_.placed_.push_back({h, place, font});
    return h;
}

HWND MainWindowBuilder::child(const wchar_t* cls, const wchar_t* text, DWORD style,
                              const ControlSpec& control, DWORD exStyle) {
    const FontRole font = control.kind == ControlKind::SectionLabel ? FontRole::Section
                          : control.kind == ControlKind::LogPane    ? FontRole::Log
                                                                    : FontRole::Normal;
    return child(cls, text, style, control.id, controlPlace(control), font, exStyle);
}

void MainWindowBuilder::createControl(const ControlSpec& control) {
    switch (control.kind) {
    case ControlKind::Label:
    case ControlKind::SectionLabel:
    case ControlKind::CarLabel:
        createStatic(control);
        break;
    case ControlKind::DropDownList:
    case ControlKind::EditableDropDown:
        createCombo(control);
        break;
    case ControlKind::Button:
        child(L"Button", control.text, kChild | WS_TABSTOP | BS_PUSHBUTTON, control);
        break;
    case ControlKind::DisabledButton:
        child(L"Button", control.text, kChild | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, control);
        break;
    case ControlKind::Checkbox:
        createCheckbox(control);
        break;
    case ControlKind::Slider:
        createSlider(control);
        break;
    case ControlKind::WheelbaseField:
    case ControlKind::LogPane:
        createEdit(control);
        break;
    }
}

void MainWindowBuilder::createStatic(const ControlSpec& control) {
    HWND h = child(L"Static", control.text, kChild | SS_NOPREFIX, control);
    if (control.kind == ControlKind::CarLabel)
        app_.carLabel_ = h;
    if (control.id == kContextLabel)
        app_.keeper_.showContext(); // the profile's name until a car is known
}

void MainWindowBuilder::createCombo(const ControlSpec& control) {
    const bool editable = control.kind == ControlKind::EditableDropDown;
    const DWORD style =
        kChild | WS_TABSTOP | (editable ? CBS_DROPDOWN | WS_VSCROLL : CBS_DROPDOWNLIST);
    HWND h = child(L"ComboBox", L"", style, control);
    switch (control.id) {
    case kDeviceCombo:
        app_.deviceCombo_ = h;
        break;
    case kProfileCombo:
        app_.profileCombo_ = h;
        app_.fillProfileCombo();
        break;
    case kOutputModeCombo:
        app_.outputModeCombo_ = h;
        SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"360 Hz telemetry"));
        SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"360 Hz interpolated"));
        SendMessageW(h, CB_SETCURSEL, 0, 0);
        break;
    default:
        break;
    }
}

void MainWindowBuilder::createSlider(const ControlSpec& control) {
    const SliderLabelPlaces labels = sliderLabelPlaces(control);
    child(L"Static", control.text, kChild | SS_NOPREFIX, 0, labels.caption, FontRole::Normal);
    SliderRecord& record = app_.sliders_.emplace_back();
    record.valueLabel = child(L"Static", L"", kChild | SS_RIGHT, 0, labels.value, FontRole::Normal);
    record.minimum = control.minimum;
    record.maximum = control.maximum;
    record.value = control.settingKey
                       ? settingValue(app_.settings_.Profiles.InUse, control.settingKey)
                       : control.initial;
    const PixelRect place = controlPlace(control);
    createSliderWindow(app_.instance_, app_.window_, control.id,
                       toRect(scaleToDpi(place, app_.dpi_)), record);
    app_.placed_.push_back({record.window, place, FontRole::None});
    SetWindowTextW(record.valueLabel, sliderValueText(control.id, record.value).c_str());
    // The coefficient sliders show the current car as soon as the last exists.
    if (control.id == kLastCoefficientSlider)
        app_.keeper_.showCar(app_.settings_.Context.CarKey);
}

void MainWindowBuilder::createCheckbox(const ControlSpec& control) {
    CheckboxRecord& record = app_.checkboxes_.emplace_back();
    record.id = control.id;
    record.caption = control.text;
    record.checked = settingValue(app_.settings_.Profiles.InUse, control.settingKey) ? 1 : 0;
    const PixelRect place = controlPlace(control);
    createCheckboxWindow(app_.instance_, app_.window_, toRect(scaleToDpi(place, app_.dpi_)),
                         app_.drawing_.normalFont(), record);
    app_.placed_.push_back({record.window, place, FontRole::Normal});
}

void MainWindowBuilder::createEdit(const ControlSpec& control) {
    if (control.kind == ControlKind::WheelbaseField) {
        const DWORD style = kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT;
        app_.wheelbaseField_ = child(L"Edit", L"", style, control, WS_EX_CLIENTEDGE);
        SendMessageW(app_.wheelbaseField_, EM_SETLIMITTEXT, 6, 0);
        app_.refreshControls(app_.settings_.Profiles.InUse);
        return;
    }
    const DWORD style = kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    HWND pane = child(L"Edit", L"", style, control, WS_EX_CLIENTEDGE);
    app_.sessionLog_.attachPane(pane);
}

} // namespace gripline
