#include "ui/button_controller_win32.h"

#include "common/qpc_clock_win32.h"

namespace gripline {

namespace {

constexpr UINT kPollPeriodMs = 25;

LocalTime localTimeNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

} // namespace

ButtonController::ButtonController(const ButtonControllerParts& parts)
    : engineWheel_(parts.engineWheel), wheels_(parts.wheels),
      commands_(parts.state, parts.binding, parts.record, parts.engine, parts.view,
                parts.firstRecordingFolder),
      watch_(parts.keeper.file(), parts.view, commands_),
      dialog_(watch_, parts.drawing,
              ButtonsDialogHost{[this](ButtonAction a) { bind(a); },
                                [this](ButtonAction a) { clear(a); }, [this] { dialogClosed(); }}) {
}

void ButtonController::start(HINSTANCE instance, HWND window) {
    instance_ = instance;
    window_ = window;
    updateWatch();
}

void ButtonController::shutdown() {
    dialog_.destroy();
    KillTimer(window_, kTimer);
    reader_.close();
}

void ButtonController::openDialog() {
    dialog_.show(instance_, window_);
}

void ButtonController::bind(ButtonAction action) {
    watch_.startBind(action, qpcClock().nowNs());
    updateWatch();
    dialog_.refresh();
}

void ButtonController::clear(ButtonAction action) {
    watch_.clear(action);
    updateWatch();
    dialog_.refresh();
}

void ButtonController::dialogClosed() {
    watch_.cancelBind();
    updateWatch();
}

void ButtonController::engineStarted(const DeviceGuid& wheel) {
    heldWheel_ = wheel;
    if (reader_.isOpen())
        reopenReader();
}

void ButtonController::engineStopped() {
    heldWheel_.reset();
    if (reader_.isOpen())
        reopenReader();
}

void ButtonController::devicesChanged() {
    if (reader_.isOpen())
        reopenReader();
}

// The bound buttons are read only while something is bound or a Bind waits:
// the controllers are opened then and closed again when nothing is.
void ButtonController::updateWatch() {
    const bool watching = watch_.watching();
    if (watching && !engineWheel_.watchButtons.load()) // nothing from an earlier watch
        for (int b = 0; b < WheelOutput::kWatchedButtons; ++b)
            seenWheelPresses_[b] = engineWheel_.buttonPresses[static_cast<size_t>(b)].load();
    engineWheel_.watchButtons.store(watching);
    if (!watching) {
        KillTimer(window_, kTimer);
        reader_.close();
        return;
    }
    if (!reader_.isOpen())
        reopenReader();
    SetTimer(window_, kTimer, kPollPeriodMs, nullptr);
}

// The wheel the engine holds is read through the output stage; the others
// (and the wheel itself while the engine is stopped) directly.
void ButtonController::reopenReader() {
    for (const AttachedDevice& d : reader_.attached())
        pressTracker_.forget(d.device);
    reader_.open(window_, heldWheel_);
}

std::wstring ButtonController::productOf(const DeviceGuid& device) const {
    for (const FfbDeviceEntry& d : wheels_)
        if (d.instanceGuid == device)
            return d.productName;
    return L"";
}

// Every 25 ms while watching: the presses since the last poll, from the
// devices read here and from the held wheel's counts, in that order.
void ButtonController::poll() {
    std::vector<NamedPress> presses;
    for (const PolledDevice& d : reader_.poll()) {
        const ButtonSet fresh = pressTracker_.pressed(d.device, d.down);
        for (size_t b = 0; b < fresh.size(); ++b)
            if (fresh[b])
                presses.push_back({{d.device, d.product, static_cast<int32_t>(b)},
                                   reader_.buttonName(d.device, static_cast<int32_t>(b))});
    }
    std::vector<AttachedDevice> attached = reader_.attached();
    if (heldWheel_) {
        const std::wstring product = productOf(*heldWheel_);
        attached.push_back({*heldWheel_, product});
        for (int32_t b = 0; b < WheelOutput::kWatchedButtons; ++b) {
            const uint32_t count = engineWheel_.buttonPresses[static_cast<size_t>(b)].load();
            for (; seenWheelPresses_[b] != count; ++seenWheelPresses_[b])
                presses.push_back({{*heldWheel_, product, b}, L"Button " + std::to_wstring(b + 1)});
        }
    }
    bool changed = watch_.takePresses(presses, attached, localTimeNow());
    changed = watch_.expire(qpcClock().nowNs()) || changed;
    if (changed) {
        dialog_.refresh();
        updateWatch();
    }
}

} // namespace gripline
