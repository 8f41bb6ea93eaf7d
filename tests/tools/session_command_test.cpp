// `gripline session` through the tool's dispatcher: the three kinds of file,
// the fallback line and JSON that stays valid whatever the names hold.
#include "common/file_bytes.h"
#include "telemetry/telemetry_layout.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = GRIPLINE_FIXTURES;

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result session(const fs::path& file) {
    std::ostringstream out, err;
    const std::vector<fs::path> args = {"session", file};
    const int code = gripline::cli::runGripline(args, out, err);
    return {code, out.str(), err.str()};
}

class SessionCommand : public ::testing::Test {
  protected:
    fs::path write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    gripline::test::ScratchFolder scratch_{"gripline_session"};
    const fs::path dir_ = scratch_.path();
};

TEST_F(SessionCommand, RealSessionTextTelemetryFileAndSharedMemoryImage) {
    const std::string w13 =
        "{\"Found\": true, \"CarPath\": \"mercedesw13\", \"DriverName\": "
        "\"Driver 0\", \"DriverUserId\": 450313, \"IdentityConsistent\": true, ";
    const struct {
        const char* file;
        std::string json;
    } cases[] = {
        {"session_f4_tsukuba.yaml",
         "{\"Found\": true, \"CarPath\": \"formulair04\", \"DriverName\": \"Test Dr\xC3\xAFver\", "
         "\"DriverUserId\": 700063, \"IdentityConsistent\": true, \"TrackName\": \"tsukuba "
         "2kfull\", \"TrackDisplayName\": \"Tsukuba Circuit 2k Full\"}\n"},
        {"w13_spielberg_390ticks.ibt",
         w13 + "\"TrackName\": \"spielberg gp\", \"TrackDisplayName\": \"Red Bull Ring\"}\n"},
        {"irsdk_live_w13_monza.bin", w13 + "\"TrackName\": \"monza full\", \"TrackDisplayName\": "
                                           "\"Autodromo Nazionale Monza\"}\n"},
    };
    for (const auto& c : cases) {
        const Result r = session(kFixtures / c.file);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.json) << c.file;
    }
}

TEST_F(SessionCommand, UpperCaseExtensionIsStillATelemetryFile) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(gripline::readFileBytes(kFixtures / "w13_spielberg_390ticks.ibt", bytes, error));
    const fs::path copy = write("DRIVE.IBT", std::string(bytes.begin(), bytes.end()));
    EXPECT_NE(session(copy).out.find("\"mercedesw13\""), std::string::npos);

    // A damaged recording is an error, not a guess at another kind of file.
    const fs::path cut = write("cut.ibt", std::string(bytes.begin(), bytes.begin() + 5000));
    const Result r = session(cut);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("gripline: ", 0), 0u) << r.err;
}

TEST_F(SessionCommand, NothingFoundPrintsTheEnginesFallback) {
    const std::string fallback = "{\"Found\": false, \"CarPath\": \"generic\", \"DriverName\": "
                                 "\"unknown\", \"DriverUserId\": 0, \"IdentityConsistent\": true, "
                                 "\"TrackName\": \"\", \"TrackDisplayName\": \"\"}\n";
    EXPECT_EQ(session(write("empty.yaml", "")).out, fallback);
    const Result r = session(write("no-car.yaml", "DriverUserName: Someone\nDriverUserID: 5\n"
                                                  "DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n"
                                                  "  UserName: Someone\n"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, fallback) << "a name without a car path is not shown";
}

TEST_F(SessionCommand, ImageIsRecognisedByItsHeaderWhateverItsName) {
    // A header that places its text after itself inside the file.
    const std::string text = "DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n  CarPath: from-image\n";
    std::string image(gripline::irsdk::kHeaderSize + 8, '\0');
    const int32_t offset = static_cast<int32_t>(gripline::irsdk::kHeaderSize + 8);
    const auto length = static_cast<int32_t>(text.size());
    std::memcpy(image.data() + gripline::irsdk::kSessionInfoOffset, &offset, 4);
    std::memcpy(image.data() + gripline::irsdk::kSessionInfoLen, &length, 4);
    image += text + std::string(64, '\0');
    EXPECT_NE(session(write("block.yaml", image)).out.find("\"from-image\""), std::string::npos);

    // A header whose text would reach past the end: the file is taken as text.
    const int32_t tooLong = length + 1000;
    std::memcpy(image.data() + gripline::irsdk::kSessionInfoLen, &tooLong, 4);
    EXPECT_NE(session(write("short.bin", image)).out.find("\"Found\": false"), std::string::npos);
}

TEST_F(SessionCommand, NamesAreEscapedAsJsonStrings) {
    const Result r = session(write("odd.yaml", "DriverUserName: A \\\"B\\\\C\\\"\x01\tD\x7F\n"
                                               "DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n"
                                               "  CarPath: a\\\\b\n"));
    EXPECT_EQ(r.out,
              "{\"Found\": true, \"CarPath\": \"a\\\\\\\\b\", \"DriverName\": "
              "\"A \\\\\\\"B\\\\\\\\C\\\\\\\"\\u0001\\tD\x7F\", \"DriverUserId\": 0, "
              "\"IdentityConsistent\": true, \"TrackName\": \"\", \"TrackDisplayName\": \"\"}\n");
}

TEST_F(SessionCommand, MissingFileDirectoryAndBadUsageAreErrors) {
    for (const fs::path& file : {dir_ / "missing.yaml", dir_}) {
        const Result r = session(file);
        EXPECT_EQ(r.code, 1) << file;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("gripline: ", 0), 0u) << r.err;
    }
    std::ostringstream out, err;
    const std::vector<fs::path> none = {"session"};
    EXPECT_EQ(gripline::cli::runGripline(none, out, err), 1);
    EXPECT_EQ(err.str(), "gripline: usage: gripline session FILE\n");
}

} // namespace
