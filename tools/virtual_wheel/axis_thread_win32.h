#pragma once
// The wheel's own thread: every millisecond it turns the rim under the
// torque the device's playing effects ask for and reports the new lX. It
// sleeps while no effect plays and the rim is at rest.
#include "common/scoped_handle_win32.h"
#include "tools/virtual_wheel/wheel_model.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace gripline::wheel {

struct MotorCommand {
    int32_t magnitude = 0; // magnitude units after every gain, ±10000
    bool autocentre = false;
    bool effectPlaying = false; // even at zero force or in its start delay
};

// What the thread asks of its device; called on the axis thread.
class AxisHost {
  public:
    virtual ~AxisHost() = default;
    virtual MotorCommand motorCommand(int64_t nowNs) = 0;
    virtual void axisMoved(int32_t raw) = 0;
};

class AxisThread {
  public:
    // Starts the thread; `host` must outlive this object.
    AxisThread(AxisHost& host, const RimConstants& rim);
    // Stops and joins the thread.
    ~AxisThread();
    AxisThread(const AxisThread&) = delete;
    AxisThread& operator=(const AxisThread&) = delete;

    // Something the motor command depends on changed: a resting thread
    // looks again. Cheap when the thread is already ticking.
    void wake();
    // The latest lX in raw units, 0..65535.
    int32_t axisRaw() const { return axisRaw_.load(std::memory_order_acquire); }

  private:
    void run();
    bool restingFor(const MotorCommand& command) const;
    void sleepUntilWoken();

    AxisHost& host_;
    WheelModel model_; // owner: the axis thread (after construction)
    ScopedHandle wakeEvent_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> resting_{false};
    std::atomic<int32_t> axisRaw_;
    std::thread thread_; // last: started once everything above exists
};

} // namespace gripline::wheel
