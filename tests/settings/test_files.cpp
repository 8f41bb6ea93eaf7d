#include "tests/settings/test_files.h"

#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace gripline::test {

namespace {

// One folder per test program run, so that runs of the native and the
// sanitizer build at the same time never share files; removed at exit.
class RunFolder {
  public:
    RunFolder() {
        std::random_device random;
        const uint64_t id = (uint64_t{random()} << 32) | random();
        path_ =
            std::filesystem::temp_directory_path() / ("gripline-settings-" + std::to_string(id));
    }
    ~RunFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace

std::filesystem::path freshTestDir() {
    static const RunFolder run;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir =
        run.path() / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string utf16File(const std::wstring& text) {
    return encodeIniText(text, IniEncoding::Utf16Le);
}

} // namespace gripline::test
