#pragma once
// The settings' only way to a file: one string in one section of an INI
// file, as the Windows private-profile functions offer it. The Windows
// program uses those functions; tests and the command-line tool use a
// portable store that reads and writes the same files.
#include <cstddef>
#include <filesystem>
#include <string>

namespace gripline {

class ProfileStore {
  public:
    virtual ~ProfileStore() = default;

    // The value of `key` in `section`, trimmed and without outer quotes, or
    // `fallback` when the file, the section or the key is missing. Like a
    // read into a buffer of `capacity` characters: at most capacity - 1
    // UTF-16 units.
    virtual std::wstring readString(const std::filesystem::path& file, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& fallback,
                                    size_t capacity) const = 0;

    // False when the file could not be written.
    virtual bool writeString(const std::filesystem::path& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) = 0;
    virtual bool deleteKey(const std::filesystem::path& file, const std::wstring& section,
                           const std::wstring& key) = 0;
    virtual bool deleteSection(const std::filesystem::path& file, const std::wstring& section) = 0;
};

} // namespace gripline
