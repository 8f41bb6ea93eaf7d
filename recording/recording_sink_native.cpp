// Off Windows (the native tests, the command-line tool) a recording is an
// ordinary stdio file.
#include "recording/recording_sink.h"

#include <cstdio>

namespace gripline {

namespace {

class StdioRecordingSink final : public RecordingSink {
  public:
    explicit StdioRecordingSink(std::FILE* file) : file_(file) {}
    ~StdioRecordingSink() override { close(); }

    bool write(const void* bytes, size_t size) override {
        return file_ && std::fwrite(bytes, 1, size, file_) == size;
    }
    bool close() override {
        if (!file_)
            return true;
        const bool flushed = std::fflush(file_) == 0;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return flushed && closed;
    }

  private:
    std::FILE* file_;
};

} // namespace

std::unique_ptr<RecordingSink> createRecordingFile(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return nullptr;
    return std::make_unique<StdioRecordingSink>(file);
}

void lowerWriterThreadPriority() {}

} // namespace gripline
