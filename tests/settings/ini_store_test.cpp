// The portable profile store: the encodings of the files, and lines read and
// written with the Windows functions' rules.
#include "settings/ini_document.h"
#include "settings/ini_profile_store.h"
#include "settings/ini_text.h"
#include "settings/wide_text.h"
#include "tests/settings/test_files.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using test::freshTestDir;
using test::readBytes;
using test::writeBytes;

const std::wstring kEmoji = [] {
    std::wstring s;
    appendCodePoint(s, 0x1F600);
    return s;
}();

TEST(IniText, EveryEncodingTheWindowsFunctionsReadDecodes) {
    const std::wstring text = L"[Ж]\r\nName=東京 " + kEmoji + L"\r\n";
    for (IniEncoding encoding :
         {IniEncoding::Utf16Le, IniEncoding::Utf16Be, IniEncoding::Utf8Bom, IniEncoding::Utf8}) {
        const std::string bytes = encodeIniText(text, encoding);
        const IniText decoded = decodeIniBytes(bytes);
        EXPECT_EQ(decoded.Text, text) << static_cast<int>(encoding);
        EXPECT_EQ(decoded.Encoding, encoding);
        EXPECT_EQ(encodeIniText(decoded.Text, decoded.Encoding), bytes);
    }
    EXPECT_EQ(encodeIniText(L"A", IniEncoding::Utf16Le), std::string("\xFF\xFE"
                                                                     "A\0",
                                                                     4));
}

TEST(IniText, AnsiIsWindows1252AndGrowsIntoUtf16WhenACharacterDoesNotFit) {
    const IniText ansi = decodeIniBytes("\x80\xE9\x81\x9F");
    EXPECT_EQ(ansi.Encoding, IniEncoding::Ansi);
    EXPECT_EQ(ansi.Text, L"\u20AC\u00E9\u0081\u0178");
    EXPECT_EQ(encodeIniText(ansi.Text, IniEncoding::Ansi), "\x80\xE9\x81\x9F");
    EXPECT_EQ(decodeIniBytes("plain").Encoding, IniEncoding::Ansi);

    const std::string grown = encodeIniText(L"é東", IniEncoding::Ansi);
    EXPECT_EQ(grown, std::string("\xFF\xFE\xE9\x00\x71\x67", 6));
}

TEST(WideText, Utf8DecodingIsStrictWhereItMustBe) {
    std::wstring out;
    EXPECT_FALSE(utf8ToWide("\xC0\xAF", out)) << "overlong";
    EXPECT_FALSE(utf8ToWide("\xED\xA0\x80", out)) << "surrogate";
    EXPECT_FALSE(utf8ToWide("\xE6\x9D", out)) << "cut short";
    EXPECT_EQ(utf8ToWide("a\xFF"
                         "b"),
              L"a\uFFFDb");
    EXPECT_EQ(wideToUtf8(L"é" + kEmoji), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(utf16Length(L"a" + kEmoji), 3u);
    EXPECT_EQ(pathText(pathFromText(L"/tmp/東京.ini")), L"/tmp/東京.ini");
}

TEST(IniDocument, ReadsLinesAsTheWindowsFunctionsDo) {
    const IniDocument doc = IniDocument::parse(L"top=1\r\n"
                                               "[Sec]\n"
                                               "  Key  =  spaced value  \n"
                                               "Bare\n"
                                               "key=second\n"
                                               "[sec]\n"
                                               "Other=in the second section\n");
    EXPECT_EQ(*doc.find(L"SEC", L"KEY"), L"spaced value");
    EXPECT_EQ(*doc.find(L"Sec", L"Bare"), L"");
    EXPECT_EQ(doc.find(L"Sec", L"Other"), nullptr) << "only the first section of a name is read";
    EXPECT_EQ(doc.find(L"Sec", L"top"), nullptr);
    EXPECT_EQ(doc.find(L"Missing", L"Key"), nullptr);
}

TEST(IniProfileStore, StripsOuterQuotesAndCutsToTheBuffer) {
    const std::filesystem::path file = freshTestDir() / "q.ini";
    writeBytes(file, test::utf16File(L"[S]\r\nA=\"two words\"\r\nB='x'\r\nC=\"open\r\nD=\"\"\r\n"
                                     L"E=abcdef\r\nF=a" +
                                     kEmoji + L"\r\n"));
    IniProfileStore store;
    EXPECT_EQ(store.readString(file, L"S", L"A", L"", 128), L"two words");
    EXPECT_EQ(store.readString(file, L"S", L"B", L"", 128), L"x");
    EXPECT_EQ(store.readString(file, L"S", L"C", L"", 128), L"\"open");
    EXPECT_EQ(store.readString(file, L"S", L"D", L"-", 128), L"");
    EXPECT_EQ(store.readString(file, L"S", L"E", L"", 4), L"abc");
    EXPECT_EQ(store.readString(file, L"S", L"F", L"", 3), L"a") << "a pair is never cut in two";
    EXPECT_EQ(store.readString(file, L"S", L"G", L"fallback  ", 128), L"fallback");
    EXPECT_EQ(store.readString(file, L"S", L"E", L"", 0), L"");
}

TEST(IniProfileStore, WritesKeepTheRestOfTheFile) {
    const std::filesystem::path file = freshTestDir() / "w.ini";
    writeBytes(file, "; hand-written\r\n[A]\r\nx = 1\r\n[B]\r\ny=2\r\n");
    IniProfileStore store;
    ASSERT_TRUE(store.writeString(file, L"a", L"X", L"1"));
    EXPECT_EQ(readBytes(file), "; hand-written\r\n[A]\r\nx = 1\r\n[B]\r\ny=2\r\n")
        << "an unchanged value is not written";

    ASSERT_TRUE(store.writeString(file, L"A", L"z", L"   3"));
    ASSERT_TRUE(store.writeString(file, L"C", L"name", L"Ünal"));
    EXPECT_EQ(decodeIniBytes(readBytes(file)).Encoding, IniEncoding::Ansi);
    EXPECT_EQ(readBytes(file), "; hand-written\r\n\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"
                               "\r\n[C]\r\nname=\xDCnal\r\n");

    ASSERT_TRUE(store.writeString(file, L"C", L"name", L"Юлия"));
    EXPECT_EQ(readBytes(file).substr(0, 2), "\xFF\xFE") << "grown into UTF-16 to keep the name";
    EXPECT_EQ(store.readString(file, L"C", L"name", L"", 128), L"Юлия");
    EXPECT_EQ(store.readString(file, L"B", L"y", L"", 128), L"2");

    ASSERT_TRUE(store.deleteKey(file, L"A", L"x"));
    ASSERT_TRUE(store.deleteSection(file, L"b"));
    EXPECT_EQ(store.readString(file, L"A", L"x", L"gone", 128), L"gone");
    EXPECT_EQ(store.readString(file, L"B", L"y", L"gone", 128), L"gone");
    EXPECT_EQ(store.readString(file, L"A", L"z", L"", 128), L"3");
}

TEST(IniProfileStore, ANewFileIsUtf16AndAFailedWriteSaysSo) {
    const std::filesystem::path dir = freshTestDir();
    IniProfileStore store;
    ASSERT_TRUE(store.deleteKey(dir / "absent.ini", L"S", L"k"));
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.ini")) << "deleting creates nothing";

    ASSERT_TRUE(store.writeString(dir / "new.ini", L"S", L"k", L"v"));
    EXPECT_EQ(readBytes(dir / "new.ini"), test::utf16File(L"[S]\r\nk=v\r\n"));
    EXPECT_FALSE(store.writeString(dir / "missing" / "x.ini", L"S", L"k", L"v"));
}

} // namespace
} // namespace gripline
