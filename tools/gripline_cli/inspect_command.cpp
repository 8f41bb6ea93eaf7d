// gripline inspect FILE: the telemetry snapshots the engine would see, read
// from a file with the same decoding the live reader uses.
#include "common/file_bytes.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_reader.h"
#include "telemetry/telemetry_variables.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/snapshot_json.h"

#include <ostream>
#include <string>
#include <system_error>

namespace gripline::cli {

namespace {

namespace fs = std::filesystem;

// Whether the file name ends in ".ibt", ASCII letters compared without case.
bool isTelemetryFile(const fs::path& file) {
    const auto name = file.filename().native();
    constexpr std::string_view kSuffix = ".ibt";
    if (name.size() < kSuffix.size())
        return false;
    for (size_t i = 0; i < kSuffix.size(); ++i) {
        auto c = name[name.size() - kSuffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<decltype(c)>(c - 'A' + 'a');
        if (c != static_cast<unsigned char>(kSuffix[i]))
            return false;
    }
    return true;
}

// A directory opens as a stream on Linux and then reports a nonsense size:
// refuse it before reading.
bool refuseDirectory(const fs::path& file, std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(file, ec))
        return false;
    error = file.string() + ": is a directory";
    return true;
}

bool writeLine(std::ostream& out, std::string& line, const TelemetrySnapshot& snapshot) {
    line.clear();
    appendSnapshotJson(line, snapshot);
    line += '\n';
    return static_cast<bool>(out.write(line.data(), static_cast<std::streamsize>(line.size())));
}

// Every stored line, in order. IbtFile::load has checked that all of them
// lie inside the file, so nothing is printed before an error is found.
int inspectTelemetryFile(const fs::path& file, std::ostream& out, std::ostream& err) {
    IbtFile ibt;
    std::string error;
    if (refuseDirectory(file, error) || !ibt.load(file, error))
        return fail(err, error);
    const TelemetryVarIndices vars = resolveVariables(ibt.image());
    TelemetrySnapshot snapshot;
    std::string line;
    for (int32_t i = 0; i < ibt.lineCount(); ++i) {
        decodeLine(ibt.image(), vars, ibt.line(i), i, snapshot);
        if (!writeLine(out, line, snapshot))
            return fail(err, "cannot write the output");
    }
    return out.flush() ? 0 : fail(err, "cannot write the output");
}

// The newest line of the rotating buffers, read exactly as the engine reads
// the live block.
int inspectSharedMemoryImage(const fs::path& file, std::ostream& out, std::ostream& err) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (refuseDirectory(file, error) || !readFileBytes(file, bytes, error))
        return fail(err, error);
    if (bytes.size() < irsdk::kHeaderSize)
        return fail(err, file.string() + ": not a shared-memory image: shorter than its header");
    // The reader treats a variable table it cannot see as "no variables" and
    // would print a line of zeros; for a file that only means damage.
    const int64_t numVars = loadInt32(bytes, irsdk::kNumVars);
    const int64_t varHeaders = loadInt32(bytes, irsdk::kVarHeaderOffset);
    if (numVars < 0 || varHeaders < 0 ||
        varHeaders + numVars * int64_t{irsdk::kVarHeaderSize} > static_cast<int64_t>(bytes.size()))
        return fail(err, file.string() +
                             ": damaged shared-memory image: variable headers outside the file");

    BufferTelemetrySource source(std::move(bytes));
    TelemetryReader reader(source);
    TelemetrySnapshot snapshot;
    if (!reader.open() || !reader.readLatest(snapshot))
        return fail(err, file.string() +
                             ": damaged shared-memory image: no telemetry line inside the file "
                             "(bad buffer count, line length or line offset)");
    std::string line;
    if (!writeLine(out, line, snapshot) || !out.flush())
        return fail(err, "cannot write the output");
    return 0;
}

} // namespace

int inspectCommand(Args args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1)
        return fail(err, "usage: gripline inspect FILE");
    return isTelemetryFile(args[0]) ? inspectTelemetryFile(args[0], out, err)
                                    : inspectSharedMemoryImage(args[0], out, err);
}

} // namespace gripline::cli
