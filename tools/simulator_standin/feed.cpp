#include "tools/simulator_standin/feed.h"

#include "common/file_bytes.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <algorithm>
#include <cstring>

namespace gripline::standin {

namespace {

std::string displayName(const std::filesystem::path& path) {
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::string displayPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool inside(int64_t offset, int64_t length, size_t size) {
    return offset >= 0 && length >= 0 && offset + length <= static_cast<int64_t>(size);
}

// An image is untrusted input: every part a reader will follow must lie
// inside it, or the reader under test would be judged on garbage.
bool checkImage(std::span<const uint8_t> bytes, std::string& error) {
    using namespace irsdk;
    if (bytes.size() < kHeaderSize) {
        error = "not a shared-memory image: shorter than its header";
        return false;
    }
    const int32_t numBuf = loadInt32(bytes, kNumBuf);
    const int32_t bufLen = loadInt32(bytes, kBufLen);
    const int64_t numVars = loadInt32(bytes, kNumVars);
    if (numBuf < 1 || numBuf > kMaxBuffers || bufLen <= 0 || numVars < 0 ||
        !inside(loadInt32(bytes, kVarHeaderOffset), numVars * int64_t{kVarHeaderSize},
                bytes.size()) ||
        !inside(loadInt32(bytes, kSessionInfoOffset), loadInt32(bytes, kSessionInfoLen),
                bytes.size())) {
        error = "damaged shared-memory image: header fields point outside the image";
        return false;
    }
    for (int i = 0; i < numBuf; ++i) {
        if (!inside(loadInt32(bytes, kVarBuf + kVarBufStride * i + kVarBufOffset), bufLen,
                    bytes.size())) {
            error = "damaged shared-memory image: data buffer " + std::to_string(i) +
                    " lies outside the image";
            return false;
        }
    }
    return true;
}

void storeInt32(std::span<uint8_t> block, size_t offset, int32_t value) {
    std::memcpy(block.data() + offset, &value, sizeof value);
}

} // namespace

TelemetryImage liveLayout(std::span<const uint8_t> varHeaders, int32_t numVars, int32_t bufLen) {
    return TelemetryImage(varHeaders, numVars, bufLen, kRotatingBuffers, kSessionCapacity);
}

size_t mappingSizeFor(size_t blockSize) {
    constexpr size_t kGranule = 64 * 1024; // the system's allocation granularity
    return std::max(kMinimumMappingSize, (blockSize + kGranule - 1) / kGranule * kGranule);
}

bool blockFits(size_t mappingSize, size_t blockSize, std::string& error) {
    if (blockSize <= mappingSize)
        return true;
    error = "the shared memory \"Local\\IRSDKMemMapFileName\" already exists with " +
            std::to_string(mappingSize) + " bytes, too small for this layout (" +
            std::to_string(blockSize) + " bytes): end the program that holds it open";
    return false;
}

bool Feed::loadIbt(const std::filesystem::path& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, error))
        return false;
    if (useIbt(std::move(bytes), displayName(path), error))
        return true;
    error = displayPath(path) + ": " + error;
    return false;
}

bool Feed::loadImage(const std::filesystem::path& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, error))
        return false;
    if (useImage(std::move(bytes), displayName(path), error))
        return true;
    error = displayPath(path) + ": " + error;
    return false;
}

bool Feed::useIbt(std::vector<uint8_t> bytes, std::string_view name, std::string& error) {
    if (!ibt_.parse(std::move(bytes), error))
        return false;
    if (ibt_.lineCount() == 0) {
        error = "telemetry file holds no lines";
        return false;
    }
    const std::span<const uint8_t> image = ibt_.image();
    const int32_t numVars = loadInt32(image, irsdk::kNumVars);
    const auto at = static_cast<size_t>(loadInt32(image, irsdk::kVarHeaderOffset));
    layout_ = liveLayout(image.subspan(at, static_cast<size_t>(numVars) * irsdk::kVarHeaderSize),
                         numVars, ibt_.lineLength());
    const std::span<const uint8_t> text = ibt_.sessionText();
    sessionText_.assign(text.begin(), text.end());
    description_ = "ibt " + std::string(name) + ": " + std::to_string(ibt_.lineCount()) + " lines";
    kind_ = Kind::Ibt;
    return true;
}

bool Feed::useImage(std::vector<uint8_t> bytes, std::string_view name, std::string& error) {
    if (!checkImage(bytes, error))
        return false;
    image_ = std::move(bytes);
    description_ = "image " + std::string(name) + ": " + std::to_string(image_.size()) + " bytes";
    kind_ = Kind::Image;
    return true;
}

bool Feed::loadSessionText(const std::filesystem::path& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, error))
        return false;
    if (useSessionText(std::string(bytes.begin(), bytes.end()), error))
        return true;
    error = displayPath(path) + ": " + error;
    return false;
}

bool Feed::useSessionText(std::string text, std::string& error) {
    if (!layout_) {
        error = "a session text can replace only a recording's or a scenario's own";
        return false;
    }
    // The text region keeps a terminating zero, as the simulator's does.
    if (text.size() >= static_cast<size_t>(kSessionCapacity)) {
        error = "session text of " + std::to_string(text.size()) +
                " bytes does not fit the simulator's " + std::to_string(kSessionCapacity - 1);
        return false;
    }
    sessionText_ = std::move(text);
    sessionTextGiven_ = true;
    return true;
}

bool Feed::loadScenario(std::string_view name, std::string& error) {
    if (!findScenarios(name, scenarios_, error))
        return false;
    layout_.emplace(standardTelemetryVars(), kRotatingBuffers, kSessionCapacity);
    line_ = layout_->newLine();
    scenarioTexts_.clear();
    for (const ScenarioInfo* scenario : scenarios_)
        scenarioTexts_.push_back(scenarioSessionText(*scenario->identity));
    sessionText_ = scenarioTexts_.front();
    sessionTextGiven_ = false;
    kind_ = Kind::Scenario;
    description_ =
        "scenario " + std::string(name) + ": " + std::to_string(lineCount()) + " lines";
    return true;
}

size_t Feed::blockSize() const {
    if (kind_ == Kind::Image)
        return image_.size();
    return layout_ ? layout_->size() : 0;
}

int32_t Feed::lineCount() const {
    switch (kind_) {
    case Kind::Ibt:
        return ibt_.lineCount();
    case Kind::Scenario:
        return kScenarioLines * static_cast<int32_t>(scenarios_.size());
    default:
        return 0;
    }
}

void Feed::prepare(std::span<uint8_t> block, bool connected) {
    if (kind_ == Kind::Image) {
        std::copy(image_.begin(), image_.end(), block.begin());
        std::fill(block.begin() + static_cast<ptrdiff_t>(image_.size()), block.end(), uint8_t{0});
        if (!connected)
            TelemetryImage::setConnected(block, false);
        return;
    }
    if (!layout_)
        return;
    const int32_t previousUpdate = loadInt32(block, irsdk::kSessionInfoUpdate);
    layout_->format(block);
    storeInt32(block, irsdk::kSessionInfoUpdate, previousUpdate);
    layout_->setSessionText(block, sessionText_);
    if (kind_ == Kind::Scenario)
        publishedIdentity_ = scenarios_.front()->identity;
    TelemetryImage::setConnected(block, connected);
}

void Feed::publish(std::span<uint8_t> block, int32_t lineIndex, int32_t tick) {
    if (kind_ == Kind::Ibt) {
        layout_->publishLine(block, ibt_.line(lineIndex), tick);
    } else if (kind_ == Kind::Scenario) {
        const auto index = static_cast<size_t>(lineIndex / kScenarioLines);
        const ScenarioInfo& scenario = *scenarios_[index];
        // The text goes out before the new session's first line, so a reader
        // never sees the new car's forces under the old car's name.
        if (!sessionTextGiven_ && *scenario.identity != *publishedIdentity_) {
            layout_->setSessionText(block, scenarioTexts_[index]);
            publishedIdentity_ = scenario.identity;
        }
        fillScenarioLine(scenario, lineIndex % kScenarioLines, tick, *layout_, line_);
        layout_->publishLine(block, line_, tick);
    }
}

} // namespace gripline::standin
