#pragma once
// Test doubles of the updater's ports: canned server responses, a window that
// answers the question as told, and a file system in memory.
#include "common/unicode_text.h"
#include "updater/https_client.h"
#include "updater/update_system.h"
#include "updater/update_ui.h"

#include <map>
#include <string>
#include <vector>

namespace gripline::test {

inline std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

inline HttpsResponse okResponse(const std::string& body) {
    return finishResponse(200, bytesOf(body), true);
}

class FakeServer : public HttpsClient {
  public:
    std::map<std::wstring, HttpsResponse> responses; // by requested path
    std::vector<std::wstring> requested;

    HttpsResponse get(const std::wstring& path) override {
        requested.push_back(path);
        auto found = responses.find(path);
        return found != responses.end() ? found->second : finishResponse(404, {}, true);
    }
};

class FakeUi : public UpdateUi {
  public:
    bool shown = true;
    bool answerYes = true;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> notices;
    std::vector<std::wstring> questions;
    bool closeRequested = false;

    void log(const std::wstring& line) override { lines.push_back(line); }
    bool isWindowShown() override { return shown; }
    void showUpdateNotice(const std::wstring& text) override { notices.push_back(text); }
    bool confirmUpdate(const std::wstring& text) override {
        questions.push_back(text);
        return answerYes;
    }
    void requestClose() override { closeRequested = true; }
};

class FakeSystem : public UpdateSystem {
  public:
    std::wstring program = L"C:\\Games\\Gripline\\Torvix_Commercial.exe";
    std::wstring temp = L"C:\\Users\\me\\AppData\\Local\\Temp\\";
    bool hasTemp = true;
    bool scriptStarts = true;
    std::wstring failWritesTo; // writing this path fails
    std::wstring unwritable = L"\u8eca"; // characters the console's code page lacks
    std::map<std::wstring, std::vector<uint8_t>> files;
    std::vector<std::wstring> startedScripts;

    std::wstring programPath() override { return program; }
    bool tempFolder(std::wstring& folder) override {
        folder = temp;
        return hasTemp;
    }
    uint32_t tickCountMs() override { return 4242; }
    bool writeFileBytes(const std::wstring& path, std::span<const uint8_t> bytes) override {
        if (path == failWritesTo)
            return false;
        files[path].assign(bytes.begin(), bytes.end());
        return true;
    }
    void deleteFile(const std::wstring& path) override { files.erase(path); }
    bool encodeScriptText(const std::wstring& text, std::string& bytes) override {
        if (text.find_first_of(unwritable) != std::wstring::npos)
            return false;
        bytes = wideToUtf8(text); // a code page that has all the others
        return true;
    }
    bool startHiddenScript(const std::wstring& path) override {
        startedScripts.push_back(path);
        return scriptStarts;
    }
};

} // namespace gripline::test
