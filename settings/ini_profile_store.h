#pragma once
// The portable profile store: reads and writes the settings files itself,
// with the Windows functions' rules (see IniDocument), so that a file
// written by either build reads the same in the other. A new file is
// UTF-16LE with a byte-order mark, as the Windows program creates it; an
// existing file keeps its encoding unless a character does not fit.
#include "settings/profile_store.h"

namespace gripline {

class IniProfileStore final : public ProfileStore {
  public:
    std::wstring readString(const std::filesystem::path& file, const std::wstring& section,
                            const std::wstring& key, const std::wstring& fallback,
                            size_t capacity) const override;
    bool writeString(const std::filesystem::path& file, const std::wstring& section,
                     const std::wstring& key, const std::wstring& value) override;
    bool deleteKey(const std::filesystem::path& file, const std::wstring& section,
                   const std::wstring& key) override;
    bool deleteSection(const std::filesystem::path& file, const std::wstring& section) override;
};

// What the Windows functions return for a stored value: outer quotes of
// either kind removed, then cut to capacity - 1 UTF-16 units.
std::wstring profileValue(std::wstring_view stored, size_t capacity);

} // namespace gripline
