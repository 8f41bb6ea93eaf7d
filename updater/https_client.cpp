#include "updater/https_client.h"

#include <utility>

namespace gripline {

HttpsResponse finishResponse(int32_t status, std::vector<uint8_t> body, bool bodyComplete) {
    HttpsResponse response;
    response.status = status;
    response.body = std::move(body);
    // A connection dropped halfway must not pass for a download: a truncated
    // program written over the installed one would no longer start.
    if (!bodyComplete)
        response.error = kHttpsNoResponse;
    else if (status != 200)
        response.error = L"The update server returned HTTP " + std::to_wstring(status) + L".";
    response.ok = response.error.empty();
    return response;
}

} // namespace gripline
