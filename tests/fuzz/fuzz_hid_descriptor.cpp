// A report descriptor from a file a user names, and the report log read with
// it: the parser, the driver's model of the device and the decoder must
// stay inside their bounds whatever the bytes, and a field never reaches
// past the report it belongs to.
#include "tests/fuzz/fuzz_check.h"
#include "tools/pid_wheel/pid_device_model.h"
#include "tools/pid_wheel/pid_report_log.h"

#include <string>

using namespace gripline::pidwheel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const std::span<const uint8_t> bytes(data, size);
    const auto descriptor = parseReportDescriptor(bytes, error);
    if (!descriptor) {
        FUZZ_CHECK(!error.empty(), "a refused descriptor says why");
        return 0;
    }
    for (const HidField& f : descriptor->fields) {
        const uint32_t bytesOfReport = descriptor->reportBytes(f.kind, f.reportId);
        FUZZ_CHECK(bytesOfReport <= kMaxReportBytes, "a report stays within the limit");
        FUZZ_CHECK((f.bitOffset + uint64_t{f.bitSize} * f.count + 7) / 8 <= bytesOfReport,
                   "a field lies inside its report");
    }
    if (const auto model = deviceModelOf(*descriptor, error)) {
        FUZZ_CHECK(model->input.reportBytes <= kMaxReportBytes, "the input report is bounded");
        FUZZ_CHECK(model->input.axisBitOffset + model->input.axisBits <=
                       model->input.reportBytes * 8,
                   "the axis lies inside the input report");
        for (const FeatureAnswer& a : model->featureAnswers)
            FUZZ_CHECK(!a.bytes.empty() && a.bytes.size() <= kMaxReportBytes,
                       "answers are bounded");
    }
    // The same bytes as reports of every kind, against this descriptor.
    std::string hex;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < size && i < 64; ++i)
        hex += {kDigits[data[i] >> 4], kDigits[data[i] & 15]};
    PidReportDecoder decoder(*descriptor);
    for (const char* kind : {"write", "setoutput", "setfeature", "getfeature"})
        decoder.decodeLine("1 " + std::string(kind) + " " + hex);
    return 0;
}
