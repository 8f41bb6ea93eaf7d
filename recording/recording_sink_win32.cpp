// The recording file on Windows: created with read sharing so the user can
// look at it while it grows, flushed to the disk before it is closed.
#include "recording/recording_sink.h"

#include <windows.h>

namespace gripline {

namespace {

class Win32RecordingSink final : public RecordingSink {
  public:
    explicit Win32RecordingSink(HANDLE file) : file_(file) {}
    ~Win32RecordingSink() override { close(); }

    bool write(const void* bytes, size_t size) override {
        DWORD written = 0;
        return file_ != INVALID_HANDLE_VALUE &&
               WriteFile(file_, bytes, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    }
    bool close() override {
        if (file_ == INVALID_HANDLE_VALUE)
            return true;
        const bool flushed = FlushFileBuffers(file_) != 0;
        const bool closed = CloseHandle(file_) != 0;
        file_ = INVALID_HANDLE_VALUE;
        return flushed && closed;
    }

  private:
    HANDLE file_;
};

} // namespace

std::unique_ptr<RecordingSink> createRecordingFile(const std::filesystem::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<Win32RecordingSink>(file);
}

void lowerWriterThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

} // namespace gripline
