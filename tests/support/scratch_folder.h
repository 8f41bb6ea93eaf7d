#pragma once
// A folder of the running test's own under the temporary folder: empty when
// the test starts, removed when it ends, so tests never see each other's
// files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace gripline::test {

class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() /
                (prefix + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace gripline::test
