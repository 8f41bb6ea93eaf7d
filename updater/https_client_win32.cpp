#include "updater/https_client_win32.h"

#include "updater/program_version.h"

#include <windows.h>
#include <winhttp.h>

#include <utility>

namespace gripline {

namespace {

// Owns one WinHTTP handle (session, connection or request). Declared in the
// order session, connection, request, they close in the reverse order.
class ScopedInternet {
  public:
    explicit ScopedInternet(HINTERNET h) : h_(h) {}
    ~ScopedInternet() {
        if (h_)
            WinHttpCloseHandle(h_);
    }
    ScopedInternet(const ScopedInternet&) = delete;
    ScopedInternet& operator=(const ScopedInternet&) = delete;
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

  private:
    HINTERNET h_;
};

HttpsResponse failure(const wchar_t* error) {
    HttpsResponse response;
    response.error = error;
    return response;
}

int32_t statusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return static_cast<int32_t>(status);
}

// The announced length of the body; false when the server sent none
// (chunked or closed-connection bodies).
bool contentLength(HINTERNET request, DWORD& length) {
    DWORD size = sizeof(length);
    return WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &length, &size,
                               WINHTTP_NO_HEADER_INDEX) != FALSE;
}

// Reads until the server says nothing more is available. Returns false when
// a query or read failed, or a read announced bytes and delivered none: the
// connection dropped, and the body is cut short.
bool readBody(HINTERNET request, std::vector<uint8_t>& body) {
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return false;
        if (available == 0)
            return true;
        size_t start = body.size();
        body.resize(start + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, body.data() + start, available, &read) || read == 0) {
            body.resize(start);
            return false;
        }
        body.resize(start + read);
    }
}

} // namespace

HttpsResponse httpsGet(const std::wstring& host, const std::wstring& path) {
    return httpsGet(host, kHttpsPort, path);
}

HttpsResponse httpsGet(const std::wstring& host, uint16_t port, const std::wstring& path) {
    std::wstring agent = std::wstring(L"Torvix Updater/") + kProgramVersionText;
    ScopedInternet session(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return failure(kHttpsInitFailed);
    // Name resolution and connect 5 s, send and each receive 15 s: bounds on
    // how long the window thread can hang on a dead server.
    WinHttpSetTimeouts(session.get(), 5000, 5000, 15000, 15000);

    ScopedInternet connection(WinHttpConnect(session.get(), host.c_str(), port, 0));
    if (!connection)
        return failure(kHttpsConnectFailed);
    // WINHTTP_FLAG_SECURE with no security flags: the certificate, its
    // chain and its name are checked as for any HTTPS request.
    ScopedInternet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              WINHTTP_FLAG_SECURE));
    if (!request)
        return failure(kHttpsRequestFailed);
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return failure(kHttpsNoResponse);

    int32_t status = statusCode(request.get());
    std::vector<uint8_t> body;
    bool everyReadSucceeded = readBody(request.get(), body);
    DWORD announced = 0;
    bool lengthMatches = !contentLength(request.get(), announced) || body.size() == announced;
    return finishResponse(status, std::move(body), everyReadSucceeded && lengthMatches);
}

} // namespace gripline
