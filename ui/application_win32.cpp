#include "ui/application_win32.h"

#include "engine/dinput_wheel_win32.h"
#include "settings/apply_advice.h"
#include "settings/wide_text.h"
#include "ui/advice_copy_data.h"
#include "ui/control_ids.h"
#include "ui/main_window_builder_win32.h"
#include "ui/main_window_win32.h"
#include "ui/save_choice_menu_win32.h"
#include "ui/window_layout.h"
#include "ui/window_painting_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace gripline {

namespace {

constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusPeriodMs = 250;

// What WM_CTLCOLOREDIT answers: light text on the field colour.
constexpr COLORREF kControlText = RGB(232, 238, 246);

} // namespace

Application::Application(HINSTANCE instance)
    : instance_(instance),
      keeper_(settings_, SettingsFile(profileStore_, pathFromText(settingsPath(executablePath()))),
              *this, engineHandOver_),
      binding_(settings_, keeper_, *this, *this, runKey_, executablePath()),
      buttons_({settings_, keeper_, binding_, recordCommands_, engine_, *this, output_, drawing_,
                deviceWatch_.wheels(), std::filesystem::path(executablePath()).parent_path()}) {}

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
    buttons_.load();
    if (!MainWindowBuilder(*this).build(showCommand))
        return 1;
    updater_ =
        std::make_unique<Win32Updater>(window_, [this](const std::wstring& line) { log(line); });
    if (!advicePath.empty())
        applyAdviceFile(advicePath);
    deviceWatch_.start(window_, deviceCombo_);
    showWheelTestButton();
    SetTimer(window_, kStatusTimer, kStatusPeriodMs, nullptr);
    buttons_.start(instance_, window_); // after the device list: wheels are named from it
    // After the window and the device list exist, before the message loop;
    // blocks for at most the client's time-outs, a failed check says nothing.
    updater_->notifyAtStartup();
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
    drawing_.createBrushes(); // the fonts follow once the window knows its DPI
}

bool Application::registerClasses() {
    return registerMainWindowClass(instance_, drawing_.background(), drawing_.icon()) &&
           registerSliderClass(instance_, drawing_.panel()) &&
           registerCheckboxClass(instance_, drawing_.panel()) &&
           ButtonController::registerDialogClass(instance_, drawing_.panel());
}

void Application::onWheelsChanged() {
    buttons_.devicesChanged();
    showWheelTestButton();
}

// Test needs a wheel in the list and none held by the engine or a test.
void Application::showWheelTestButton() {
    enableButton(kWheelTestButton, deviceWatch_.wheelFree() && !deviceWatch_.wheels().empty());
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
        paintBackground(reinterpret_cast<HDC>(wParam), client, drawing_, dpi_);
        return 1;
    }
    case WM_DEVICECHANGE:
        deviceWatch_.onDeviceChange(wParam, lParam);
        return TRUE;
    case WM_COPYDATA:
        return onCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_TIMER:
        if (wParam == ButtonController::kTimer)
            buttons_.poll();
        else if (DeviceWatch::ownsTimer(wParam))
            deviceWatch_.onTimer(wParam);
        else
            refreshStatus();
        return 0;
    case WM_COMMAND:
        return onCommand(window, message, wParam, lParam);
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != GetDlgItem(window, kSaveProfileButton))
            return DefWindowProcW(window, message, wParam, lParam);
        showSaveChoiceMenu(window, reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        SetTextColor(reinterpret_cast<HDC>(wParam), kControlText);
        SetBkColor(reinterpret_cast<HDC>(wParam), kFieldColour);
        return reinterpret_cast<LRESULT>(drawing_.field());
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DPICHANGED:
        onDpiChanged(wParam, lParam);
        return 0;
    case kSliderChangedMessage:
        onSliderChanged(reinterpret_cast<HWND>(lParam), static_cast<int32_t>(wParam));
        return 0;
    case kCheckboxToggledMessage:
        onCheckboxToggled(static_cast<int>(wParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Buttons act on any notification; the combo boxes and the wheelbase field
// only on the one that means the user changed them.
LRESULT Application::onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case kStartButton:
        start();
        return 0;
    case kStopButton:
        stop();
        return 0;
    case kOutputModeCombo:
        if (code != CBN_SELCHANGE)
            break;
        binding_.setOutputMode(
            static_cast<int32_t>(SendMessageW(outputModeCombo_, CB_GETCURSEL, 0, 0)));
        return 0;
    case kProfileCombo:
        if (code != CBN_SELCHANGE)
            break;
        binding_.loadProfile(static_cast<int32_t>(SendMessageW(profileCombo_, CB_GETCURSEL, 0, 0)));
        return 0;
    case kNewProfileButton:
        binding_.newProfile();
        return 0;
    case kSaveProfileButton:
        binding_.saveProfile();
        return 0;
    case kSaveForCarCommand:
    case kSaveForCarAtTrackCommand:
    case kSaveForCarInWetCommand:
        binding_.saveProfile(saveChoiceOf(LOWORD(wParam)));
        return 0;
    case kViewLogButton:
        showLogWindow();
        return 0;
    case kRecordButton:
        record();
        return 0;
    case kStopRecordButton:
        stopRecording();
        return 0;
    case kAnalyzerButton:
        launchAnalyzer();
        return 0;
    case kUpdateButton:
        update();
        return 0;
    case kButtonsButton:
        buttons_.openDialog();
        return 0;
    case kWheelTestButton:
        testWheel();
        return 0;
    case kDonateButton:
        openDonationPage();
        return 0;
    case kWheelbaseField:
        if (code != EN_KILLFOCUS)
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

// Advice handed over by the Analyzer, at start-up or from a second
// instance: applied to its profile and car, saved, and the file deleted.
void Application::applyAdviceFile(const std::wstring& path) {
    gripline::applyAdviceFile(
        {settings_, keeper_, *this, profileStore_, [this] { fillProfileCombo(); }},
        pathFromText(path));
}

void Application::refreshStatus() {
    finishWheelTest();
    const EngineStatus status = engine_.readStatus();
    // Before the refresh follows a car change: a settled strength belongs
    // to the car it was found for.
    autoStrength_.follow(status, status.TrackDisplayName);
    setStatusTexts(statusRefresh_.refresh(status, engine_.forceOff()));
}

void Application::paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    paintForeground(dc, client, drawing_, status_, dpi_);
    EndPaint(window, &ps);
}

// Shutdown, in this order: the log window and the Buttons dialog with the
// devices it reads, the last edit of the wheelbase
// field, the engine and its threads (a recording is saved first), the
// settings file, then the drawing resources, which nothing paints with any
// more.
void Application::shutdown() {
    sessionLog_.destroyLogWindow();
    buttons_.shutdown();
    deviceWatch_.shutdown();
    if (wheelTest_.joinable())
        wheelTest_.join(); // a few seconds at most: the pattern ends by itself
    finishWheelTest();
    commitWheelbaseField();
    stop();
    keeper_.saveAll();
    KillTimer(window_, kStatusTimer);
    drawing_.release();
    PostQuitMessage(0);
}

void Application::showLogWindow() {
    sessionLog_.showLogWindow(window_, drawing_.logFont());
}

void Application::log(const std::wstring& line) {
    sessionLog_.log(line);
}

// Only a changed text repaints the status bar: the refresh runs four times a
// second and the bar would flicker otherwise.
void Application::setStatusTexts(const StatusTexts& texts) {
    addedLatency_.show(texts.addedLatency);
    if (texts == status_)
        return;
    status_ = texts;
    RECT client;
    GetClientRect(window_, &client);
    client.top = client.bottom - statusBarHeight(dpi_);
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

// A slider the user moved: its record keeps the value, the binding does the
// rest.
void Application::onSliderChanged(HWND slider, int32_t value) {
    SliderRecord* s = sliderByWindow(slider);
    if (!s)
        return;
    s->value = value;
    binding_.onSliderChanged(GetDlgCtrlID(slider), value);
}

void Application::onCheckboxToggled(int id) {
    for (const CheckboxRecord& c : checkboxes_)
        if (c.id == id) {
            binding_.onCheckboxToggled(id, c.checked != 0);
            return;
        }
}

void Application::refreshControls(const FfbSettings& settings) {
    binding_.refreshControls(settings);
}

void Application::showCar(const std::wstring& label, const CarCoefficients& coefficients) {
    binding_.showCoefficients(label, coefficients);
}

void Application::commitWheelbaseField() {
    binding_.commitWheelbaseField();
}

void Application::showSliderValue(int id, int32_t value, const std::wstring& text) {
    SliderRecord* s = sliderById(id);
    if (!s)
        return;
    s->value = value;
    SetWindowTextW(s->valueLabel, text.c_str());
    InvalidateRect(s->window, nullptr, FALSE);
}

void Application::showChecked(int id, bool checked) {
    for (CheckboxRecord& c : checkboxes_)
        if (c.id == id) {
            c.checked = checked ? 1 : 0;
            InvalidateRect(c.window, nullptr, FALSE);
        }
}

void Application::selectOutputMode(int32_t mode) {
    SendMessageW(outputModeCombo_, CB_SETCURSEL, static_cast<WPARAM>(mode), 0);
}

std::wstring Application::wheelbaseFieldText() {
    wchar_t text[16] = {};
    GetWindowTextW(wheelbaseField_, text, 16);
    return text;
}

void Application::showWheelbaseText(const std::wstring& text) {
    SetWindowTextW(wheelbaseField_, text.c_str());
}

void Application::showProfiles(const std::vector<std::wstring>& names, int32_t selected) {
    SendMessageW(profileCombo_, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : names)
        SendMessageW(profileCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (selected >= 0)
        SendMessageW(profileCombo_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

std::wstring Application::profileBoxText() {
    wchar_t text[128] = {};
    GetWindowTextW(profileCombo_, text, 128);
    return text;
}

void Application::showContext(const std::wstring& label) {
    if (window_)
        SetDlgItemTextW(window_, kContextLabel, label.c_str());
}

void Application::showCarLabel(const std::wstring& label) {
    SetWindowTextW(carLabel_, label.c_str());
}

} // namespace gripline
