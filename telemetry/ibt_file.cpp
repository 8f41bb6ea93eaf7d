#include "telemetry/ibt_file.h"

#include "common/file_bytes.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

namespace gripline {

bool IbtFile::parse(std::vector<uint8_t> bytes, std::string& error) {
    bytes_ = std::move(bytes);
    lineCount_ = 0;
    const auto size = static_cast<int64_t>(bytes_.size());
    if (size < static_cast<int64_t>(irsdk::kDiskSubHeader + irsdk::kDiskSubHeaderSize)) {
        error = "not a telemetry file: shorter than its header";
        return false;
    }
    const int64_t numVars = loadInt32(bytes_, irsdk::kNumVars);
    const int64_t varHeaders = loadInt32(bytes_, irsdk::kVarHeaderOffset);
    if (numVars < 0 || varHeaders < 0 ||
        varHeaders + numVars * int64_t{irsdk::kVarHeaderSize} > size) {
        error = "damaged telemetry file: variable headers outside the file";
        return false;
    }
    const int32_t length = loadInt32(bytes_, irsdk::kBufLen);
    const int32_t count = loadInt32(bytes_, irsdk::kDiskRecordCount);
    const int64_t first = loadInt32(bytes_, irsdk::kVarBuf + irsdk::kVarBufOffset);
    if (length <= 0 || count < 0 || first < 0) {
        error = "damaged telemetry file: bad line length, line count or offset";
        return false;
    }
    if (first + int64_t{count} * length > size) {
        error = "truncated telemetry file: " + std::to_string(count) + " lines declared, " +
                std::to_string(first > size ? 0 : (size - first) / length) + " present";
        return false;
    }
    lineLength_ = length;
    lineCount_ = count;
    firstLine_ = first;
    return true;
}

bool IbtFile::load(const std::filesystem::path& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, error))
        return false;
    if (!parse(std::move(bytes), error)) {
        error = path.string() + ": " + error;
        return false;
    }
    return true;
}

std::span<const uint8_t> IbtFile::line(int32_t index) const {
    if (index < 0 || index >= lineCount_)
        return {};
    return std::span<const uint8_t>(bytes_).subspan(
        static_cast<size_t>(firstLine_ + int64_t{index} * lineLength_),
        static_cast<size_t>(lineLength_));
}

std::span<const uint8_t> IbtFile::sessionText() const {
    const int64_t length = loadInt32(bytes_, irsdk::kSessionInfoLen);
    const int64_t offset = loadInt32(bytes_, irsdk::kSessionInfoOffset);
    if (length <= 0 || offset < 0 || offset + length > static_cast<int64_t>(bytes_.size()))
        return {};
    return std::span<const uint8_t>(bytes_).subspan(static_cast<size_t>(offset),
                                                    static_cast<size_t>(length));
}

} // namespace gripline
