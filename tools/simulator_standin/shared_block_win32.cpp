#include "tools/simulator_standin/shared_block_win32.h"

#include "telemetry/telemetry_layout.h"
#include "tools/simulator_standin/feed.h"

namespace gripline::standin {

namespace {
std::string failure(const char* what) {
    return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
}
} // namespace

bool SharedBlock::open(size_t blockSize, std::string& error) {
    const uint64_t mappingSize = mappingSizeFor(blockSize);
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                      static_cast<DWORD>(mappingSize >> 32),
                                      static_cast<DWORD>(mappingSize), irsdk::kMemMapName));
    if (!mapping_) {
        error = failure("cannot create the shared memory \"Local\\IRSDKMemMapFileName\"");
        return false;
    }
    // An existing mapping keeps the size it was made with: map all of it and
    // ask how large it is.
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    if (!view_.get() || VirtualQuery(view_.get(), &info, sizeof info) == 0) {
        error = failure("cannot map the shared memory \"Local\\IRSDKMemMapFileName\"");
        return false;
    }
    size_ = info.RegionSize;
    if (!blockFits(size_, blockSize, error))
        return false;
    event_.reset(CreateEventW(nullptr, FALSE, FALSE, irsdk::kDataValidEventName));
    if (!event_) {
        error = failure("cannot create the event \"Local\\IRSDKDataValidEvent\"");
        return false;
    }
    return true;
}

} // namespace gripline::standin
