#pragma once
// The profile store of the Windows program: the private-profile functions.
#include "settings/profile_store.h"

namespace gripline {

class Win32ProfileStore final : public ProfileStore {
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

// The full path of the running executable.
std::wstring executablePath();

} // namespace gripline
