#include "tools/simulator_standin/ibt_writer.h"

#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace gripline::standin {

namespace {

// 2.8 hours of driving, about 90 MB: far inside the format's int32 offsets,
// and `gripline replay --loop` repeats a file for anything longer.
constexpr size_t kMaxScenariosPerFile = 1000;

template <typename T> void store(std::vector<uint8_t>& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

std::string displayPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The header and variable-header table the live layout would publish, taken
// from a formatted block so the file's variables sit at the same offsets in
// a line as the stand-in's live ones.
std::vector<uint8_t> variableHeaders(const TelemetryImage& layout) {
    std::vector<uint8_t> block(layout.size());
    layout.format(block);
    const auto at = static_cast<size_t>(layout.varHeaderOffset());
    const auto count = static_cast<size_t>(loadInt32(block, irsdk::kNumVars));
    return {block.begin() + static_cast<ptrdiff_t>(at),
            block.begin() + static_cast<ptrdiff_t>(at + count * irsdk::kVarHeaderSize)};
}

bool writeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return out &&
           out.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<std::streamsize>(bytes.size())) &&
           out.flush();
}

} // namespace

// The parts lie as in the simulator's own files (the recorded Spielberg file
// shows it): header, disk sub-header, variable headers, session text, then the
// lines one after another from varBuf[0]'s offset.
std::vector<uint8_t> scenarioIbtBytes(std::span<const ScenarioInfo* const> run) {
    const TelemetryImage layout(standardTelemetryVars(), 1);
    const std::vector<uint8_t> varHeaders = variableHeaders(layout);
    const std::string text = scenarioSessionText(*run.front()->identity);
    const auto lineCount = static_cast<int32_t>(run.size()) * kScenarioLines;
    const size_t lineLength = static_cast<size_t>(layout.lineLength());

    const size_t varHeaderOffset = irsdk::kDiskSubHeader + irsdk::kDiskSubHeaderSize;
    const size_t textOffset = varHeaderOffset + varHeaders.size();
    const size_t firstLine = textOffset + text.size();
    std::vector<uint8_t> bytes(firstLine + static_cast<size_t>(lineCount) * lineLength);

    store<int32_t>(bytes, irsdk::kVer, 2);
    store<int32_t>(bytes, irsdk::kStatus, irsdk::kStatusConnected);
    store<int32_t>(bytes, irsdk::kTickRate, kSimulatorTickRateHz);
    store<int32_t>(bytes, irsdk::kSessionInfoLen, static_cast<int32_t>(text.size()));
    store<int32_t>(bytes, irsdk::kSessionInfoOffset, static_cast<int32_t>(textOffset));
    store<int32_t>(bytes, irsdk::kNumVars,
                   static_cast<int32_t>(varHeaders.size() / irsdk::kVarHeaderSize));
    store<int32_t>(bytes, irsdk::kVarHeaderOffset, static_cast<int32_t>(varHeaderOffset));
    store<int32_t>(bytes, irsdk::kNumBuf, 1);
    store<int32_t>(bytes, irsdk::kBufLen, layout.lineLength());
    store<int32_t>(bytes, irsdk::kVarBuf + irsdk::kVarBufTickCount, lineCount - 1);
    store<int32_t>(bytes, irsdk::kVarBuf + irsdk::kVarBufOffset, static_cast<int32_t>(firstLine));

    // Disk sub-header. The start date stays 0 so that the same run always
    // gives the same bytes; a synthetic drive completes no lap.
    store<int64_t>(bytes, irsdk::kDiskSubHeader, 0);
    store<double>(bytes, irsdk::kDiskSubHeader + 8, 0.0);
    store<double>(bytes, irsdk::kDiskSubHeader + 16,
                  static_cast<double>(lineCount - 1) / kSimulatorTickRateHz);
    store<int32_t>(bytes, irsdk::kDiskSubHeader + 24, 0);
    store<int32_t>(bytes, irsdk::kDiskRecordCount, lineCount);

    std::memcpy(bytes.data() + varHeaderOffset, varHeaders.data(), varHeaders.size());
    std::memcpy(bytes.data() + textOffset, text.data(), text.size());
    for (int32_t tick = 0; tick < lineCount; ++tick) {
        const ScenarioInfo& scenario = *run[static_cast<size_t>(tick / kScenarioLines)];
        const std::span<uint8_t> line(
            bytes.data() + firstLine + static_cast<size_t>(tick) * lineLength, lineLength);
        fillScenarioLine(scenario, tick % kScenarioLines, tick, layout, line);
    }
    return bytes;
}

bool writeScenarioIbt(std::string_view names, const std::filesystem::path& path,
                      std::string& error) {
    std::vector<const ScenarioInfo*> run;
    if (!findScenarios(names, run, error))
        return false;
    if (run.size() > kMaxScenariosPerFile) {
        error = std::to_string(run.size()) + " scenarios are too many for one file (at most " +
                std::to_string(kMaxScenariosPerFile) + "; replay --loop repeats a file)";
        return false;
    }
    const std::vector<uint8_t> bytes = scenarioIbtBytes(run);
    // Written beside the target and renamed over it, so a failed write never
    // leaves half a file under the name asked for.
    std::filesystem::path partial = path;
    partial += ".partial";
    std::error_code ec;
    errno = 0;
    if (!writeFile(partial, bytes)) {
        // The stream keeps no reason of its own; errno has the system's.
        error = "cannot write " + displayPath(partial) +
                (errno ? ": " + std::string(std::strerror(errno)) : std::string());
        std::filesystem::remove(partial, ec);
        return false;
    }
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        error = "cannot rename " + displayPath(partial) + " to " + displayPath(path) + ": " +
                ec.message();
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

} // namespace gripline::standin
