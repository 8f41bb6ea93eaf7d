#pragma once
// Files for the settings tests: a fresh folder per test and file contents in
// exactly the bytes given.
#include <filesystem>
#include <string>

namespace gripline::test {

// An empty folder of its own for the running test.
std::filesystem::path freshTestDir();

void writeBytes(const std::filesystem::path& file, const std::string& bytes);
std::string readBytes(const std::filesystem::path& file);

// Text as UTF-16LE with a byte-order mark.
std::string utf16File(const std::wstring& text);

} // namespace gripline::test
