// gripline session FILE: the driver and car the engine would find in a
// session text, with the same scanner and the same fallback values.
#include "common/file_bytes.h"
#include "telemetry/ibt_file.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "telemetry/text_decoding.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/snapshot_json.h"

#include <cstdio>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace gripline::cli {

namespace {

namespace fs = std::filesystem;

// Whether the file name ends in ".ibt", ASCII letters compared without case.
bool hasIbtExtension(const fs::path& file) {
    const auto extension = file.extension().native();
    constexpr std::string_view kIbt = ".ibt";
    if (extension.size() != kIbt.size())
        return false;
    for (size_t i = 0; i < kIbt.size(); ++i) {
        auto c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (c != static_cast<unsigned char>(kIbt[i]))
            return false;
    }
    return true;
}

// A shared-memory image carries its text after the 112-byte header, where
// the header says. A session text read as a header gives offsets made of
// letters (hundreds of megabytes), which no file here reaches.
bool imageSessionText(std::span<const uint8_t> bytes, std::span<const uint8_t>& text) {
    if (bytes.size() < irsdk::kHeaderSize)
        return false;
    const int64_t offset = loadInt32(bytes, irsdk::kSessionInfoOffset);
    const int64_t length = loadInt32(bytes, irsdk::kSessionInfoLen);
    if (offset < static_cast<int64_t>(irsdk::kHeaderSize) || length <= 0 ||
        offset + length > static_cast<int64_t>(bytes.size()))
        return false;
    text = bytes.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
    return true;
}

std::string identityJson(bool found, const SessionIdentity& identity) {
    std::string line = "{\"Found\": ";
    line += found ? "true" : "false";
    line += ", \"CarPath\": ";
    appendJsonString(line, wideToUtf8(identity.CarPath));
    line += ", \"DriverName\": ";
    appendJsonString(line, wideToUtf8(identity.DriverName));
    line += ", \"DriverUserId\": " + std::to_string(identity.DriverUserId);
    line += ", \"IdentityConsistent\": ";
    line += identity.IdentityConsistent ? "true" : "false";
    line += ", \"TrackName\": ";
    appendJsonString(line, wideToUtf8(identity.TrackName));
    line += ", \"TrackDisplayName\": ";
    appendJsonString(line, wideToUtf8(identity.TrackDisplayName));
    return line + "}\n";
}

// The bytes the session text is taken from, and where in them it lies.
bool loadSessionText(const fs::path& file, std::vector<uint8_t>& bytes,
                     std::span<const uint8_t>& text, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(file, ec)) {
        error = file.string() + ": is a directory";
        return false;
    }
    if (hasIbtExtension(file)) {
        IbtFile ibt;
        if (!ibt.load(file, error))
            return false;
        const std::span<const uint8_t> inFile = ibt.sessionText();
        bytes.assign(inFile.begin(), inFile.end());
        text = bytes;
        return true;
    }
    if (!readFileBytes(file, bytes, error))
        return false;
    if (!imageSessionText(bytes, text))
        text = bytes;
    return true;
}

} // namespace

int sessionCommand(Args args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1)
        return fail(err, "usage: gripline session FILE");
    std::vector<uint8_t> bytes;
    std::span<const uint8_t> text;
    std::string error;
    if (!loadSessionText(args[0], bytes, text, error))
        return fail(err, error);
    // As the engine does: no text is no scan, and a failed scan shows the
    // fallback identity.
    SessionIdentity identity;
    const bool found = !text.empty() && scanSessionInfo(text.data(), text.size(), identity);
    if (!found)
        identity = SessionIdentity{};
    const std::string line = identityJson(found, identity);
    if (!out.write(line.data(), static_cast<std::streamsize>(line.size())) || !out.flush())
        return fail(err, "cannot write the output");
    return 0;
}

} // namespace gripline::cli
