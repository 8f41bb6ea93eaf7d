// The main window's commands: Start and Stop of the engine, Record and Stop
// rec, the Analyzer, Update and Donate buttons.
#include "ui/application_win32.h"

#include "ui/control_ids.h"
#include "ui/wheelbase_text.h"

#include <commdlg.h>
#include <shellapi.h>

#include <exception>

namespace gripline {

namespace {

constexpr const wchar_t* kAnalyzerFileName = L"Torvix Commercial Analyzer.exe";
// A page of our own; the program never sends anything to it.
constexpr const wchar_t* kDonationPage = L"https://gripline.example/donate";

LocalTime localTimeNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::wstring programFolder() {
    const std::wstring exe = executablePath();
    const size_t slash = exe.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash);
}

} // namespace

void Application::enableButton(int id, bool on) {
    EnableWindow(GetDlgItem(window_, id), on ? TRUE : FALSE);
}

void Application::start() {
    const std::optional<FfbDeviceEntry> wheel = deviceWatch_.selected();
    if (!wheel) {
        log(L"Select a force feedback wheel first.");
        return;
    }
    binding_.setOutputMode(
        static_cast<int32_t>(SendMessageW(outputModeCombo_, CB_GETCURSEL, 0, 0)));
    if (recordCommands_.recording())
        stopRecording(); // the file is saved and the driver told, not cut silently
    engine_.stop();
    engine_.storeSettings(settings_.Profiles.InUse);
    EnginePorts ports{.telemetry = &telemetry_,
                      .clock = &qpcClock(),
                      .wheel = &output_,
                      .scanner = &sessionScanner_,
                      .handOff = &handOff_,
                      .platform = &enginePlatform_,
                      .meetTicks = true};
    ports.window = window_; // the wheel is acquired exclusively for this window
    ports.device = wheel->instanceGuid;
    try {
        engine_.start(ports);
    } catch (const std::exception&) {
        // No thread could be made (out of resources): nothing runs, the
        // buttons stay as they were.
        log(L"Could not start the FFB engine.");
        return;
    }
    statusRefresh_.resetCounters();
    buttons_.engineStarted(ports.device); // its buttons now come through the output stage
    statusRefresh_.holdWheel(wheel->productName);
    deviceWatch_.setWheelFree(false);
    showWheelTestButton();
    enableButton(kStartButton, false);
    enableButton(kStopButton, true);
    enableButton(kRecordButton, true);
    enableButton(kStopRecordButton, false);
    showWheelbaseText(wheelbaseText(settings_.Profiles.InUse.WheelbaseMaxTorqueTenths));
    log(L"FFB engine started.");
    log(settings_.Profiles.InUse.SimucubeMode ? L"Simucube mode enabled."
                                              : L"iRacing native FFB suppression enabled.");
}

void Application::stop() {
    if (recordCommands_.recording())
        stopRecording();
    engine_.stop();
    buttons_.engineStopped();
    deviceWatch_.setWheelFree(true);
    showWheelTestButton();
    enableButton(kStartButton, true);
    enableButton(kStopButton, false);
    enableButton(kRecordButton, false);
    enableButton(kStopRecordButton, false);
    StatusTexts idle;
    idle.forceOff = engine_.forceOff();
    setStatusTexts(idle);
    // The last seen counters stay: the reports the engine published as it
    // ended are logged by the next refresh, and nothing already logged is
    // repeated. Start sets both sides back to 0.
    log(L"FFB engine stopped.");
}

// The chosen wheel plays the test pattern through an output stage and a
// DirectInput device of the test's own, on a thread, so the window stays
// live; Start waits until it is over.
void Application::testWheel() {
    if (engine_.running() || wheelTest_.joinable())
        return;
    const std::optional<FfbDeviceEntry> wheel = deviceWatch_.selected();
    if (!wheel) {
        log(L"Select a force feedback wheel first.");
        return;
    }
    const DeviceGuid guid = wheel->instanceGuid;
    wheelTestDone_.store(false);
    try {
        wheelTest_ = std::thread([this, guid, window = window_] {
            DirectInputWheel wheel;
            wheelTestResult_ = WheelTest::run(wheel, qpcClock(), window, guid);
            wheelTestDone_.store(true);
        });
    } catch (const std::exception&) {
        log(L"Could not start the wheel test.");
        return;
    }
    enableButton(kStartButton, false);
    deviceWatch_.setWheelFree(false);
    showWheelTestButton();
    log(L"Wheel test: the wheel turns gently left, right and back within 5 s.");
}

void Application::finishWheelTest() {
    if (!wheelTest_.joinable() || !wheelTestDone_.load())
        return;
    wheelTest_.join();
    log(wheelTestMessage(wheelTestResult_));
    enableButton(kStartButton, true);
    deviceWatch_.setWheelFree(true);
    showWheelTestButton();
}

void Application::record() {
    recordCommands_.record(localTimeNow());
}

void Application::stopRecording() {
    recordCommands_.stopRecording();
}

// The owner is the main window, so the dialog is modal to it; the engine
// and the writer go on while it is open.
std::optional<std::filesystem::path>
Application::askRecordingPath(const std::wstring& defaultName) {
    wchar_t path[MAX_PATH] = {};
    defaultName.copy(path, MAX_PATH - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = L"Torvix telemetry recording (*.kvtrec)\0*.kvtrec\0"
                         L"All files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"kvtrec";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt;
    return std::filesystem::path(path);
}

void Application::showRecordButtons(const RecordButtons& buttons) {
    enableButton(kRecordButton, buttons.RecordEnabled);
    enableButton(kStopRecordButton, buttons.StopRecEnabled);
    enableButton(kAnalyzerButton, buttons.AnalyzerEnabled);
    SetWindowTextW(GetDlgItem(window_, kRecordButton), buttons.RecordText.c_str());
}

// The Analyzer of the same release sits beside the program; it opens the
// last recording started, when there is one.
void Application::launchAnalyzer() {
    const std::wstring analyzer = programFolder() + L"\\" + kAnalyzerFileName;
    if (GetFileAttributesW(analyzer.c_str()) == INVALID_FILE_ATTRIBUTES) {
        log(L"The Torvix Analyzer executable was not found next to the app.");
        return;
    }
    const std::wstring recording = recordCommands_.lastRecording().wstring();
    const std::wstring parameters = recording.empty() ? L"" : L"\"" + recording + L"\"";
    ShellExecuteW(window_, L"open", analyzer.c_str(),
                  parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void Application::openDonationPage() {
    const HINSTANCE result =
        ShellExecuteW(window_, L"open", kDonationPage, nullptr, nullptr, SW_SHOWNORMAL);
    log(reinterpret_cast<INT_PTR>(result) <= 32 ? L"Could not open the donation page."
                                                : L"Opened the PayPal donation page.");
}

// Blocks the window while it checks, asks and downloads; on success the
// restart script waits for this program to close, which it then asks for.
void Application::update() {
    if (updater_)
        updater_->install();
}

} // namespace gripline
