// The real Analyzer under Wine + Xvfb: started on recordings, its report
// compared with `gripline analyze`, its boxes ticked, and "Use advise"
// handing the advice file to a stand-in for the force-feedback program.
#include "common/unicode_text.h"
#include "settings/advice_file.h"
#include "settings/apply_advice.h"
#include "settings/profile_store_win32.h"
#include "tests/analyzer/synthetic_drive.h"
#include "tests/analyzer_window/analyzer_driver_win32.h"
#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace gripline::test {
namespace {

namespace fs = std::filesystem;

const fs::path kWork = fs::path(GRIPLINE_TEST_WORKDIR);
const std::wstring kVersioned = L"Torvix-Commercial-v0.1.0.134.exe";
const std::wstring kPlain = L"Torvix_Commercial.exe";

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Recordings shared by every test, made once: the replayed fixture through
// the real command-line tool, the same cut after 87 bytes of its first
// sample, and a made-up drive whose steady corners give a coefficient fit.
class Recordings {
  public:
    static const Recordings& get() {
        static Recordings r;
        return r;
    }
    std::wstring Replayed, Cut, Fitted;
    std::wstring ExpectedReport; // `gripline analyze` of the replayed one
    bool Ok = false;

  private:
    Recordings() {
        fs::create_directories(kWork);
        Replayed = windowsPath(kWork / "spielberg.kvtrec");
        Cut = windowsPath(kWork / "cut.kvtrec");
        Fitted = windowsPath(kWork / "fitted.kvtrec");
        const std::wstring tool = L"\"" + windowsPath(GRIPLINE_CLI_EXE) + L"\"";
        const std::wstring ibt =
            windowsPath(fs::path(GRIPLINE_FIXTURES) / "w13_spielberg_390ticks.ibt");
        const std::wstring report = windowsPath(kWork / "report.txt");
        if (runTool(tool + L" replay \"" + ibt + L"\" --record \"" + Replayed + L"\"",
                    windowsPath(kWork / "replay.txt")) != 0 ||
            runTool(tool + L" analyze \"" + Replayed + L"\"", report) != 0)
            return;
        ExpectedReport = utf8ToWide(fileBytes(report));
        const std::string bytes = fileBytes(Replayed);
        std::ofstream(fs::path(Cut), std::ios::binary).write(bytes.data(), 380 + 87);

        RecordingHeader header = ordinaryHeader();
        header.YawRateMultiplier = 50.0f;
        header.LateralAccelDivisor = 100.0f;
        const std::vector<RecordingSample> drive = cornerDrive(4000, {1.25f, 0.9f, 0.03f}, 0.4f);
        std::ofstream fitted(fs::path(Fitted), std::ios::binary);
        fitted.write(reinterpret_cast<const char*>(&header), sizeof(header));
        fitted.write(reinterpret_cast<const char*>(drive.data()),
                     static_cast<std::streamsize>(drive.size() * sizeof(RecordingSample)));
        Ok = fitted.good() && !ExpectedReport.empty();
    }
};

class AnalyzerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Recordings::get().Ok) << "gripline replay/analyze failed; see " << kWork;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = kWork / info->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(GRIPLINE_ANALYZER_EXE, folder_ / "Torvix Commercial Analyzer.exe");
    }

    void addStandIn(const std::wstring& name) {
        fs::copy_file(GRIPLINE_STANDIN_EXE, folder_ / name);
    }

    HWND start(const std::wstring& recording) {
        const std::wstring exe = windowsPath(folder_ / "Torvix Commercial Analyzer.exe");
        if (!analyzer_.start(exe, recording.empty() ? L"" : L"\"" + recording + L"\""))
            return nullptr;
        return analyzer_.waitForWindow();
    }

    HWND item(int id) const { return GetDlgItem(analyzer_.window, id); }
    HWND box(AdviceItem a) const { return item(102 + static_cast<int>(a)); }
    HWND report() const { return FindWindowExW(analyzer_.window, nullptr, L"Edit", nullptr); }
    HWND statusLabel() const {
        HWND title = FindWindowExW(analyzer_.window, nullptr, L"Static", nullptr);
        return FindWindowExW(analyzer_.window, title, L"Static", nullptr);
    }
    bool ticked(HWND b) const { return SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED; }

    // Waited for: a load sets the boxes after its report, or after its
    // message box has closed.
    void expectBoxes(bool profile, bool coefficients) {
        const auto boxIs = [&](int i) {
            const bool on = i < 6 ? profile : coefficients;
            return (IsWindowEnabled(item(102 + i)) != 0) == on && ticked(item(102 + i)) == on;
        };
        waitFor([&] {
            for (int i = 0; i < 11; ++i)
                if (!boxIs(i))
                    return false;
            return true;
        });
        for (int i = 0; i < 11; ++i) {
            const bool on = i < 6 ? profile : coefficients;
            EXPECT_EQ(IsWindowEnabled(item(102 + i)) != 0, on) << "box " << 102 + i;
            EXPECT_EQ(ticked(item(102 + i)), on) << "box " << 102 + i;
        }
    }
    // The Use advise button, once it has settled: the last thing a load sets.
    bool adviceOffered(bool offered) const {
        return waitFor([&] { return (IsWindowEnabled(item(101)) != 0) == offered; });
    }

    // The message box the last action opened: its text, then closed.
    std::wstring takeMessage() {
        HWND box = waitForMessageBox(analyzer_);
        if (!box)
            return L"<no message box>";
        const std::wstring text = windowText(box) + L"|" + messageBoxText(box);
        dismiss(box);
        return text;
    }

    // Presses "Use advise"; the stand-in's record of its start, once written.
    std::string useAdvice() {
        postClick(item(101));
        EXPECT_EQ(takeMessage(), L"Gripline Analyzer|The analyzer advice was sent to Torvix.");
        // Readable only once the stand-in has closed it (it shares nothing),
        // and then whole: it is written at once.
        std::string bytes;
        waitFor([&] { return !(bytes = fileBytes(folder_ / "started.txt")).empty(); });
        return bytes;
    }

    fs::path folder_;
    AnalyzerProcess analyzer_;
};

TEST_F(AnalyzerWindowTest, ShowsTheReportOfAReplayedDriveAndSendsProfileAdvice) {
    const Recordings& r = Recordings::get();
    addStandIn(kVersioned);
    addStandIn(kPlain);
    HWND window = start(r.Replayed);
    ASSERT_TRUE(window);
    EXPECT_EQ(windowText(window), L"Gripline Analyzer v0.1.0.134");
    ASSERT_TRUE(waitFor([&] { return !windowText(report()).empty(); }));
    EXPECT_EQ(windowText(report()), r.ExpectedReport);
    EXPECT_EQ(windowText(statusLabel()), r.Replayed);
    expectBoxes(true, false); // the fixture is too short for a fit
    EXPECT_TRUE(IsWindowEnabled(item(101)));
    EXPECT_TRUE(screenshot(window, windowsPath(kWork / "analyzer_report.png")));

    for (AdviceItem a : {AdviceItem::ForceStrength, AdviceItem::CarForceBalance,
                         AdviceItem::RoadTexture, AdviceItem::ImpactTexture,
                         AdviceItem::SuspensionDetailPriority, AdviceItem::AbsVibration})
        click(box(a));
    EXPECT_FALSE(IsWindowEnabled(item(101))) << "nothing ticked, nothing to send";
    click(box(AdviceItem::CarForceBalance));
    ASSERT_TRUE(IsWindowEnabled(item(101)));

    const std::string started = useAdvice();
    EXPECT_NE(started.find("Torvix-Commercial-v0.1.0.134.exe\n"), std::string::npos) << started;
    EXPECT_NE(started.find("--apply-advice \""), std::string::npos) << started;
    Win32ProfileStore store;
    const fs::path received = folder_ / "received-advice.ini";
    const auto advice = readAdvice(store, received);
    ASSERT_TRUE(advice) << started;
    EXPECT_FALSE(advice->Advice.HasCoefficientAdvice);
    EXPECT_EQ(store.readString(received, L"Advice", L"YawRateMultiplierTenth", L"absent", 32),
              L"absent");
    EXPECT_EQ(advice->CarKey, L"mercedesw13");
    EXPECT_EQ(advice->Advice.CarForceBalance, 150);
    EXPECT_EQ(advice->Advice.ForceStrength, 100);
    EXPECT_TRUE(advice->Choice.ticked(AdviceItem::CarForceBalance));
    EXPECT_FALSE(advice->Choice.ticked(AdviceItem::ForceStrength));
    EXPECT_FALSE(advice->Choice.anyCoefficient());
    EXPECT_EQ(analyzer_.close(), 0);
}

TEST_F(AnalyzerWindowTest, RefusesARecordingWithoutAWholeSample) {
    HWND window = start(Recordings::get().Cut);
    ASSERT_TRUE(window);
    EXPECT_EQ(takeMessage(), L"Gripline Analyzer|The recording contains no telemetry samples.");
    EXPECT_EQ(windowText(report()), L"");
    EXPECT_EQ(windowText(statusLabel()),
              L"Open a .kvtrec recording to generate an analysis report.");
    expectBoxes(false, false);
    EXPECT_TRUE(adviceOffered(false));
    EXPECT_EQ(analyzer_.close(), 0);
}

// The only way to a second recording is the real open dialog: its file name
// field is filled and confirmed by messages.
TEST_F(AnalyzerWindowTest, AFailedLoadKeepsTheOldReportButOffersNoAdvice) {
    const Recordings& r = Recordings::get();
    ASSERT_TRUE(start(r.Replayed));
    ASSERT_TRUE(waitFor([&] { return !windowText(report()).empty(); }));
    postClick(item(100));
    HWND dialog = waitForMessageBox(analyzer_);
    ASSERT_TRUE(dialog);
    SetDlgItemTextW(dialog, 0x480, r.Cut.c_str()); // the file name field (edt1)
    SetDlgItemTextW(dialog, 0x47c, r.Cut.c_str()); // or, in the newer layout, cmb13
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(takeMessage(), L"Gripline Analyzer|The recording contains no telemetry samples.");
    EXPECT_EQ(windowText(report()), r.ExpectedReport);
    EXPECT_EQ(windowText(statusLabel()), r.Replayed);
    expectBoxes(false, false);
    EXPECT_TRUE(adviceOffered(false));
    EXPECT_EQ(analyzer_.close(), 0);
}

TEST_F(AnalyzerWindowTest, AFittedDriveOffersAndSendsTheCoefficients) {
    addStandIn(kPlain);
    ASSERT_TRUE(start(Recordings::get().Fitted));
    ASSERT_TRUE(waitFor([&] { return !windowText(report()).empty(); }));
    expectBoxes(true, true);
    click(box(AdviceItem::YawSteerGain));

    const std::string started = useAdvice();
    EXPECT_NE(started.find("\\Torvix_Commercial.exe\n"), std::string::npos) << started;
    Win32ProfileStore store;
    const auto advice = readAdvice(store, folder_ / "received-advice.ini");
    ASSERT_TRUE(advice);
    EXPECT_TRUE(advice->Advice.HasCoefficientAdvice);
    EXPECT_EQ(advice->Advice.YawRateMultiplier, 50.0f);
    EXPECT_FALSE(advice->Choice.ticked(AdviceItem::YawSteerGain));
    EXPECT_TRUE(advice->Choice.ticked(AdviceItem::SteerMarginBias));
    EXPECT_EQ(advice->CarKey, L"mercedesw13");
    EXPECT_EQ(analyzer_.close(), 0);

    // What the force-feedback program makes of it, on a settings file of its own.
    SettingsState state;
    RecordingView view;
    RecordingEngine engine;
    const fs::path settings = folder_ / "Torvix_profiles.ini";
    SettingsKeeper keeper(state, SettingsFile(store, settings), view, engine);
    keeper.loadCoefficients();
    keeper.loadProfiles();
    ASSERT_TRUE(applyAdviceFile({state, keeper, view, store, {}}, folder_ / "received-advice.ini"));
    EXPECT_EQ(view.Lines.back(), L"Analyzer advice applied to profile Race for car mercedesw13.");
    EXPECT_FALSE(fs::exists(folder_ / "received-advice.ini"));
    ASSERT_EQ(state.CustomCars.size(), 1u);
    EXPECT_EQ(state.CustomCars[0].Values.YawRateMultiplier, 50.0f);
    EXPECT_EQ(store.readString(settings, L"Coefficient0", L"YawRateMultiplierTenth", L"", 32),
              L"500");
}

TEST_F(AnalyzerWindowTest, SaysSoWhenTheProgramIsNotBesideIt) {
    ASSERT_TRUE(start(Recordings::get().Replayed));
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(item(101)) != 0; }));
    postClick(item(101));
    EXPECT_EQ(takeMessage(),
              L"Gripline Analyzer|The matching Torvix executable was not found next to this "
              L"Analyzer.");
    EXPECT_EQ(analyzer_.close(), 0);
}

size_t adviceFilesIn(const fs::path& folder) {
    size_t count = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        count += entry.path().filename().wstring().rfind(L"gav", 0) == 0;
    return count;
}

// A file under the program's name that is no program: the shell cannot
// start it, and the advice file written for it does not stay behind.
TEST_F(AnalyzerWindowTest, AProgramThatCannotStartLeavesNoAdviceFile) {
    std::ofstream(folder_ / kPlain) << "not a program";
    const fs::path temp = folder_ / "temp";
    fs::create_directories(temp);
    SetEnvironmentVariableW(L"TMP", windowsPath(temp).c_str());
    const bool started = start(Recordings::get().Replayed) != nullptr;
    SetEnvironmentVariableW(L"TMP", nullptr);
    ASSERT_TRUE(started);
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(item(101)) != 0; }));
    postClick(item(101));
    EXPECT_EQ(takeMessage(),
              L"Gripline Analyzer|Could not launch Torvix with the analyzer advice.");
    EXPECT_EQ(adviceFilesIn(temp), 0u);
    EXPECT_EQ(analyzer_.close(), 0);
}

TEST_F(AnalyzerWindowTest, AMissingTemporaryFolderIsReported) {
    addStandIn(kPlain);
    SetEnvironmentVariableW(L"TMP", windowsPath(folder_ / "no such folder").c_str());
    const bool started = start(Recordings::get().Replayed) != nullptr;
    SetEnvironmentVariableW(L"TMP", nullptr);
    ASSERT_TRUE(started);
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(item(101)) != 0; }));
    postClick(item(101));
    EXPECT_EQ(takeMessage(), L"Gripline Analyzer|Could not create a temporary advice file.");
    EXPECT_FALSE(fs::exists(folder_ / "started.txt"));
    EXPECT_EQ(analyzer_.close(), 0);
}

// Without a window manager nothing stops the window from being made narrow.
TEST_F(AnalyzerWindowTest, ANarrowWindowKeepsTheControlsInReach) {
    HWND window = start(L"");
    ASSERT_TRUE(window);
    RECT client{};
    GetClientRect(window, &client);
    RECT outer{};
    GetWindowRect(window, &outer);
    const int frameWidth = (outer.right - outer.left) - client.right;
    const int frameHeight = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, 300 + frameWidth, 600 + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(waitFor([&] {
        GetClientRect(window, &client);
        return client.right == 300;
    }));
    ASSERT_TRUE(waitFor([&] { return placeInParent(item(100)).left == 116; }));
    EXPECT_EQ(placeInParent(item(101)).left, 24);
    const RECT pane = placeInParent(report());
    EXPECT_EQ(pane.right - pane.left, 252);
    EXPECT_EQ(pane.bottom - pane.top, 372);
    const RECT status = placeInParent(statusLabel());
    EXPECT_EQ(status.right - status.left, 252);
    EXPECT_EQ(placeInParent(box(AdviceItem::SteerMarginBias)).top, 170);
    expectBoxes(false, false);
    EXPECT_EQ(analyzer_.close(), 0);
}

} // namespace
} // namespace gripline::test
