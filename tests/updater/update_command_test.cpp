// The start-up notice, the Update command and the restart script, driven
// through the updater's ports.
#include "updater/restart_script.h"
#include "updater/update_check.h"
#include "updater/update_install.h"
#include "update_fakes.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using test::FakeServer;
using test::FakeSystem;
using test::FakeUi;
using test::okResponse;
using Lines = std::vector<std::wstring>;

const std::wstring kManifestRequest = L"/uploads/torvix/commercial/latest.json?v=0.1.0.134";

std::string manifest(const std::string& version, const std::string& notes = "",
                     const std::string& appPath = "/files/app.exe?build=7",
                     const std::string& hashes = "") {
    return "{\"version\": \"" + version + "\", \"appPath\": \"" + appPath +
           "\", \"analyzerPath\": \"/files/analyzer.exe\", \"notes\": \"" + notes + "\"" +
           hashes + "}";
}

TEST(UpdateCheck, ComparesTheManifestWithThisRelease) {
    FakeServer server;
    server.responses[kManifestRequest] = okResponse(manifest("0.1.0.135"));
    UpdateCheck newer = checkForUpdate(server);
    EXPECT_TRUE(newer.ok && newer.updateAvailable);
    EXPECT_EQ(server.requested, Lines{kManifestRequest});

    server.responses[kManifestRequest] = okResponse(manifest("0.1.0.134"));
    UpdateCheck same = checkForUpdate(server);
    EXPECT_TRUE(same.ok);
    EXPECT_FALSE(same.updateAvailable);

    server.responses[kManifestRequest] = okResponse(manifest("0.1.x.135"));
    EXPECT_EQ(checkForUpdate(server).error, L"the update manifest is invalid.");

    server.responses.clear();
    EXPECT_EQ(checkForUpdate(server).error, L"The update server returned HTTP 404.");
}

TEST(StartupNotice, LogsTheUpdateAndShowsItOnlyInAShownWindow) {
    FakeServer server;
    server.responses[kManifestRequest] = okResponse(manifest("0.2.0.0", "Smoother kerbs"));
    FakeUi ui;
    notifyUpdateAtStartup(server, ui);
    EXPECT_EQ(ui.lines, (Lines{L"Update available: version 0.2.0.0. Click Update to install.",
                               L"Update note: Smoother kerbs"}));
    EXPECT_EQ(ui.notices, Lines{L"A new version of Gripline is available: 0.2.0.0.\n\n"
                                L"Smoother kerbs\n\n"
                                L"Click the Update button to download and install it."});

    FakeUi minimised;
    minimised.shown = false;
    notifyUpdateAtStartup(server, minimised);
    EXPECT_EQ(minimised.lines.size(), 2u);
    EXPECT_TRUE(minimised.notices.empty());

    server.responses[kManifestRequest] = okResponse(manifest("0.2.0.0"));
    FakeUi noNotes;
    notifyUpdateAtStartup(server, noNotes);
    EXPECT_EQ(noNotes.lines, Lines{L"Update available: version 0.2.0.0. Click Update to install."});
    EXPECT_EQ(noNotes.notices, Lines{L"A new version of Gripline is available: 0.2.0.0.\n\n"
                                     L"Click the Update button to download and install it."});
}

TEST(StartupNotice, SaysNothingWhenTheCheckFailsOrNothingIsNew) {
    FakeServer server;
    FakeUi ui;
    notifyUpdateAtStartup(server, ui); // 404
    server.responses[kManifestRequest] = okResponse(manifest("0.1.0.134", "same"));
    notifyUpdateAtStartup(server, ui);
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_TRUE(ui.notices.empty());
}

class UpdateCommand : public ::testing::Test {
  protected:
    FakeServer server;
    FakeUi ui;
    FakeSystem system;
    const std::wstring newApp = system.temp + L"Torvix_Commercial.update.exe";
    const std::wstring newAnalyzer = system.temp + L"Torvix_Commercial_Analyzer.update.exe";
    const std::wstring script = system.temp + L"Torvix-Commercial-Update-4242.cmd";

    void SetUp() override {
        server.responses[kManifestRequest] = okResponse(manifest("0.1.0.135", "New grip model"));
        server.responses[L"/files/app.exe?build=7&v=0.1.0.135"] = okResponse("NEW APP");
        server.responses[L"/files/analyzer.exe?v=0.1.0.135"] = okResponse("NEW ANALYZER");
    }
};

TEST_F(UpdateCommand, DownloadsBothProgramsStartsTheScriptAndCloses) {
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines, (Lines{L"Checking for Commercial updates...", L"Downloading app.exe v0.1.0.135...",
                               L"Downloading analyzer.exe v0.1.0.135...",
                               L"Update downloaded. Restarting into version 0.1.0.135..."}));
    EXPECT_EQ(ui.questions, Lines{L"Version 0.1.0.135 is available.\n\nNew grip model\n\n"
                                  L"Download the new app and analyzer, replace the current "
                                  L"files, and restart now?"});
    EXPECT_EQ(system.files[newApp], test::bytesOf("NEW APP"));
    EXPECT_EQ(system.files[newAnalyzer], test::bytesOf("NEW ANALYZER"));
    EXPECT_EQ(system.startedScripts, Lines{script});
    RestartPaths expected{newApp, system.program, newAnalyzer,
                          L"C:\\Games\\Gripline\\Torvix Commercial Analyzer.exe"};
    EXPECT_EQ(system.files[script], test::bytesOf(wideToUtf8(restartScriptText(expected))))
        << "in the bytes of the console's code page (the fake's is UTF-8)";
    EXPECT_TRUE(ui.closeRequested);
}

TEST_F(UpdateCommand, AnsweredNoDoesNothingAfterTheCheck) {
    ui.answerYes = false;
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines, Lines{L"Checking for Commercial updates..."});
    EXPECT_EQ(server.requested, Lines{kManifestRequest});
    EXPECT_TRUE(system.files.empty());
    EXPECT_FALSE(ui.closeRequested);
}

TEST_F(UpdateCommand, NothingNewReportsTheCurrentVersionAndTheFeedNote) {
    server.responses[kManifestRequest] = okResponse(manifest("0.1.0.134", "All quiet"));
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines, (Lines{L"Checking for Commercial updates...",
                               L"No update available. Current version: 0.1.0.134.",
                               L"Feed note: All quiet"}));
    EXPECT_TRUE(ui.questions.empty());
}

TEST_F(UpdateCommand, AFailedDownloadStopsBeforeTheScript) {
    server.responses.erase(L"/files/analyzer.exe?v=0.1.0.135");
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines.back(),
              L"Update failed while downloading the analyzer: The update server returned HTTP 404.");
    EXPECT_TRUE(system.files.count(newApp));
    EXPECT_TRUE(system.startedScripts.empty());
    EXPECT_FALSE(ui.closeRequested);

    FakeUi cutUi;
    FakeSystem cutSystem;
    server.responses[L"/files/app.exe?build=7&v=0.1.0.135"] =
        finishResponse(200, test::bytesOf("NEW"), false);
    installUpdate(server, cutUi, cutSystem);
    EXPECT_EQ(cutUi.lines.back(),
              L"Update failed while downloading the app: The update server did not respond.");
    EXPECT_TRUE(cutSystem.files.empty());
}

TEST_F(UpdateCommand, ADownloadThatDiffersFromTheManifestsHashReplacesNothing) {
    // SHA-256 of "NEW APP" and "NEW ANALYZER".
    const std::string app = "ab39b52038e6878c0af3bf90cb8e22a4e56ee606f3326e2ea0875c589af441d1";
    const std::string analyzer = "abf4ebe750df7bc517f7aafb53ac605bba514986e081c2cda465e7a81285b742";
    const std::wstring appRequest = L"/files/app.exe?build=7&v=0.1.0.135";
    const std::wstring analyzerRequest = L"/files/analyzer.exe?v=0.1.0.135";
    auto serve = [&](const std::string& appHash, const std::string& analyzerHash) {
        server.responses[kManifestRequest] = okResponse(manifest(
            "0.1.0.135", "", "/files/app.exe?build=7",
            ", \"appSha256\": \"" + appHash + "\", \"analyzerSha256\": \"" + analyzerHash + "\""));
    };
    const std::wstring refused = L"Update failed: the downloaded file does not match the release.";

    serve(app, analyzer);
    installUpdate(server, ui, system);
    EXPECT_TRUE(ui.closeRequested) << "matching downloads install as before";
    EXPECT_EQ(system.startedScripts.size(), 1u);

    for (bool tamperApp : {true, false}) {
        FakeUi refusedUi;
        FakeSystem refusedSystem;
        serve(app, analyzer);
        server.responses[tamperApp ? appRequest : analyzerRequest] = okResponse("SWAPPED ON THE HOST");
        installUpdate(server, refusedUi, refusedSystem);
        EXPECT_EQ(refusedUi.lines.back(), refused) << "tampered app: " << tamperApp;
        EXPECT_FALSE(refusedSystem.files.count(tamperApp ? newApp : newAnalyzer))
            << "the mismatching file is not even written";
        EXPECT_TRUE(refusedSystem.startedScripts.empty()) << "nothing is replaced";
        EXPECT_FALSE(refusedUi.closeRequested);
        server.responses[appRequest] = okResponse("NEW APP");
        server.responses[analyzerRequest] = okResponse("NEW ANALYZER");
    }
}

TEST_F(UpdateCommand, AFileThatCannotBeWrittenIsReported) {
    system.failWritesTo = newApp;
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines.back(),
              L"Update failed while downloading the app: Could not write the downloaded file.");
    EXPECT_FALSE(ui.closeRequested);
}

TEST_F(UpdateCommand, ACheckOrRestartFailureIsLoggedAndTheProgramStays) {
    system.hasTemp = false;
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines.back(), L"Update failed: could not resolve a temporary path.");
    EXPECT_TRUE(ui.questions.empty());

    system.hasTemp = true;
    system.scriptStarts = false;
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines.back(),
              L"Update downloaded but restart failed: Could not start the updater restart script.");
    EXPECT_FALSE(system.files.count(script)) << "a script that did not start is deleted";
    EXPECT_TRUE(system.files.count(newApp)) << "the downloads stay for the next attempt";
    EXPECT_FALSE(ui.closeRequested);

    server.responses.clear();
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines.back(), L"Update check failed: The update server returned HTTP 404.");
}

TEST_F(UpdateCommand, RefusesAFolderCmdWouldExpandBeforeDownloading) {
    for (const wchar_t* program : {L"C:\\Games!\\Torvix_Commercial.exe",
                                   L"C:\\100%\\Torvix_Commercial.exe"}) {
        FakeUi refusedUi;
        system.program = program;
        installUpdate(server, refusedUi, system);
        EXPECT_EQ(refusedUi.lines.back(),
                  std::wstring(L"Update failed: ") + program +
                      L" contains \"!\" or \"%\", which the restart script cannot copy.");
        EXPECT_TRUE(refusedUi.questions.empty());
    }
    system.program = L"C:\\Games\\Torvix_Commercial.exe";
    system.temp = L"C:\\Users\\a!b\\Temp\\";
    installUpdate(server, ui, system);
    EXPECT_EQ(ui.lines.size(), 2u);
    EXPECT_EQ(server.requested.size(), 3u) << "only the manifest was fetched";
    EXPECT_TRUE(system.files.empty());

    // A folder whose name the console's code page cannot spell: cmd would
    // read another path and the program would close for nothing.
    const auto refusal = [&](const std::wstring& program, const std::wstring& temp) {
        FakeUi refusedUi;
        system.program = program;
        system.temp = temp;
        installUpdate(server, refusedUi, system);
        EXPECT_TRUE(refusedUi.questions.empty());
        return refusedUi.lines.back();
    };
    const std::wstring cannotRead =
        L" contains characters that cmd cannot read in the restart script.";
    EXPECT_EQ(refusal(L"C:\\\u8eca\\Torvix_Commercial.exe", L"C:\\Temp\\"),
              L"Update failed: C:\\\u8eca\\Torvix_Commercial.exe" + cannotRead);
    EXPECT_EQ(refusal(L"C:\\Games\\Torvix_Commercial.exe", L"C:\\Users\\\u8eca\\Temp\\"),
              L"Update failed: C:\\Users\\\u8eca\\Temp\\Torvix_Commercial.update.exe" + cannotRead);
    EXPECT_TRUE(system.files.empty());
    EXPECT_EQ(server.requested.size(), 5u) << "only the manifests were fetched";
}

TEST(RestartScript, IsTheTwentyFourLines) {
    RestartPaths paths{L"C:\\T\\new.exe", L"C:\\Jeux\\Pil\u00f6te \u8eca\\app.exe",
                       L"C:\\T\\newan.exe", L"C:\\Jeux\\Pil\u00f6te \u8eca\\an.exe"};
    std::wstring expected =
        L"@echo off\r\n"
        L"setlocal EnableDelayedExpansion\r\n"
        L"set tries=0\r\n"
        L":retry_app\r\n"
        L"ping 127.0.0.1 -n 2 >nul\r\n"
        L"copy /Y \"C:\\T\\new.exe\" \"C:\\Jeux\\Pil\u00f6te \u8eca\\app.exe\" >nul\r\n"
        L"if errorlevel 1 (\r\n"
        L"  set /a tries+=1\r\n"
        L"  if !tries! GEQ 10 exit /b 1\r\n"
        L"  goto retry_app\r\n"
        L")\r\n"
        L"set tries=0\r\n"
        L":retry_analyzer\r\n"
        L"copy /Y \"C:\\T\\newan.exe\" \"C:\\Jeux\\Pil\u00f6te \u8eca\\an.exe\" >nul\r\n"
        L"if errorlevel 1 (\r\n"
        L"  set /a tries+=1\r\n"
        L"  if !tries! GEQ 10 exit /b 1\r\n"
        L"  ping 127.0.0.1 -n 2 >nul\r\n"
        L"  goto retry_analyzer\r\n"
        L")\r\n"
        L"del \"C:\\T\\new.exe\" >nul 2>nul\r\n"
        L"del \"C:\\T\\newan.exe\" >nul 2>nul\r\n"
        L"start \"\" \"C:\\Jeux\\Pil\u00f6te \u8eca\\app.exe\"\r\n"
        L"del \"%~f0\"\r\n";
    EXPECT_EQ(restartScriptText(paths), expected);
}

TEST(RestartScript, ReportsWhyItCouldNotBeWritten) {
    FakeSystem system;
    RestartPaths paths{L"C:\\T\\a", L"C:\\B\\b", L"C:\\T\\c", L"C:\\B\\d"};
    system.hasTemp = false;
    EXPECT_EQ(writeRestartScript(system, paths).error,
              L"Could not resolve a temporary path for the updater.");
    system.hasTemp = true;
    system.failWritesTo = system.temp + L"Torvix-Commercial-Update-4242.cmd";
    EXPECT_EQ(writeRestartScript(system, paths).error, L"Could not write the updater restart script.");
    system.failWritesTo.clear();
    paths.currentApp = L"C:\\\u8eca\\b";
    EXPECT_EQ(writeRestartScript(system, paths).error, L"Could not write the updater restart script.");
    EXPECT_TRUE(system.files.empty()) << "no script in bytes cmd would misread";
    EXPECT_TRUE(system.startedScripts.empty());
}

} // namespace
} // namespace gripline
