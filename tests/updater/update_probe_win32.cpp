// A stand-in for the force-feedback program around the real updater: WinHTTP
// to a loopback server, the real temporary folder, files and cmd.exe, and a
// window side that answers the question as told and prints what it was
// asked. The loopback test drives it (update_flow_test.py).
//
//   update_probe trust-ca CA.der               make a test CA trusted for this user
//   update_probe startup PORT shown|minimised  the start-up notice
//   update_probe install PORT yes|no TEMPDIR [VERSION]
//                                              the Update command (as an installed
//                                              release VERSION, else this one)
#include "common/file_bytes.h"
#include "common/unicode_text.h"
#include "updater/https_client_win32.h"
#include "updater/update_check.h"
#include "updater/update_install.h"
#include "updater/update_system_win32.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

namespace gripline {
namespace {

void print(const char* kind, const std::wstring& text) {
    std::string line = std::string(kind) + " ";
    for (wchar_t c : text)
        line += c == L'\n' ? std::string("\\n") : wideToUtf8(std::wstring(1, c));
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class ScriptedUi : public UpdateUi {
  public:
    ScriptedUi(bool shown, bool answerYes) : shown_(shown), answerYes_(answerYes) {}
    void log(const std::wstring& line) override { print("LOG", line); }
    bool isWindowShown() override { return shown_; }
    void showUpdateNotice(const std::wstring& text) override { print("NOTICE", text); }
    bool confirmUpdate(const std::wstring& text) override {
        print("QUESTION", text);
        return answerYes_;
    }
    void requestClose() override { print("CLOSE", L""); }

  private:
    bool shown_;
    bool answerYes_;
};

// The test's certificate authority goes into the current user's root store of
// the test's own Wine prefix; certificate checks stay as they are.
int trustCertificateAuthority(const std::wstring& derPath) {
    std::vector<uint8_t> der;
    std::string error;
    if (!readFileBytes(derPath, der, error)) {
        std::fprintf(stderr, "update_probe: %s\n", error.c_str());
        return 1;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store) {
        std::fprintf(stderr, "update_probe: cannot open the Root store (%lu)\n", GetLastError());
        return 1;
    }
    BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                  static_cast<DWORD>(der.size()),
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    DWORD addError = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        std::fprintf(stderr, "update_probe: cannot add the certificate (%lu)\n", addError);
        return 1;
    }
    return 0;
}

int run(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"trust-ca" && argc == 3)
        return trustCertificateAuthority(argv[2]);
    if (argc < 4) {
        std::fprintf(stderr, "usage: update_probe trust-ca CA.der | startup PORT shown|minimised"
                             " | install PORT yes|no TEMPDIR [VERSION]\n");
        return 2;
    }
    WinHttpClient server(L"localhost", static_cast<uint16_t>(std::stoi(argv[2])));
    std::wstring choice = argv[3];
    if (command == L"startup") {
        ScriptedUi ui(choice == L"shown", false);
        notifyUpdateAtStartup(server, ui);
        return 0;
    }
    if (command == L"install" && (argc == 5 || argc == 6)) {
        // GetTempPathW reads TMP first; the script inherits it too.
        SetEnvironmentVariableW(L"TMP", argv[4]);
        ScriptedUi ui(true, choice == L"yes");
        Win32UpdateSystem system(nullptr);
        installUpdate(server, ui, system, argc == 6 ? argv[5] : kProgramVersionText);
        return 0;
    }
    std::fprintf(stderr, "update_probe: unknown command\n");
    return 2;
}

} // namespace
} // namespace gripline

int wmain(int argc, wchar_t** argv) { return gripline::run(argc, argv); }
