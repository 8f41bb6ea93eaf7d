#include "engine/wheel_test.h"

#include "engine/ffb_output.h"
#include "engine/forwarding_wheel_port.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace gripline {

namespace {

// Passes every call on and notes what DirectInput made of them: the
// updates it accepted and the first failure of any call.
class CountingPort final : public ForwardingWheelPort {
  public:
    using ForwardingWheelPort::ForwardingWheelPort;

    HResult createDirectInput() override { return note(ForwardingWheelPort::createDirectInput()); }
    HResult createDevice(const DeviceGuid& d) override {
        return note(ForwardingWheelPort::createDevice(d));
    }
    HResult acquire() override { return note(ForwardingWheelPort::acquire()); }
    HResult createEffect() override { return note(ForwardingWheelPort::createEffect()); }
    HResult setMagnitude(int32_t magnitude) override {
        const HResult hr = note(ForwardingWheelPort::setMagnitude(magnitude));
        if (!failed(hr))
            accepted.fetch_add(1);
        return hr;
    }
    HResult startEffect() override { return note(ForwardingWheelPort::startEffect()); }

    std::atomic<uint32_t> accepted{0};
    std::atomic<HResult> firstError{0};

  private:
    HResult note(HResult hr) {
        HResult none = 0;
        if (failed(hr))
            firstError.compare_exchange_strong(none, hr);
        return hr;
    }
};

const wchar_t* whatToTry(HResult hr) {
    switch (static_cast<uint32_t>(hr)) {
    case 0x80040205: // DIERR_NOTEXCLUSIVEACQUIRED
    case 0x80070005: // DIERR_OTHERAPPHASPRIO
        return L"Close other programs that hold the wheel (the simulator, the wheel's own "
               L"software) and test again.";
    case 0x8007001E: // DIERR_INPUTLOST
    case 0x8007000C: // DIERR_NOTACQUIRED
    case 0x80040209: // DIERR_UNPLUGGED
        return L"Check the wheel's USB and power cables, then test again.";
    default:
        return L"Check that the wheel's driver is installed and its force feedback is switched "
               L"on in its own software, then test again.";
    }
}

} // namespace

int32_t WheelTest::patternAt(int64_t sinceNs) {
    if (sinceNs <= 0 || sinceNs >= kSwingNs)
        return 0;
    const double phase = 2.0 * std::numbers::pi * static_cast<double>(sinceNs) / kSwingNs;
    return static_cast<int32_t>(std::lround(-kPeak * std::sin(phase)));
}

WheelTestResult WheelTest::run(WheelPort& port, Clock& clock, void* window,
                               const DeviceGuid& device) {
    CountingPort counting(port);
    WheelTestResult result;
    {
        FfbOutput output(counting, clock);
        result.opened = output.open(window, device);
        if (result.opened) {
            output.outputEnabled.store(true);
            // The stage's own start delay and fade-in, then the pattern at
            // full scale of its own.
            const int64_t begin = clock.nowNs() + FfbOutput::kRampEndNs;
            for (int64_t now = clock.nowNs(); now < begin + kPatternNs; now = clock.nowNs()) {
                output.requestForce(patternAt(now - begin));
                clock.sleepNs(kNsPerMs);
            }
            output.requestForce(0);
            clock.sleepNs(50 * kNsPerMs); // the last zero reaches the wheel
            output.quiesce();
            clock.sleepNs(20 * kNsPerMs);
            output.close();
        }
    }
    result.accepted = counting.accepted.load();
    result.firstError = counting.firstError.load();
    return result;
}

std::wstring wheelTestMessage(const WheelTestResult& result) {
    if (result.firstError != 0) {
        wchar_t code[16];
        std::swprintf(code, std::size(code), L"0x%08X", static_cast<unsigned>(result.firstError));
        std::wstring name;
        for (const char* c = hresultName(result.firstError); *c; ++c)
            name += static_cast<wchar_t>(*c);
        return L"Wheel test: DirectInput error " + std::wstring(code) + L" (" + name + L"). " +
               whatToTry(result.firstError);
    }
    if (!result.opened)
        return std::wstring(L"Wheel test: the wheel could not be opened. ") + whatToTry(0);
    return L"Wheel test: DirectInput accepted " + std::to_wstring(result.accepted) +
           L" updates, no errors.";
}

} // namespace gripline
