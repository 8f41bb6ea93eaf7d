#pragma once
// A HID report descriptor read into the fields of the reports it declares:
// where each field sits in its report, its ranges and the collections around
// it. The PID wheel builds its input report and its feature answers from it,
// and the report log is decoded with it. Descriptors come from files a user
// names, so every length and count is bounded.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::pidwheel {

enum class ReportKind { Input, Output, Feature };

struct Usage {
    uint16_t page = 0;
    uint16_t id = 0;
    bool operator==(const Usage&) const = default;
};

struct HidField {
    ReportKind kind = ReportKind::Input;
    uint8_t reportId = 0; // 0 when the descriptor declares no report IDs
    // Bits from the start of the report as it travels: the report ID byte is
    // always counted (hidclass passes a 0 byte first when there are no IDs).
    uint32_t bitOffset = 0;
    uint32_t bitSize = 0; // of one value
    uint32_t count = 0;
    int32_t logicalMin = 0, logicalMax = 0;
    int32_t physicalMin = 0, physicalMax = 0;
    bool variable = false; // else an array: each value selects usages[value - logicalMin]
    bool constant = false; // padding
    std::vector<Usage> usages;
    std::vector<Usage> collections; // the enclosing collections' usages, outermost first

    // The usage of value `index` of a variable field (the last one repeats).
    std::optional<Usage> usageOf(uint32_t index) const;
    bool inCollection(Usage collection) const;
};

struct HidDescriptor {
    bool hasReportIds = false;
    std::vector<HidField> fields;

    // The report's length in bytes, its ID byte included; 0 when no such report.
    uint32_t reportBytes(ReportKind kind, uint8_t id) const;
    // The report IDs of one kind, each once, in the order they appear.
    std::vector<uint8_t> reportIds(ReportKind kind) const;
};

// Longest report we accept: hidclass and DirectInput take far less.
inline constexpr uint32_t kMaxReportBytes = 1024;

std::optional<HidDescriptor> parseReportDescriptor(std::span<const uint8_t> bytes,
                                                   std::string& error);

// A descriptor written as text: hexadecimal bytes ("0x05," or "05"), with
// "//" and "#" comments to the end of the line.
std::optional<std::vector<uint8_t>> parseDescriptorText(std::string_view text, std::string& error);

// One value of a field in a report, sign-extended when the logical minimum
// is negative; nothing when the report is too short.
std::optional<int64_t> fieldValue(const HidField& field, uint32_t index,
                                  std::span<const uint8_t> report);
// Writes one value of a field (its low bitSize bits); false when the report
// is too short.
bool setFieldValue(const HidField& field, uint32_t index, int64_t value, std::span<uint8_t> report);

} // namespace gripline::pidwheel
