#include "recording/recording_file.h"

#include <cstring>
#include <fstream>
#include <new>

namespace gripline {

namespace {

// Two days of driving at 60 ticks a second (about 0.9 GB in memory): more
// than any real recording, and still within what the Analyzer can hold.
constexpr std::streamoff kMostSamples = 48LL * 3600 * 60;

bool fail(std::string& errorText, const char* text) {
    errorText = text;
    return false;
}

} // namespace

bool loadRecording(const std::filesystem::path& path, RecordingHeader& header,
                   std::vector<RecordingSample>& samples, std::string& errorText) {
    samples.clear();
    // A folder opens as a stream on some systems: it is no file to open.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return fail(errorText, "Could not open recording.");
    std::ifstream file(path, std::ios::binary);
    if (!file) return fail(errorText, "Could not open recording.");

    file.read(reinterpret_cast<char*>(&header), sizeof header);
    if (file.gcount() != static_cast<std::streamsize>(sizeof header) ||
        std::memcmp(header.Magic, kRecordingMagic, sizeof header.Magic) != 0)
        return fail(errorText, "This is not a valid Torvix telemetry recording.");
    if ((header.Version != 1 && header.Version != 2) || header.SampleSize != kRecordingSampleSize)
        return fail(errorText, "The recording format is not supported by this Analyzer version.");

    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    const std::streamoff count =
        size < kRecordingHeaderSize ? 0 : (size - kRecordingHeaderSize) / kRecordingSampleSize;
    if (count <= 0) return fail(errorText, "The recording contains no telemetry samples.");

    // Samples always start right after the 380-byte header, whatever size
    // the header claims for itself. A file too large for memory (no real
    // drive comes near it) is refused rather than ending the program.
    if (count > kMostSamples)
        return fail(errorText, "The recording is too large to open.");
    try {
        samples.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return fail(errorText, "The recording is too large to open.");
    }
    file.clear();
    file.seekg(kRecordingHeaderSize, std::ios::beg);
    const auto bytes = static_cast<std::streamsize>(count * kRecordingSampleSize);
    file.read(reinterpret_cast<char*>(samples.data()), bytes);
    if (file.gcount() != bytes) {
        samples.clear();
        return fail(errorText, "The recording is incomplete or damaged.");
    }

    if (header.Version == 1) header.BumpImpacts = header.Bumps;
    return true;
}

} // namespace gripline
