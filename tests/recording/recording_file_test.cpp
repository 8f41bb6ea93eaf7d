#include "recording/recording_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace gripline {
namespace {

std::filesystem::path testFile() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    auto dir = std::filesystem::temp_directory_path() / "gripline-recording-tests";
    std::filesystem::create_directories(dir);
    return dir / (std::string(info->name()) + ".kvtrec");
}

RecordingSample sampleAtTick(int32_t tick) {
    RecordingSample sample{};
    sample.TickCount = tick;
    sample.TimeUs = static_cast<uint64_t>(tick) * 16667;
    sample.FinalForce = 1.5f * static_cast<float>(tick);
    return sample;
}

// Writes a header, whole samples and `tailBytes` bytes of a cut sample.
std::filesystem::path writeRecording(const RecordingHeader& header, int samples,
                                     size_t tailBytes = 0) {
    const auto path = testFile();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    for (int i = 0; i < samples; ++i) {
        const RecordingSample sample = sampleAtTick(100 + i);
        out.write(reinterpret_cast<const char*>(&sample), sizeof sample);
    }
    const std::string tail(tailBytes, '\x7f');
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    return path;
}

struct Loaded {
    bool ok;
    RecordingHeader header;
    std::vector<RecordingSample> samples;
    std::string error;
};

Loaded load(const std::filesystem::path& path) {
    Loaded result{};
    result.ok = loadRecording(path, result.header, result.samples, result.error);
    return result;
}

TEST(RecordingFile, SampleCountComesFromTheSizeAndIgnoresACutLastSample) {
    const RecordingHeader header = makeRecordingHeader();

    EXPECT_EQ(load(writeRecording(header, 0)).error, "The recording contains no telemetry samples.");
    EXPECT_EQ(load(writeRecording(header, 0, 87)).error,
              "The recording contains no telemetry samples.");

    const Loaded two = load(writeRecording(header, 2, 40));
    ASSERT_TRUE(two.ok) << two.error;
    ASSERT_EQ(two.samples.size(), 2u);
    EXPECT_EQ(two.samples[0].TickCount, 100);
    EXPECT_EQ(two.samples[1].TickCount, 101);
    EXPECT_EQ(two.samples[1].FinalForce, 151.5f);
}

TEST(RecordingFile, RefusesWhatIsNotARecordingOrNotThisFormat) {
    EXPECT_EQ(load(testFile() / "missing").error, "Could not open recording.");
    EXPECT_EQ(load(testFile().parent_path()).error, "Could not open recording.");

    RecordingHeader header = makeRecordingHeader();
    const auto shortPath = testFile();
    std::ofstream(shortPath, std::ios::binary).write(reinterpret_cast<const char*>(&header), 379);
    EXPECT_EQ(load(shortPath).error, "This is not a valid Torvix telemetry recording.");

    header.Magic[6] = '2';
    EXPECT_EQ(load(writeRecording(header, 3)).error,
              "This is not a valid Torvix telemetry recording.");

    header = makeRecordingHeader();
    header.Version = 3;
    EXPECT_EQ(load(writeRecording(header, 3)).error,
              "The recording format is not supported by this Analyzer version.");
    header.Version = 2;
    header.SampleSize = 96;
    EXPECT_EQ(load(writeRecording(header, 3)).error,
              "The recording format is not supported by this Analyzer version.");
}

TEST(RecordingFile, MoreThanTwoDaysOfSamplesIsRefusedNotLoaded) {
    const auto path = writeRecording(makeRecordingHeader(), 1);
    const uint64_t twoDays = 48ull * 3600 * 60;
    std::error_code ec;
    std::filesystem::resize_file(path, kRecordingHeaderSize + (twoDays + 1) * kRecordingSampleSize,
                                 ec); // sparse: no disk is used
    if (ec)
        GTEST_SKIP() << "no sparse file here: " << ec.message();
    const Loaded loaded = load(path);
    std::filesystem::remove(path);
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(loaded.error, "The recording is too large to open.");
    EXPECT_TRUE(loaded.samples.empty());
}

TEST(RecordingFile, HeaderSizeAndTickRateAreNotTrusted) {
    RecordingHeader header = makeRecordingHeader();
    header.HeaderSize = 512;
    header.TickRateHz = 0;
    const Loaded loaded = load(writeRecording(header, 1));
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.samples[0].TickCount, 100);
}

TEST(RecordingFile, VersionOneReportsTheRoadTextureAsImpactTextureToo) {
    RecordingHeader header = makeRecordingHeader();
    header.Version = 1;
    header.Bumps = 35;
    header.BumpImpacts = 0;
    EXPECT_EQ(load(writeRecording(header, 1)).header.BumpImpacts, 35);

    header.Version = 2;
    EXPECT_EQ(load(writeRecording(header, 1)).header.BumpImpacts, 0);
}

TEST(RecordingText, LongNamesAreCutAtAWholeCharacterAndAlwaysEndInZero) {
    RecordingHeader header = makeRecordingHeader();

    // 31 two-byte characters plus "ab": the 63-byte limit falls right
    // after the "a", between two whole characters.
    std::string name;
    for (int i = 0; i < 31; ++i) name += "\xc3\xa9";
    setRecordingText(header.DriverName, name + "ab");
    EXPECT_EQ(recordingText(header.DriverName), name + "a");
    EXPECT_EQ(header.DriverName[63], '\0');

    // "a" then 35 two-byte characters: byte 63 would start half of one.
    std::string odd = "a";
    for (int i = 0; i < 35; ++i) odd += "\xd0\x96";
    setRecordingText(header.DriverName, odd);
    EXPECT_EQ(recordingText(header.DriverName), odd.substr(0, 63));
    EXPECT_EQ(recordingText(header.DriverName).size(), 63u);

    std::string even;
    for (int i = 0; i < 35; ++i) even += "\xd0\x96";
    setRecordingText(header.DriverName, even);
    EXPECT_EQ(recordingText(header.DriverName), even.substr(0, 62));
    EXPECT_EQ(header.DriverName[62], '\0');
    EXPECT_EQ(header.DriverName[63], '\0');

    setRecordingText(header.CarName, "");
    for (char byte : header.CarName) EXPECT_EQ(byte, '\0');
}

} // namespace
} // namespace gripline
