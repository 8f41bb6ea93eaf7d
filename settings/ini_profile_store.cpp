#include "settings/ini_profile_store.h"

#include "settings/ini_document.h"
#include "settings/ini_text.h"
#include "settings/wide_text.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <system_error>

namespace gripline {

namespace {

struct LoadedFile {
    IniDocument Document;
    IniEncoding Encoding = IniEncoding::Utf16Le;
    bool Unreadable = false; // there, but could not be read: never overwrite it
};

// A missing or unreadable file reads as an empty one. A folder would open as
// a stream here and throw on reading: it counts as there and unreadable, as
// Windows' profile functions see it.
LoadedFile load(const std::filesystem::path& file) {
    LoadedFile loaded;
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(file, ec))
        in.open(file, std::ios::binary);
    if (!in) {
        loaded.Unreadable = std::filesystem::exists(file, ec);
        return loaded;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    IniText text = decodeIniBytes(bytes);
    loaded.Document = IniDocument::parse(text.Text);
    loaded.Encoding = text.Encoding;
    return loaded;
}

bool save(const std::filesystem::path& file, const LoadedFile& loaded) {
    const std::string bytes = encodeIniText(loaded.Document.serialize(), loaded.Encoding);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

// Loads, edits and writes back only when the edit changed something, as the
// Windows functions skip the write of an unchanged value.
bool edit(const std::filesystem::path& file, const std::function<bool(IniDocument&)>& change) {
    LoadedFile loaded = load(file);
    if (loaded.Unreadable)
        return false;
    if (!change(loaded.Document))
        return true;
    return save(file, loaded);
}

} // namespace

std::wstring profileValue(std::wstring_view stored, size_t capacity) {
    if (stored.size() >= 2 && (stored.front() == L'"' || stored.front() == L'\'') &&
        stored.back() == stored.front())
        stored = stored.substr(1, stored.size() - 2);
    std::wstring out;
    if (capacity == 0)
        return out;
    size_t units = 0;
    for (size_t pos = 0; pos < stored.size();) {
        const size_t start = pos;
        nextCodePoint(stored, pos);
        units += utf16Length(stored.substr(start, pos - start));
        if (units > capacity - 1)
            break;
        out.append(stored.substr(start, pos - start));
    }
    return out;
}

std::wstring IniProfileStore::readString(const std::filesystem::path& file,
                                         const std::wstring& section, const std::wstring& key,
                                         const std::wstring& fallback, size_t capacity) const {
    const LoadedFile loaded = load(file);
    if (const std::wstring* stored = loaded.Document.find(section, key))
        return profileValue(*stored, capacity);
    // The default comes back without trailing blanks, as on Windows.
    std::wstring_view def = fallback;
    while (!def.empty() && def.back() == L' ')
        def.remove_suffix(1);
    return std::wstring(def.substr(0, capacity == 0 ? 0 : capacity - 1));
}

bool IniProfileStore::writeString(const std::filesystem::path& file, const std::wstring& section,
                                  const std::wstring& key, const std::wstring& value) {
    return edit(file, [&](IniDocument& doc) { return doc.set(section, key, value); });
}

bool IniProfileStore::deleteKey(const std::filesystem::path& file, const std::wstring& section,
                                const std::wstring& key) {
    return edit(file, [&](IniDocument& doc) { return doc.eraseKey(section, key); });
}

bool IniProfileStore::deleteSection(const std::filesystem::path& file,
                                    const std::wstring& section) {
    return edit(file, [&](IniDocument& doc) { return doc.eraseSection(section); });
}

} // namespace gripline
