#pragma once
// Where a recording's bytes go: the file the user chose. The Windows build
// writes through CreateFileW/WriteFile, the native build through stdio; the
// tests substitute sinks that stall or fail.
#include <cstddef>
#include <filesystem>
#include <memory>

namespace gripline {

class RecordingSink {
  public:
    virtual ~RecordingSink() = default;
    // True only when every byte was written.
    virtual bool write(const void* bytes, size_t size) = 0;
    // Flushes to the disk and closes; true when the data reached it.
    virtual bool close() = 0;
};

// Creates (or replaces) the file for writing, others may read it meanwhile.
// Null when it cannot be created.
std::unique_ptr<RecordingSink> createRecordingFile(const std::filesystem::path& path);

// The writer thread runs below normal priority so the disk never competes
// with the engine and the output threads.
void lowerWriterThreadPriority();

} // namespace gripline
