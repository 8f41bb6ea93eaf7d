#pragma once
// The PID wheel's raw report log turned into device events in the virtual
// wheel's log shape ("<qpc_us> <event> [value]"), so the checks written
// for that wheel and `gripline plot --wheel-log` read both.
//
// Raw lines, as the driver writes them:
//   <qpc_us> write|setoutput|setfeature|getfeature|getinput <hex>
//   <qpc_us> started|removed
// Events:
//   reset, enable, disable, stopall, pause, continue   Device Control
//   gain <0..10000>                                     Device Gain
//   effect <type>      Create New Effect (device pool), or the first Set
//                      Effect of a block index (host pool)
//   seteffect <type>, effectgain <0..10000>, duration <ms|infinite>,
//   axes <bit mask>, direction <hundredths of a degree>  Set Effect
//   envelope <attack level>/<fade level>                Set Envelope
//   magnitude <-10000..10000>                            Set Constant Force
//   start, start solo, stop                              Effect Operation
//   release effect                                       Block Free
//   plugged, unplugged                                   device start, removal
//   report <kind> <hex>  anything else the device was sent
// Values in DirectInput units are recovered from the report exactly: the
// inverse of DirectInput's own scaling of each field.
#include "tools/pid_wheel/hid_descriptor.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::pidwheel {

struct WheelLogEvent {
    int64_t atUs = 0;
    std::string name;
    std::string value;
};

class PidReportDecoder {
  public:
    explicit PidReportDecoder(HidDescriptor descriptor);

    // The events of one raw line; a malformed line gives none.
    std::vector<WheelLogEvent> decodeLine(std::string_view line);
    std::vector<WheelLogEvent> decodeLog(std::string_view text);

  private:
    void decodeOutput(int64_t atUs, std::span<const uint8_t> report,
                      std::vector<WheelLogEvent>& out);
    void decodeSetEffect(int64_t atUs, uint8_t id, std::span<const uint8_t> report,
                         std::vector<WheelLogEvent>& out);
    bool reportIs(ReportKind kind, uint8_t id, uint16_t reportUsage) const;
    const HidField* field(ReportKind kind, uint8_t id, uint16_t usage) const;
    std::optional<int64_t> value(ReportKind kind, uint8_t id, uint16_t usage,
                                 std::span<const uint8_t> report) const;

    HidDescriptor descriptor_;
    bool hostPool_ = true;    // no Create New Effect: DirectInput numbers the effects
    std::set<int64_t> known_; // the effect blocks seen since their last Block Free
};

// The inverse of DirectInput's scaling of a value in [physicalMin,
// physicalMax] onto a field's logical range (truncating): the value that
// scales to `raw`, or the nearest; nothing when `raw` lies outside the
// logical range (DirectInput's mark for an out-of-range value).
std::optional<int64_t> unscale(int64_t raw, int32_t logicalMin, int32_t logicalMax,
                               int32_t physicalMin, int32_t physicalMax);

std::string formatWheelLog(const std::vector<WheelLogEvent>& events);

} // namespace gripline::pidwheel
