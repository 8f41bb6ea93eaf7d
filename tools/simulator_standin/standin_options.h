#pragma once
// The stand-in's command line, parsed without the platform: what to publish,
// how fast, for how long, and where to log.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace gripline::standin {

enum class SourceKind { None, Ibt, Image, Scenario };

struct StandinOptions {
    bool help = false;
    bool listScenarios = false;
    SourceKind source = SourceKind::None;
    std::filesystem::path sourcePath; // --ibt / --image
    std::string scenario;             // --scenario
    bool loop = false;
    bool statusClear = false;
    int32_t rateHz = 60;
    std::optional<int64_t> stopAfterNs; // after publishing starts
    std::optional<int64_t> exitAfterNs; // after publishing starts
    int64_t startDelayNs = 0;           // block in place, no line yet
    std::filesystem::path broadcastLog; // empty: not logged
    std::filesystem::path timingLog;    // empty: not logged
    std::filesystem::path sessionText;  // --session-text (empty: the source's own)
    std::filesystem::path writeIbt;     // --write-ibt: write the scenarios here, publish nothing
};

// `args` are the arguments after the program name, UTF-8. On failure returns
// false with a one-line reason that names the option.
bool parseStandinOptions(std::span<const std::string> args, StandinOptions& options,
                         std::string& error);

// The --help text.
std::string standinUsage();

} // namespace gripline::standin
