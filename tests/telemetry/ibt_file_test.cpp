#include "telemetry/ibt_file.h"

#include "common/file_bytes.h"
#include "telemetry/telemetry_variables.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

constexpr const char* kIbt = GRIPLINE_FIXTURES "/w13_spielberg_390ticks.ibt";

TEST(IbtFile, ReadsEveryStoredLineOfARecordedDrive) {
    IbtFile file;
    std::string error;
    ASSERT_TRUE(file.load(kIbt, error)) << error;
    EXPECT_EQ(file.lineCount(), 390);
    EXPECT_EQ(file.lineLength(), 1072);
    EXPECT_EQ(file.sessionText().size(), 13876u);

    const TelemetryVarIndices vars = resolveVariables(file.image());
    EXPECT_EQ(vars[static_cast<int>(TelemetryVar::LFshockDeflSt)], -1);
    TelemetrySnapshot s;
    decodeLine(file.image(), vars, file.line(389), 389, s);
    EXPECT_EQ(s.TickCount, 389);
    EXPECT_EQ(s.TorqueStCount, 6);
    EXPECT_EQ(s.ShockStCount, 0);
    EXPECT_TRUE(file.line(390).empty());
    EXPECT_TRUE(file.line(-1).empty());
}

TEST(IbtFile, RejectsTruncatedAndForeignFiles) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readFileBytes(kIbt, bytes, error));

    IbtFile file;
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 100);
    EXPECT_FALSE(file.parse(cut, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_EQ(file.lineCount(), 0);

    EXPECT_FALSE(file.parse(std::vector<uint8_t>(50, 0), error));
    std::vector<uint8_t> noVars(bytes.begin(), bytes.begin() + 2000);
    EXPECT_FALSE(file.parse(noVars, error)) << "variable headers run past the end";
    EXPECT_FALSE(file.load("/nonexistent/file.ibt", error));
}

} // namespace
} // namespace gripline
