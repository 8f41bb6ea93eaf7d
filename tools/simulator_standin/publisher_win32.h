#pragma once
// The publishing thread. It alone writes the block's lines and sets the event
// while it runs; when the schedule ends the run it asks the main thread to
// quit. Owned by the main thread, which stops it (flag and join) before it
// clears the status bit.
#include "common/qpc_clock_win32.h"
#include "tools/simulator_standin/publish_loop.h"
#include "tools/simulator_standin/shared_block_win32.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace gripline::standin {

class Publisher final : private PublishPort {
  public:
    Publisher(Feed& feed, const PublishSchedule& schedule, const SharedBlock& block,
              FILE* timingLog, std::string startLine, int64_t startDelayNs);
    ~Publisher();
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    // `quitThread` gets the quit request when the schedule ends the run.
    void start(DWORD quitThread);
    void stop();

  private:
    void run(DWORD quitThread);
    void signalData() override;
    void noteTick(int32_t tick, int64_t signalNs) override;
    void announce(std::string_view line) override;

    Feed& feed_;
    PublishSchedule schedule_;
    const SharedBlock& block_;
    FILE* timingLog_; // may be null; owned by the caller, written by this thread only
    int64_t timingLines_ = 0;
    std::string startLine_;
    int64_t startDelayNs_ = 0; // before the first line
    QpcClock clock_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace gripline::standin
