#include "common/word_wait_win32.h"

#include <windows.h>

namespace gripline {

namespace {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t),
              "the wait compares the atomic's bytes as a plain word");

using WaitOnAddressFn = long(__stdcall*)(const void*, const void*, SIZE_T, const LARGE_INTEGER*);
using WakeAddressFn = void(__stdcall*)(const void*);

// ntdll exports both since Windows 8 and in every Wine we run on; without
// them the wait falls back to whole-millisecond sleeps and the wake is lost,
// which only costs the latency the output stage had before.
struct WordWaitCalls {
    WaitOnAddressFn wait = nullptr;
    WakeAddressFn wake = nullptr;

    WordWaitCalls() {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll)
            return;
        wait = reinterpret_cast<WaitOnAddressFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlWaitOnAddress")));
        wake = reinterpret_cast<WakeAddressFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlWakeAddressSingle")));
    }
};

const WordWaitCalls& calls() {
    static const WordWaitCalls resolved;
    return resolved;
}

} // namespace

void waitForWordChange(const std::atomic<uint32_t>& word, uint32_t seen, int64_t timeoutNs) {
    if (word.load() != seen || timeoutNs <= 0)
        return;
    if (!calls().wait || !calls().wake) {
        Sleep(static_cast<DWORD>((timeoutNs + 999'999) / 1'000'000));
        return;
    }
    LARGE_INTEGER relative;
    relative.QuadPart = -(timeoutNs / 100);
    calls().wait(&word, &seen, sizeof seen, &relative);
}

void wakeWordWaiter(const std::atomic<uint32_t>& word) {
    if (calls().wake)
        calls().wake(&word);
}

} // namespace gripline
