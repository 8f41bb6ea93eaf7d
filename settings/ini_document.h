#pragma once
// An INI file's sections and keys, parsed and looked up the way the Windows
// private-profile functions do it, so that both builds read a file alike.
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

class IniDocument {
  public:
    IniDocument() : sections_(1) {} // an empty file
    static IniDocument parse(std::wstring_view text);
    // Lines end in CR LF, as the Windows functions write them.
    std::wstring serialize() const;

    // The stored value of `key` in the first section named `section`, or
    // null. A line without "=" has the empty value.
    const std::wstring* find(std::wstring_view section, std::wstring_view key) const;
    // False when the key already held that value (nothing to write).
    bool set(std::wstring_view section, std::wstring_view key, std::wstring_view value);
    // False when there was nothing to remove.
    bool eraseKey(std::wstring_view section, std::wstring_view key);
    bool eraseSection(std::wstring_view section);

  private:
    struct Entry {
        std::wstring Name;
        std::wstring Value;
        bool HasValue = true;
    };
    struct Section {
        std::wstring Name; // empty for lines before the first header
        std::vector<Entry> Entries;
    };

    Section* findSection(std::wstring_view name);
    const Section* findSection(std::wstring_view name) const;

    std::vector<Section> sections_; // the first holds the lines before any header
};

// White space as the profile functions skip it (Ctrl-Z included).
bool isProfileSpace(wchar_t c);
std::wstring_view trimProfileSpace(std::wstring_view text);

} // namespace gripline
