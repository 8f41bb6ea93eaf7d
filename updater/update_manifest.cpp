#include "updater/update_manifest.h"

#include "common/unicode_text.h"
#include "updater/sha256.h"

#include <cctype>

#include <string_view>

namespace gripline {

namespace {

// The string value of `key`, looked up anywhere in the text: the first
// quoted occurrence of the key, the next colon, then the text between the
// next two double quotes. Escapes are not decoded, and a value that is not a
// string (a number, say) yields whatever string follows it, or nothing: the
// manifest's own validity rules catch both. Empty when a search fails.
std::wstring stringValue(std::string_view text, std::string_view key) {
    std::string quotedKey = "\"" + std::string(key) + "\"";
    size_t at = text.find(quotedKey);
    if (at == std::string_view::npos)
        return {};
    size_t colon = text.find(':', at + quotedKey.size());
    if (colon == std::string_view::npos)
        return {};
    size_t open = text.find('"', colon + 1);
    if (open == std::string_view::npos)
        return {};
    size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return {};
    return utf8ToWide(text.substr(open + 1, close - open - 1));
}

// A hash member, lower-cased; false when it is there but is not 64
// hexadecimal digits (a manifest that means to be checked but cannot be is
// refused whole rather than installed unchecked).
bool hashValue(std::string_view text, std::string_view key, std::string& hash) {
    hash = wideToUtf8(stringValue(text, key));
    for (char& c : hash)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hash.empty() || isSha256Hex(hash);
}

} // namespace

UpdateManifest parseManifest(std::span<const uint8_t> bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    UpdateManifest manifest;
    manifest.versionText = stringValue(text, "version");
    manifest.appPath = stringValue(text, "appPath");
    manifest.analyzerPath = stringValue(text, "analyzerPath");
    manifest.notes = stringValue(text, "notes");
    const bool hashesRead = hashValue(text, "appSha256", manifest.appSha256) &&
                            hashValue(text, "analyzerSha256", manifest.analyzerSha256);
    manifest.valid = parseVersion(manifest.versionText, manifest.version) &&
                     !manifest.appPath.empty() && !manifest.analyzerPath.empty() && hashesRead;
    return manifest;
}

} // namespace gripline
