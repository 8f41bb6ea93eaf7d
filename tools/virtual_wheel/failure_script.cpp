#include "tools/virtual_wheel/failure_script.h"

#include <charconv>

namespace gripline::wheel {

namespace {

constexpr std::array<std::string_view, kScriptedCallCount> kCallNames = {
    "DirectInput8Create", "EnumDevices",   "CreateDevice", "Acquire",
    "CreateEffect",       "SetParameters", "Start",        "GetDeviceState",
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<ScriptedCall> parseCall(std::string_view name) {
    for (size_t i = 0; i < kCallNames.size(); ++i)
        if (equalIgnoringCase(name, kCallNames[i]))
            return static_cast<ScriptedCall>(i);
    return std::nullopt;
}

template <class Number> std::optional<Number> parseWhole(std::string_view text, int base) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "0x8007001E", "2147942430" or "-2147024866"; only failure codes (the
// top bit set) make sense to script.
std::optional<int32_t> parseFailureCode(std::string_view text) {
    std::optional<int64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        if (digits.size() <= 8 && digits.find_first_of("+-") == std::string_view::npos)
            value = parseWhole<int64_t>(digits, 16);
    } else {
        value = parseWhole<int64_t>(text, 10);
    }
    if (!value || *value < INT32_MIN || *value > UINT32_MAX)
        return std::nullopt;
    const auto code = static_cast<int32_t>(static_cast<uint32_t>(*value));
    if (code >= 0)
        return std::nullopt;
    return code;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::optional<ScriptedFailure> parseEntry(std::string_view entry) {
    const std::vector<std::string_view> fields = split(entry, ':');
    if (fields.size() < 2 || fields.size() > 4)
        return std::nullopt;
    const auto call = parseCall(trimmed(fields[0]));
    const auto code = parseFailureCode(trimmed(fields[1]));
    if (!call || !code)
        return std::nullopt;
    ScriptedFailure failure{*call, *code, 1, 0};
    if (fields.size() >= 3) {
        const auto count = parseWhole<uint64_t>(trimmed(fields[2]), 10);
        if (!count)
            return std::nullopt;
        failure.count = *count;
    }
    if (fields.size() == 4) {
        const auto after = parseWhole<uint64_t>(trimmed(fields[3]), 10);
        if (!after)
            return std::nullopt;
        failure.after = *after;
    }
    return failure;
}

} // namespace

std::string_view callName(ScriptedCall call) {
    return kCallNames[static_cast<size_t>(call)];
}

ParsedScript parseFailureScript(std::string_view text) {
    ParsedScript script;
    for (const std::string_view part : split(text, ',')) {
        const std::string_view entry = trimmed(part);
        if (entry.empty())
            continue; // "a,,b" and a trailing comma are harmless
        if (const auto failure = parseEntry(entry))
            script.failures.push_back(*failure);
        else
            script.rejected.emplace_back(entry);
    }
    return script;
}

FailureScript::FailureScript(std::vector<ScriptedFailure> failures)
    : failures_(std::move(failures)) {}

std::optional<int32_t> FailureScript::nextCall(ScriptedCall call) {
    const uint64_t number = calls_[static_cast<size_t>(call)].fetch_add(1);
    for (const ScriptedFailure& failure : failures_) {
        if (failure.call != call || number < failure.after)
            continue;
        if (failure.count == 0 || number - failure.after < failure.count)
            return failure.hresult;
    }
    return std::nullopt;
}

} // namespace gripline::wheel
