// Versions, the manifest, paths on the update host and the HTTP outcome.
#include "updater/https_client.h"
#include "updater/program_version.h"
#include "updater/update_manifest.h"
#include "updater/update_url.h"
#include "update_fakes.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using test::bytesOf;

ProgramVersion version(const std::wstring& text) {
    ProgramVersion v;
    EXPECT_TRUE(parseVersion(text, v)) << "not a version: " << std::string(text.begin(), text.end());
    return v;
}

TEST(ProgramVersion, OnlyALaterReleaseCountsAsNewer) {
    ProgramVersion ours = version(kProgramVersionText);
    EXPECT_EQ(ours.parts, (std::array<int32_t, 4>{kReleaseVersion[0], kReleaseVersion[1],
                                                  kReleaseVersion[2], kReleaseVersion[3]}))
        << "the release's text and numbers agree";
    EXPECT_TRUE(isNewerVersion(version(L"0.1.0.135"), ours));
    EXPECT_TRUE(isNewerVersion(version(L"0.2.0.0"), ours));
    EXPECT_FALSE(isNewerVersion(version(L"0.1.0.134"), ours));
    EXPECT_FALSE(isNewerVersion(version(L"0.0.9.999"), ours));
    EXPECT_TRUE(isNewerVersion(version(L"1.0.0.0"), version(L"0.99.99.99")));
}

TEST(ProgramVersion, ReadsFourNonNegativeIntegersAndIgnoresTheRest) {
    ProgramVersion v;
    ASSERT_TRUE(parseVersion(L"1.2.3.4.5", v));
    EXPECT_EQ(v.parts, (std::array<int32_t, 4>{1, 2, 3, 4}));
    ASSERT_TRUE(parseVersion(L"10.0.0.2147483647", v));
    EXPECT_EQ(v.parts[3], 2147483647);

    for (const wchar_t* text : {L"1.2.3", L"1.2.x.4", L"1..3.4", L"-1.0.0.0", L"", L"1.2.3.",
                                L"1.2.3.4x", L" 1.2.3.4", L"1.2.3.2147483648"}) {
        EXPECT_FALSE(parseVersion(text, v)) << std::string(text, text + wcslen(text));
    }
}

TEST(UpdateManifest, ReadsTheFourStringsWhereverTheyStand) {
    UpdateManifest m = parseManifest(bytesOf(
        "{\"notes\": \"Faster \xc3\xa9tape\", \"files\": {\"analyzerPath\" : \"/a/An.exe\"},\n"
        " \"version\":\"0.1.0.135\", \"appPath\": \"/a/App.exe?build=7\"}"));
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(m.versionText, L"0.1.0.135");
    EXPECT_EQ(m.version.parts, (std::array<int32_t, 4>{0, 1, 0, 135}));
    EXPECT_EQ(m.appPath, L"/a/App.exe?build=7");
    EXPECT_EQ(m.analyzerPath, L"/a/An.exe");
    EXPECT_EQ(m.notes, L"Faster \u00e9tape");
    EXPECT_TRUE(m.appSha256.empty() && m.analyzerSha256.empty()) << "no hashes: nothing to check";

    const std::string app(64, 'A'), analyzer(64, '0');
    m = parseManifest(bytesOf("{\"version\":\"0.1.0.135\", \"appPath\":\"/a\", \"analyzerPath\":\"/b\","
                              " \"appSha256\": \"" + app + "\", \"analyzerSha256\": \"" + analyzer + "\"}"));
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(m.appSha256, std::string(64, 'a')) << "kept in lower case, as sha256Hex writes it";
    EXPECT_EQ(m.analyzerSha256, analyzer);
}

TEST(UpdateManifest, IsInvalidWithoutAStringVersionOrEitherPath) {
    const char* manifests[] = {
        "{\"version\": 135, \"appPath\": \"/a\", \"analyzerPath\": \"/b\"}",
        "{\"version\": \"0.1.0.135\", \"appPath\": \"/a\", \"analyzerPath\": \"\"}",
        "{\"version\": \"0.1.0.135\", \"analyzerPath\": \"/b\"}",
        "{\"version\": \"0.1.0\", \"appPath\": \"/a\", \"analyzerPath\": \"/b\"}",
        "{\"version\": \"0.1.0.135\", \"appPath\": \"/a\", \"analyzerPath\": \"/b",
        "",
        // A hash that is there but is not one: refused, never installed unchecked.
        "{\"version\": \"0.1.0.135\", \"appPath\": \"/a\", \"analyzerPath\": \"/b\","
        " \"appSha256\": \"abc\"}",
    };
    for (const char* text : manifests)
        EXPECT_FALSE(parseManifest(bytesOf(text)).valid) << text;
}

TEST(UpdateUrl, AddsTheVersionQueryAndNamesTheFile) {
    EXPECT_EQ(appendVersionQuery(L"/files/app.exe", L"0.1.0.135"), L"/files/app.exe?v=0.1.0.135");
    EXPECT_EQ(appendVersionQuery(L"/files/app.exe?build=7", L"0.1.0.135"),
              L"/files/app.exe?build=7&v=0.1.0.135");
    EXPECT_EQ(appendVersionQuery(L"/files/app.exe", L""), L"/files/app.exe");

    EXPECT_EQ(fileNameFromUrlPath(L"/files/app.exe?build=7&v=0.1.0.135"), L"app.exe");
    EXPECT_EQ(fileNameFromUrlPath(L"/files/app.exe#top"), L"app.exe");
    EXPECT_EQ(fileNameFromUrlPath(L"files\\sub\\an.exe"), L"an.exe");
    EXPECT_EQ(fileNameFromUrlPath(L"app.exe"), L"app.exe");
    EXPECT_EQ(fileNameFromUrlPath(L"/dir/?a=/b"), L"");
}

TEST(HttpsResponse, OnlyAWholeBodyWithStatus200IsOk) {
    HttpsResponse ok = finishResponse(200, bytesOf("MZ"), true);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.error, L"");

    HttpsResponse missing = finishResponse(404, bytesOf("gone"), true);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.error, L"The update server returned HTTP 404.");

    HttpsResponse cut = finishResponse(200, bytesOf("M"), false);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.error, L"The update server did not respond.");
}

} // namespace
} // namespace gripline
