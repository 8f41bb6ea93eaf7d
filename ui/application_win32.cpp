#include "ui/application_win32.h"

#include "engine/dinput_wheel_win32.h"
#include "settings/wide_text.h"
#include "ui/advice_copy_data.h"
#include "ui/control_ids.h"
#include "ui/main_window_builder_win32.h"
#include "ui/main_window_win32.h"
#include "ui/slider_math.h"
#include "ui/slider_values.h"
#include "ui/wheelbase_text.h"
#include "ui/window_layout.h"
#include "ui/window_painting_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace gripline {

namespace {

constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusPeriodMs = 250;

// What WM_CTLCOLOR* answers: light text on the field or the panel colour.
constexpr COLORREF kControlText = RGB(232, 238, 246);

void enable(HWND window, int id, bool on) {
    EnableWindow(GetDlgItem(window, id), on ? TRUE : FALSE);
}

} // namespace

Application::Application(HINSTANCE instance)
    : instance_(instance),
      keeper_(settings_, SettingsFile(profileStore_, pathFromText(settingsPath(executablePath()))),
              *this, engineHandOver_) {}

// Ends what outlives the window: the engine's threads (a no-op after the
// shutdown of WM_DESTROY), then the members in reverse order.
Application::~Application() {
    engine_.stop();
}

int Application::run(int showCommand, const std::wstring& advicePath) {
    initDrawing();
    if (!registerClasses())
        return 1;
    // Coefficients first: the profiles' car-specific settings refer to cars.
    keeper_.loadCoefficients();
    keeper_.loadProfiles();
    if (!MainWindowBuilder(*this).build(showCommand))
        return 1;
    if (!advicePath.empty())
        applyAdviceFile(advicePath);
    enumerateWheels();
    SetTimer(window_, kStatusTimer, kStatusPeriodMs, nullptr);
    // The update check belongs here once the updater exists.
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Application::initDrawing() {
    drawing_.loadImages(instance_);
    INITCOMMONCONTROLSEX controls{
        sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                              ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                              ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS | ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    drawing_.createBrushesAndFonts();
}

bool Application::registerClasses() {
    return registerMainWindowClass(instance_, drawing_.background(), drawing_.icon()) &&
           registerSliderClass(instance_, drawing_.panel()) &&
           registerCheckboxClass(instance_, drawing_.panel());
}

void Application::enumerateWheels() {
    devices_.clear();
    SendMessageW(deviceCombo_, CB_RESETCONTENT, 0, 0);
    devices_ = enumerateDevices();
    for (const FfbDeviceEntry& device : devices_)
        SendMessageW(deviceCombo_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(device.productName.c_str()));
    if (!devices_.empty())
        SendMessageW(deviceCombo_, CB_SETCURSEL, 0, 0);
    log(deviceListMessage(devices_));
}

LRESULT Application::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        shutdown();
        return 0;
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        paintBackground(reinterpret_cast<HDC>(wParam), client, drawing_);
        return 1;
    }
    case WM_COPYDATA:
        return onCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_TIMER:
        refreshStatus();
        return 0;
    case WM_COMMAND:
        return onCommand(window, message, wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        SetTextColor(reinterpret_cast<HDC>(wParam), kControlText);
        SetBkColor(reinterpret_cast<HDC>(wParam), kFieldColour);
        return reinterpret_cast<LRESULT>(drawing_.field());
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(wParam), kControlText);
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(drawing_.panel());
    case kSliderChangedMessage:
        onSliderChanged(reinterpret_cast<HWND>(lParam), static_cast<int32_t>(wParam));
        return 0;
    case kCheckboxToggledMessage:
        return 0; // the binding of the flags comes next
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Application::onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case kViewLogButton:
        showLogWindow();
        return 0;
    case kStopButton:
        stop();
        return 0;
    case kWheelbaseField:
        if (HIWORD(wParam) != EN_KILLFOCUS)
            break;
        commitWheelbaseField();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}


// Another instance hands over an advice path. Its byte count is checked
// before any character is read (adviceFromCopyData).
LRESULT Application::onCopyData(const COPYDATASTRUCT* data) {
    if (!data)
        return 0;
    const auto path = adviceFromCopyData(data->dwData, data->lpData, data->cbData);
    if (!path)
        return 0;
    applyAdviceFile(*path);
    return 1;
}

// Until the advice import exists, a file that cannot be opened is reported
// as the import will report it, and a readable one is left alone.
void Application::applyAdviceFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        log(L"Could not load analyzer advice file.");
        return;
    }
    CloseHandle(file);
}

void Application::refreshStatus() {
    const EngineStatus status = engine_.readStatus();
    sessionLog_.reportClipping(status);
}

void Application::paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    paintForeground(dc, client, drawing_, status_);
    EndPaint(window, &ps);
}

// Shutdown, in this order: the log window, the last edit of the wheelbase
// field, the engine and its threads, the settings file, then the drawing
// resources, which nothing paints with any more.
void Application::shutdown() {
    sessionLog_.destroyLogWindow();
    commitWheelbaseField();
    stop();
    keeper_.saveAll();
    KillTimer(window_, kStatusTimer);
    drawing_.release();
    PostQuitMessage(0);
}

void Application::stop() {
    engine_.stop();
    enable(window_, kStartButton, true);
    enable(window_, kStopButton, false);
    enable(window_, kRecordButton, false);
    enable(window_, kStopRecordButton, false);
    setStatusTexts(L"iRacing disconnected", L"Not on track", L"Car: generic");
    lastSeen_.OutputErrorCount = lastSeen_.OnTrackChanges = lastSeen_.OutputReportCount = 0;
    log(L"FFB engine stopped.");
}

void Application::showLogWindow() {
    sessionLog_.showLogWindow(window_, drawing_.logFont());
}

void Application::log(const std::wstring& line) {
    sessionLog_.log(line);
}

void Application::setStatusTexts(std::wstring connection, std::wstring trackState,
                                 std::wstring driverAndCar) {
    status_.connection = std::move(connection);
    status_.trackState = std::move(trackState);
    status_.driverAndCar = std::move(driverAndCar);
    RECT client;
    GetClientRect(window_, &client);
    client.top = client.bottom - kStatusBarHeight;
    InvalidateRect(window_, &client, TRUE);
}

SliderRecord* Application::sliderById(int id) {
    for (SliderRecord& s : sliders_)
        if (GetDlgCtrlID(s.window) == id)
            return &s;
    return nullptr;
}

SliderRecord* Application::sliderByWindow(HWND window) {
    for (SliderRecord& s : sliders_)
        if (s.window == window)
            return &s;
    return nullptr;
}

void Application::setSliderValue(int id, int32_t value) {
    SliderRecord* s = sliderById(id);
    if (!s)
        return;
    s->value = SliderRange{s->minimum, s->maximum}.clamp(value);
    SetWindowTextW(s->valueLabel, sliderValueText(id, s->value).c_str());
    InvalidateRect(s->window, nullptr, FALSE);
}

// A setting slider moved: the settings in use and the engine follow at once;
// the file at the next save. The coefficient sliders' binding comes with the
// car commands.
void Application::onSliderChanged(HWND slider, int32_t value) {
    SliderRecord* s = sliderByWindow(slider);
    if (!s)
        return;
    s->value = value;
    const int id = GetDlgCtrlID(slider);
    for (const ControlSpec& spec : mainWindowControls()) {
        if (spec.id != id || !spec.settingKey || id > kLastSettingSlider)
            continue;
        if (const SettingDescriptor* row = findSetting(spec.settingKey)) {
            row->set(settings_.Profiles.InUse, value);
            keeper_.storeCurrentSettings();
            keeper_.handSettingsToEngine();
        }
    }
    SetWindowTextW(s->valueLabel, sliderValueText(id, value).c_str());
    InvalidateRect(slider, nullptr, FALSE);
}

void Application::refreshControls(const FfbSettings& settings) {
    SendMessageW(outputModeCombo_, CB_SETCURSEL, static_cast<WPARAM>(settings.Mode), 0);
    for (CheckboxRecord& c : checkboxes_) {
        for (const ControlSpec& spec : mainWindowControls())
            if (spec.id == c.id && spec.settingKey)
                c.checked = findSetting(spec.settingKey)->get(settings) ? 1 : 0;
        InvalidateRect(c.window, nullptr, FALSE);
    }
    for (const ControlSpec& spec : mainWindowControls())
        if (spec.kind == ControlKind::Slider && spec.settingKey)
            setSliderValue(spec.id, findSetting(spec.settingKey)->get(settings));
    SetWindowTextW(wheelbaseField_, wheelbaseText(settings.WheelbaseMaxTorqueTenths).c_str());
}

void Application::showCar(const std::wstring& label, const CarCoefficients& coefficients) {
    SetWindowTextW(carLabel_, label.c_str());
    for (int id = kFirstCoefficientSlider; id <= kLastCoefficientSlider; ++id)
        setSliderValue(id, coefficientSliderValue(id, coefficients));
}

void Application::fillProfileCombo() {
    SendMessageW(profileCombo_, CB_RESETCONTENT, 0, 0);
    ProfileSet& profiles = settings_.Profiles;
    for (const DriverProfile& p : profiles.List)
        SendMessageW(profileCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.Name.c_str()));
    if (profiles.List.empty())
        return;
    profiles.Active =
        std::clamp(profiles.Active, 0, static_cast<int32_t>(profiles.List.size()) - 1);
    SendMessageW(profileCombo_, CB_SETCURSEL, static_cast<WPARAM>(profiles.Active), 0);
}

void Application::commitWheelbaseField() {
    wchar_t text[16] = {};
    GetWindowTextW(wheelbaseField_, text, 16);
    const int32_t tenths = wheelbaseTenthsFromText(text);
    ProfileSet& profiles = settings_.Profiles;
    profiles.InUse.WheelbaseMaxTorqueTenths = tenths;
    if (profiles.activeValid())
        profiles.active().Settings.WheelbaseMaxTorqueTenths = tenths;
    SetWindowTextW(wheelbaseField_, wheelbaseText(tenths).c_str());
    keeper_.handSettingsToEngine();
}

} // namespace gripline
