#pragma once
// What the fuzz targets share: an invariant check that stops the run the way
// a sanitizer does (libFuzzer then keeps the input as a crash), and a
// scratch file per process for the code that reads from a path.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <unistd.h>

// Names the invariant and where it is checked; the input that broke it is
// the crash file libFuzzer writes.
#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant failed: %s (%s) at %s:%d\n", what, #condition,         \
                         __FILE__, __LINE__);                                                      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace gripline::fuzz {

// A file of this process's own (several fuzzing processes may share /tmp),
// rewritten with each input.
inline std::filesystem::path scratchFile(const char* name) {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("gripline-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder / name;
}

inline void writeScratch(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace gripline::fuzz
