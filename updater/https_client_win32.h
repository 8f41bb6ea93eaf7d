#pragma once
// The blocking HTTPS client over WinHTTP: TLS with the system's usual
// certificate checks, fixed time-outs, user agent "Torvix Updater/<version>".
#include "updater/https_client.h"

#include <cstdint>
#include <string>
#include <utility>

namespace gripline {

// The one host that serves the manifest and both programs.
inline constexpr const wchar_t* kUpdateHost = L"updates.gripline.app";
inline constexpr uint16_t kHttpsPort = 443;

// GET https://host/path on port 443.
HttpsResponse httpsGet(const std::wstring& host, const std::wstring& path);
// The same on another port: only the loopback tests use it, to serve their
// own certificate authority's `localhost` without needing port 443.
HttpsResponse httpsGet(const std::wstring& host, uint16_t port, const std::wstring& path);

class WinHttpClient : public HttpsClient {
  public:
    explicit WinHttpClient(std::wstring host, uint16_t port = kHttpsPort)
        : host_(std::move(host)), port_(port) {}
    HttpsResponse get(const std::wstring& path) override { return httpsGet(host_, port_, path); }

  private:
    std::wstring host_;
    uint16_t port_;
};

} // namespace gripline
