#include "telemetry/session_scanner.h"

#include "common/file_bytes.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace gripline {
namespace {

using namespace std::string_view_literals;

constexpr const char* kF4Session = GRIPLINE_FIXTURES "/session_f4_tsukuba.yaml";

bool scanText(std::string_view text, SessionIdentity& identity) {
    return scanSessionInfo(reinterpret_cast<const uint8_t*>(text.data()), text.size(), identity);
}

SessionIdentity scanned(std::string_view text) {
    SessionIdentity identity;
    EXPECT_TRUE(scanText(text, identity)) << text;
    return identity;
}

// A driver list in the simulator's form; the user drives car 2, the third
// entry.
constexpr std::string_view kThreeCars = "DriverInfo:\n"
                                        " DriverCarIdx: 2\n"
                                        " DriverUserID: 300\n"
                                        " Drivers:\n"
                                        " - CarIdx: 0\n"
                                        "   UserName: Pace Car\n"
                                        "   UserID: -1\n"
                                        "   CarPath: safety pcporsche911cup\n"
                                        " - CarIdx: 1\n"
                                        "   UserName: Other Driver\n"
                                        "   UserID: 100\n"
                                        "   CarPath: mx5 mx52016\n"
                                        " - CarIdx: 2\n"
                                        "   UserName: Own Driver\n"
                                        "   UserID: 300\n"
                                        "   CarPath: formulair04\n"
                                        " - CarIdx: 3\n"
                                        "   UserName: Later Driver\n"
                                        "   UserID: 400\n"
                                        "   CarPath: dallarap217\n";

TEST(SessionScanner, RealF4SessionFindsTheLastEntryAndItsWindows1252Name) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readFileBytes(kF4Session, bytes, error)) << error;
    SessionIdentity identity;
    ASSERT_TRUE(scanSessionInfo(bytes.data(), bytes.size(), identity));
    EXPECT_EQ(identity.CarPath, L"formulair04");
    // The name's 0xEF byte is no valid UTF-8; in Windows-1252 it is "ï".
    EXPECT_EQ(identity.DriverName, L"Test Dr\u00EFver");
    EXPECT_EQ(identity.DriverUserId, 700063);
    EXPECT_TRUE(identity.IdentityConsistent);
}

TEST(SessionScanner, RealSessionTextsOfTheTelemetryFileAndTheLiveBlock) {
    // The file gives its text's exact length; the live block gives the
    // length of its whole 512 KiB text region, zero-padded after the text.
    IbtFile ibt;
    std::string error;
    ASSERT_TRUE(ibt.load(GRIPLINE_FIXTURES "/w13_spielberg_390ticks.ibt", error)) << error;
    SessionIdentity fromFile;
    ASSERT_TRUE(scanSessionInfo(ibt.sessionText().data(), ibt.sessionText().size(), fromFile));
    EXPECT_EQ(fromFile.CarPath, L"mercedesw13");
    EXPECT_EQ(fromFile.DriverName, L"Driver 0") << "the name's trailing spaces are trimmed";
    EXPECT_EQ(fromFile.DriverUserId, 450313);

    std::vector<uint8_t> image;
    ASSERT_TRUE(readFileBytes(GRIPLINE_FIXTURES "/irsdk_live_w13_monza.bin", image, error));
    BufferTelemetrySource source(std::move(image));
    TelemetryReader reader(source);
    ASSERT_TRUE(reader.open());
    ASSERT_EQ(reader.sessionText().size(), 524288u);
    SessionIdentity fromBlock;
    ASSERT_TRUE(scanSessionInfo(reader.sessionText().data(), reader.sessionText().size(), fromBlock));
    EXPECT_EQ(fromBlock.CarPath, L"mercedesw13");
    EXPECT_EQ(fromBlock.DriverName, L"Driver 0");
}

TEST(SessionScanner, StopsReadingAtTheEntryAfterTheUsersOwn) {
    // A later list that names car 2 again is never read.
    const std::string text = std::string(kThreeCars) + "SplitTimeInfo:\n"
                                                       " - CarIdx: 2\n"
                                                       "   CarPath: not-the-drivers-car\n"
                                                       "   UserName: Not The Driver\n";
    const SessionIdentity identity = scanned(text);
    EXPECT_EQ(identity.CarPath, L"formulair04");
    EXPECT_EQ(identity.DriverName, L"Own Driver");
    EXPECT_EQ(identity.DriverUserId, 300);
    EXPECT_TRUE(identity.IdentityConsistent);
}

TEST(SessionScanner, TrackComesFromWeekendInfoWhereverItStands) {
    // After the driver list, and a track key of another section ignored.
    const std::string text = "OtherInfo:\n TrackName: not this one\n" + std::string(kThreeCars) +
                             "WeekendInfo:\n TrackName: tsukuba 2kfull\n TrackID: 324\n"
                             " TrackDisplayName: \"Tsukuba Circuit 2k Full\"\n";
    const SessionIdentity identity = scanned(text);
    EXPECT_EQ(identity.CarPath, L"formulair04");
    EXPECT_EQ(identity.TrackName, L"tsukuba 2kfull");
    EXPECT_EQ(identity.TrackDisplayName, L"Tsukuba Circuit 2k Full");
    EXPECT_EQ(scanned(kThreeCars).TrackName, L"") << "no WeekendInfo: unknown";
}

TEST(SessionScanner, EntryFormsOrderAndQuotesAsTheSimulatorMayWriteThem) {
    // "CarIdx:" without the list dash, CRLF line ends, the user's index given
    // only after the list began, result lists naming car indices before the
    // driver list, and quoted values.
    const SessionIdentity identity = scanned("Results:\r\n"
                                             " - CarIdx: 1\r\n"
                                             "   CarPath: from-results\r\n"
                                             "Drivers:\r\n"
                                             "DriverCarIdx: 1\r\n"
                                             "  CarIdx: 0\r\n"
                                             "  CarPath: pace\r\n"
                                             "  CarIdx: 1\r\n"
                                             "  UserName: \"Quoted Name\"\r\n"
                                             "  CarPath: \"mx5 mx52016\"\r\n");
    EXPECT_EQ(identity.CarPath, L"mx5 mx52016");
    EXPECT_EQ(identity.DriverName, L"Quoted Name");
}

TEST(SessionScanner, WhichNameAndIdAreShownAndWhetherTheyAgree) {
    // The session's own user name wins over the entry's.
    SessionIdentity identity = scanned("DriverUserName: Session Name\n"
                                       "DriverUserID: 0\n"
                                       "DriverCarIdx: 0\n"
                                       "Drivers:\n"
                                       "- CarIdx: 0\n"
                                       "  UserName: Entry Name\n"
                                       "  UserID: 77\n"
                                       "  CarPath: car\n");
    EXPECT_EQ(identity.DriverName, L"Session Name");
    EXPECT_EQ(identity.DriverUserId, 77) << "a driver user id of 0 falls back to the entry's";
    EXPECT_TRUE(identity.IdentityConsistent);

    // Ids that differ: doubtful only when no session user name settles it.
    constexpr std::string_view kDiffering = "DriverUserID: 5\n"
                                            "DriverCarIdx: 0\n"
                                            "Drivers:\n"
                                            "- CarIdx: 0\n"
                                            "  UserID: 6\n"
                                            "  CarPath: car\n";
    identity = scanned(kDiffering);
    EXPECT_FALSE(identity.IdentityConsistent);
    EXPECT_EQ(identity.DriverUserId, 5);
    EXPECT_EQ(identity.DriverName, L"unknown") << "no name anywhere";
    identity = scanned("DriverUserName: Someone\n" + std::string(kDiffering));
    EXPECT_TRUE(identity.IdentityConsistent);
}

TEST(SessionScanner, TextsWithoutTheUsersCarLeaveTheIdentityAlone) {
    const SessionIdentity before{L"kept", L"kept", 9, false};
    const auto fails = [&](std::string_view text) {
        SessionIdentity identity = before;
        const bool found = scanText(text, identity);
        EXPECT_EQ(identity.CarPath, L"kept") << text;
        EXPECT_EQ(identity.DriverUserId, 9) << text;
        return !found;
    };
    EXPECT_TRUE(fails(""));
    EXPECT_TRUE(fails("Drivers:\n- CarIdx: 0\n  CarPath: car\n")) << "no DriverCarIdx";
    EXPECT_TRUE(fails("DriverCarIdx: 0\n- CarIdx: 0\n  CarPath: car\n")) << "no Drivers:";
    EXPECT_TRUE(fails("DriverCarIdx: 4\nDrivers:\n- CarIdx: 0\n  CarPath: car\n"))
        << "no matching entry";
    EXPECT_TRUE(fails("DriverUserName: Name\nDriverUserID: 3\nDriverCarIdx: 0\nDrivers:\n"
                      "- CarIdx: 0\n  UserName: Name\n  UserID: 3\n"))
        << "own entry without a car path";
    EXPECT_TRUE(fails("DriverCarIdx: -1\nDrivers:\n- CarIdx: 0\n  CarPath: car\n"))
        << "a negative car index counts as absent";
    EXPECT_TRUE(fails("DriverCarIdx: 99999999999\nDrivers:\n- CarIdx: 0\n  CarPath: car\n"))
        << "a car index beyond 32 bits must not wrap onto another entry";

    // A zero byte ends the text, as in the simulator's zero-padded region.
    EXPECT_TRUE(fails("DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n\0\n  CarPath: car\n"sv));
}

TEST(SessionScanner, ZeroPaddingAfterTheLastLineIsNoPartOfIt) {
    const SessionIdentity identity =
        scanned("DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n  CarPath: car\0\0\0\0"sv);
    EXPECT_EQ(identity.CarPath, L"car");
}

TEST(SessionScanner, CarIndexWithoutDigitsCountsAsCarZero) {
    const SessionIdentity identity = scanned("DriverCarIdx: 0\n"
                                             "Drivers:\n"
                                             "- CarIdx: x\n"
                                             "  CarPath: first\n"
                                             "- CarIdx: 1\n"
                                             "  CarPath: second\n");
    EXPECT_EQ(identity.CarPath, L"first");
}

TEST(SessionScannerLines, TrimValueIntAndValueText) {
    EXPECT_EQ(trimSessionValue(" \t\"a b\"\r\n"), "a b");
    EXPECT_EQ(trimSessionValue(" \"\" "), "");

    EXPECT_EQ(valueInt("DriverCarIdx: 12", "DriverCarIdx:"), 12);
    EXPECT_EQ(valueInt("  DriverCarIdx:   12abc \r", "DriverCarIdx:"), 12) << "leading digits";
    EXPECT_EQ(valueInt("DriverCarIdx: -3", "DriverCarIdx:"), -3);
    EXPECT_EQ(valueInt("DriverCarIdx: +3", "DriverCarIdx:"), 3);
    EXPECT_EQ(valueInt("DriverCarIdx: abc", "DriverCarIdx:"), 0) << "no digits";
    EXPECT_EQ(valueInt("DriverCarIdx:", "DriverCarIdx:"), 0);
    EXPECT_EQ(valueInt("DriverCarIdx: 3000000000", "DriverCarIdx:"), 2147483647);
    EXPECT_EQ(valueInt("DriverCarIdx: -3000000000", "DriverCarIdx:"), -2147483647 - 1);
    EXPECT_EQ(valueInt("CarIdx", "CarIdx:"), -1) << "shorter than the key";
    EXPECT_EQ(valueInt("DriverCarIdx: 5", "CarIdx:"), -1) << "the key must start the line";
    EXPECT_EQ(valueInt("CarIdxLicStatus: 5", "CarIdx:"), -1);

    std::string out = "old";
    EXPECT_FALSE(valueText("TeamName: x", "UserName:", out));
    EXPECT_EQ(out, "old");
    EXPECT_TRUE(valueText("UserName:   \"Name  \"  ", "UserName:", out));
    EXPECT_EQ(out, "Name");
    EXPECT_TRUE(valueText("UserName:", "UserName:", out));
    EXPECT_EQ(out, "");
}

TEST(SessionScannerLines, ToWideTakesUtf8ThenWindows1252) {
    EXPECT_EQ(toWide(""), L"generic");
    EXPECT_EQ(toWide("mx5 mx52016"), L"mx5 mx52016");
    EXPECT_EQ(toWide("J\xC3\xBCrgen \xE2\x82\xAC"), L"J\u00FCrgen \u20AC") << "UTF-8";
    EXPECT_EQ(toWide("J\xFCrgen \x80"), L"J\u00FCrgen \u20AC") << "Windows-1252";
    EXPECT_EQ(toWide("\xC3"), L"\u00C3") << "a truncated UTF-8 sequence is a 1252 character";
}

} // namespace
} // namespace gripline
