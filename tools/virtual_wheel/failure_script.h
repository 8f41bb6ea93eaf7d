#pragma once
// Scripted failures of the virtual wheel (format in virtual_wheel_ids.h).
// Portable: an HRESULT travels as its 32-bit value.
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::wheel {

enum class ScriptedCall {
    DirectInput8Create,
    EnumDevices,
    CreateDevice,
    Acquire,
    CreateEffect,
    SetParameters,
    Start,
    GetDeviceState,
};
inline constexpr size_t kScriptedCallCount = 8;

std::string_view callName(ScriptedCall call);

// Calls number after .. after+count-1 of `call` fail with `hresult`;
// count 0: every call from `after` on.
struct ScriptedFailure {
    ScriptedCall call = ScriptedCall::DirectInput8Create;
    int32_t hresult = 0;
    uint64_t count = 1;
    uint64_t after = 0;
    bool operator==(const ScriptedFailure&) const = default;
};

struct ParsedScript {
    std::vector<ScriptedFailure> failures;
    std::vector<std::string> rejected; // malformed entries, trimmed, as written
};

ParsedScript parseFailureScript(std::string_view text);

// Numbers the calls of each kind and says which must fail. Any thread may
// call; each call takes one number with an atomic increment.
class FailureScript {
  public:
    explicit FailureScript(std::vector<ScriptedFailure> failures);
    // Counts one call of `call`: the HRESULT it must fail with, if any.
    std::optional<int32_t> nextCall(ScriptedCall call);

  private:
    const std::vector<ScriptedFailure> failures_;
    std::array<std::atomic<uint64_t>, kScriptedCallCount> calls_{};
};

} // namespace gripline::wheel
