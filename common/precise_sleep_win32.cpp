#include "common/precise_sleep_win32.h"

#include "common/clock.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

namespace gripline {

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// Asking for lengths that are not whole milliseconds shows a timer that
// rounds to them; 8 of each is enough to see a method's nature and keeps
// the whole trial near 100 ms.
constexpr int64_t kTrialLengthsNs[] = {400'000, 900'000, 1'300'000};
constexpr int kTrialsPerLength = 8;

const wchar_t* methodName(SleepMethod method) {
    switch (method) {
    case SleepMethod::HighResolutionTimer:
        return L"high-resolution timer";
    case SleepMethod::NtDelayExecution:
        return L"NtDelayExecution";
    case SleepMethod::TimerPeriodSleep:
        return L"Sleep at 1 ms timer period";
    }
    return L"?";
}

int64_t percentile(std::vector<int64_t> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

} // namespace

std::wstring describeSleepChoice(const SleepChoice& choice, const wchar_t* heading) {
    std::wstring text = heading;
    text += L": ";
    text += methodName(choice.method);
    text += L" (miss p90:";
    for (int m = 0; m < kSleepMethods; ++m) {
        wchar_t part[80];
        const int64_t spread = choice.spreadNs[m];
        if (spread < 0)
            std::swprintf(part, std::size(part), L" %ls n/a", methodName(SleepMethod(m)));
        else
            std::swprintf(part, std::size(part), L" %ls %lld us", methodName(SleepMethod(m)),
                          static_cast<long long>(spread / 1000));
        text += part;
        text += m + 1 < kSleepMethods ? L"," : L");";
    }
    wchar_t margin[64];
    std::swprintf(margin, std::size(margin), L" margins %lld us (hop), %lld us (long sleep).",
                  static_cast<long long>(choice.hopMarginNs / 1000),
                  static_cast<long long>(choice.longMarginNs / 1000));
    return text + margin;
}

PreciseSleep::PreciseSleep() {
    timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS));
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll"))
        ntDelayExecution_ = reinterpret_cast<NtDelayExecutionFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution")));
}

PreciseSleep::~PreciseSleep() {
    if (asideThread_.joinable())
        asideThread_.join();
}

bool PreciseSleep::available(SleepMethod method) const {
    switch (method) {
    case SleepMethod::HighResolutionTimer:
        return static_cast<bool>(timer_);
    case SleepMethod::NtDelayExecution:
        return ntDelayExecution_ != nullptr;
    case SleepMethod::TimerPeriodSleep:
        return true;
    }
    return false;
}

int64_t PreciseSleep::sleepFor(SleepMethod method, int64_t ns) {
    LARGE_INTEGER relative;
    relative.QuadPart = -(ns / 100); // 100 ns units, negative: relative
    switch (method) {
    case SleepMethod::HighResolutionTimer:
        if (!SetWaitableTimer(timer_.get(), &relative, 0, nullptr, nullptr, FALSE))
            return 0;
        WaitForSingleObject(timer_.get(), INFINITE);
        return ns;
    case SleepMethod::NtDelayExecution:
        ntDelayExecution_(FALSE, &relative);
        return ns;
    case SleepMethod::TimerPeriodSleep:
        if (ns < kNsPerMs)
            return 0;
        Sleep(static_cast<DWORD>(ns / kNsPerMs));
        return ns / kNsPerMs * kNsPerMs;
    }
    return 0;
}

// The score is how far from the asked length a method wakes, either way, in
// nine waits of ten: waking late costs accuracy (or a wider margin spun
// through), waking early costs the same spin. A median would hide a timer
// that lands well most times and a millisecond off the rest (Wine's
// waitable timer). The methods take turns, wait by wait, so a moment of a
// busy machine during the trial falls on all of them alike. The margins
// start from the chosen method's 97th percentile of lateness and follow what
// the waits see from then on.
PreciseSleep::Measured PreciseSleep::measure(Clock& clock) {
    std::array<std::vector<int64_t>, kSleepMethods> spread;
    std::array<std::vector<int64_t>, kSleepMethods> lateness;
    for (int i = 0; i < kTrialsPerLength; ++i)
        for (const int64_t length : kTrialLengthsNs)
            for (int m = 0; m < kSleepMethods; ++m) {
                if (!available(SleepMethod(m)))
                    continue;
                const int64_t start = clock.nowNs();
                const int64_t asked = sleepFor(SleepMethod(m), length);
                const int64_t slept = clock.nowNs() - start;
                spread[m].push_back(std::abs(slept - length));
                if (asked > 0)
                    lateness[m].push_back(slept - asked);
            }
    SleepChoice choice;
    int best = -1;
    for (int m = 0; m < kSleepMethods; ++m) {
        if (spread[m].empty())
            continue;
        choice.spreadNs[m] = percentile(spread[m], 0.9);
        if (best < 0 || choice.spreadNs[m] < choice.spreadNs[best])
            best = m;
    }
    choice.method = SleepMethod(best); // Sleep is always there
    const int64_t latenessNs = lateness[best].empty() ? 0 : percentile(lateness[best], 0.97);
    const SleepStages stages(latenessNs);
    choice.hopMarginNs = stages.hopMarginNs();
    choice.longMarginNs = stages.longMarginNs();
    return {choice, latenessNs};
}

void PreciseSleep::adopt(const Measured& measured) {
    method_ = measured.choice.method;
    stages_ = SleepStages(measured.latenessNs);
    calibrated_ = true;
}

SleepChoice PreciseSleep::calibrate(Clock& clock) {
    const Measured measured = measure(clock);
    adopt(measured);
    return measured.choice;
}

void PreciseSleep::waitUntil(Clock& clock, int64_t deadlineNs) {
    if (!calibrated_)
        calibrate(clock);
    const int64_t startNs = clock.nowNs();
    const int64_t spunNs =
        waitInStages(clock, stages_, deadlineNs, [&](int64_t ns) { return sleepFor(method_, ns); });
    followCeiling(clock, deadlineNs > startNs ? deadlineNs - startNs : 0, spunNs);
}

// The trial takes about 100 ms of sleeps, far more than a waiting thread
// has between deadlines, so a thread of its own (at the waiter's priority,
// the same timer period) makes it while the waiter goes on with the old
// choice; the waiter takes the result at a wait after it is done.
void PreciseSleep::followCeiling(Clock& clock, int64_t waitedNs, int64_t spunNs) {
    if (asideDone_.load(std::memory_order_acquire)) {
        asideThread_.join();
        asideDone_.store(false, std::memory_order_relaxed);
        adopt(aside_);
        remeasured_ = aside_.choice;
        return;
    }
    if (asideThread_.joinable() ||
        !ceiling_.remeasure(stages_.atCeiling(), waitedNs, spunNs, clock.nowNs()))
        return;
    const int priority = GetThreadPriority(GetCurrentThread());
    try {
        asideThread_ = std::thread([this, &clock, priority] {
            SetThreadPriority(GetCurrentThread(), priority);
            PreciseSleep fresh;
            aside_ = fresh.measure(clock);
            asideDone_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        // No thread now: the old choice stays until the next try.
    }
}

std::optional<SleepChoice> PreciseSleep::takeRemeasured() {
    return std::exchange(remeasured_, std::nullopt);
}

} // namespace gripline
