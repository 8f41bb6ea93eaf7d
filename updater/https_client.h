#pragma once
// The blocking HTTPS client the updater talks to: one GET of a path on the
// update host. The Win32 adapter is WinHTTP (`https_client_win32.h`); tests
// hand in canned responses.
#include <cstdint>
#include <string>
#include <vector>

namespace gripline {

struct HttpsResponse {
    bool ok = false;    // status 200 and the whole body arrived
    int32_t status = 0; // 0 when no response was received
    std::vector<uint8_t> body;
    std::wstring error; // empty on success, else one of the texts below
};

inline constexpr const wchar_t* kHttpsInitFailed = L"Could not initialize HTTPS client.";
inline constexpr const wchar_t* kHttpsConnectFailed = L"Could not connect to the update server.";
inline constexpr const wchar_t* kHttpsRequestFailed = L"Could not create the update request.";
inline constexpr const wchar_t* kHttpsNoResponse = L"The update server did not respond.";

class HttpsClient {
  public:
    virtual ~HttpsClient() = default;
    // Blocking; each step is bounded by the client's time-outs.
    virtual HttpsResponse get(const std::wstring& path) = 0;
};

// The response of a request whose headers arrived. `bodyComplete` is false
// when a read failed or the body's length differs from the length the server
// announced: such a body is never usable, whatever the status said.
HttpsResponse finishResponse(int32_t status, std::vector<uint8_t> body, bool bodyComplete);

} // namespace gripline
