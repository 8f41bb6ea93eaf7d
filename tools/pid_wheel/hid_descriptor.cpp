#include "tools/pid_wheel/hid_descriptor.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

namespace gripline::pidwheel {

namespace {

// A hostile descriptor could ask for 65 535 usages in one range or nest
// collections without end; real wheels stay far below these.
constexpr size_t kMaxUsages = 512;
constexpr size_t kMaxDepth = 32;
constexpr size_t kMaxFields = 4096;
constexpr uint32_t kMaxBits = kMaxReportBytes * 8;

struct Globals {
    uint16_t usagePage = 0;
    int64_t logicalMin = 0, logicalMax = 0, physicalMin = 0, physicalMax = 0;
    uint32_t reportSize = 0, reportCount = 0;
    uint8_t reportId = 0;
};

struct Locals {
    std::vector<Usage> usages;
    std::optional<uint32_t> usageMin; // extended (page << 16 | id) when 4 bytes
    std::optional<uint32_t> usageMax;
    bool minExtended = false;
};

uint32_t unsignedData(std::span<const uint8_t> data) {
    uint32_t v = 0;
    for (size_t i = 0; i < data.size(); ++i)
        v |= static_cast<uint32_t>(data[i]) << (8 * i);
    return v;
}

int64_t signedData(std::span<const uint8_t> data) {
    const uint32_t v = unsignedData(data);
    switch (data.size()) {
    case 1:
        return static_cast<int8_t>(v);
    case 2:
        return static_cast<int16_t>(v);
    case 4:
        return static_cast<int32_t>(v);
    default:
        return 0;
    }
}

// A maximum written in fewer bytes than its sign needs ("0x25 0xFF" after a
// minimum of 0) means the unsigned value, as Windows' parser reads it.
int64_t maximumOf(int64_t minimum, std::span<const uint8_t> data) {
    const int64_t v = signedData(data);
    return minimum >= 0 && v < 0 ? static_cast<int64_t>(unsignedData(data)) : v;
}

Usage usageFrom(uint32_t value, size_t size, uint16_t page) {
    if (size == 4)
        return {static_cast<uint16_t>(value >> 16), static_cast<uint16_t>(value & 0xFFFF)};
    return {page, static_cast<uint16_t>(value)};
}

class Parser {
  public:
    std::optional<HidDescriptor> run(std::span<const uint8_t> bytes, std::string& error) {
        size_t at = 0;
        while (at < bytes.size()) {
            const uint8_t prefix = bytes[at];
            if (prefix == 0xFE) { // a long item: skipped whole
                if (at + 2 >= bytes.size())
                    return fail(error, at, "a long item runs past the end");
                at += 3 + bytes[at + 1];
                continue;
            }
            const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
            if (at + 1 + size > bytes.size())
                return fail(error, at, "an item runs past the end");
            const std::span<const uint8_t> data = bytes.subspan(at + 1, size);
            const uint8_t tag = prefix & 0xFC;
            std::string problem;
            if (!item(tag, data, size, problem))
                return fail(error, at, problem);
            at += 1 + size;
        }
        if (!collections_.empty())
            return fail(error, bytes.size(), "a collection is never closed");
        return std::move(out_);
    }

  private:
    std::optional<HidDescriptor> fail(std::string& error, size_t at, const std::string& why) {
        error = "byte " + std::to_string(at) + ": " + why;
        return std::nullopt;
    }

    bool item(uint8_t tag, std::span<const uint8_t> data, size_t size, std::string& problem) {
        switch (tag) {
        // Main items.
        case 0x80:
            return field(ReportKind::Input, data, problem);
        case 0x90:
            return field(ReportKind::Output, data, problem);
        case 0xB0:
            return field(ReportKind::Feature, data, problem);
        case 0xA0:
            if (collections_.size() >= kMaxDepth)
                return (problem = "collections nest too deep", false);
            collections_.push_back(locals_.usages.empty() ? Usage{} : locals_.usages.front());
            locals_ = {};
            return true;
        case 0xC0:
            if (collections_.empty())
                return (problem = "an end of collection without a collection", false);
            collections_.pop_back();
            locals_ = {};
            return true;
        // Global items.
        case 0x04:
            g_.usagePage = static_cast<uint16_t>(unsignedData(data));
            return true;
        case 0x14:
            g_.logicalMin = signedData(data);
            return true;
        case 0x24:
            g_.logicalMax = maximumOf(g_.logicalMin, data);
            return true;
        case 0x34:
            g_.physicalMin = signedData(data);
            return true;
        case 0x44:
            g_.physicalMax = maximumOf(g_.physicalMin, data);
            return true;
        case 0x74:
            g_.reportSize = unsignedData(data);
            return true;
        case 0x84:
            g_.reportId = static_cast<uint8_t>(unsignedData(data));
            if (g_.reportId == 0)
                return (problem = "report ID 0 is reserved", false);
            out_.hasReportIds = true;
            return true;
        case 0x94:
            g_.reportCount = unsignedData(data);
            return true;
        case 0xA4:
            if (stack_.size() >= kMaxDepth)
                return (problem = "too many pushes", false);
            stack_.push_back(g_);
            return true;
        case 0xB4:
            if (stack_.empty())
                return (problem = "a pop without a push", false);
            g_ = stack_.back();
            stack_.pop_back();
            return true;
        // Local items.
        case 0x08:
            if (locals_.usages.size() >= kMaxUsages)
                return (problem = "too many usages", false);
            locals_.usages.push_back(usageFrom(unsignedData(data), size, g_.usagePage));
            return true;
        case 0x18:
            locals_.usageMin = unsignedData(data);
            locals_.minExtended = size == 4;
            return true;
        case 0x28:
            locals_.usageMax = unsignedData(data);
            return addRange(size, problem);
        default: // units, exponents, designators, strings, delimiters: not needed
            return true;
        }
    }

    bool addRange(size_t maxSize, std::string& problem) {
        if (!locals_.usageMin)
            return (problem = "a usage maximum without a minimum", false);
        const Usage low = usageFrom(*locals_.usageMin, locals_.minExtended ? 4 : 1, g_.usagePage);
        const Usage high = usageFrom(*locals_.usageMax, maxSize, g_.usagePage);
        if (high.id < low.id)
            return (problem = "a usage range runs backwards", false);
        for (uint32_t id = low.id; id <= high.id; ++id) {
            if (locals_.usages.size() >= kMaxUsages)
                return (problem = "too many usages", false);
            locals_.usages.push_back({low.page, static_cast<uint16_t>(id)});
        }
        locals_.usageMin.reset();
        locals_.usageMax.reset();
        return true;
    }

    bool field(ReportKind kind, std::span<const uint8_t> data, std::string& problem) {
        const uint32_t flags = unsignedData(data);
        const uint64_t bits = static_cast<uint64_t>(g_.reportSize) * g_.reportCount;
        uint32_t& end = ends_[{kind, g_.reportId}];
        if (end == 0)
            end = 8; // the report ID byte, or hidclass' leading 0
        // Values wider than 32 bits (a vendor's 64-bit fields) are laid out
        // but never read: fieldValue() refuses them.
        if (g_.reportSize > kMaxBits)
            return (problem = "a field wider than a report", false);
        if (end + bits > kMaxBits)
            return (problem = "a report longer than " + std::to_string(kMaxReportBytes) + " bytes",
                    false);
        if (out_.fields.size() >= kMaxFields)
            return (problem = "too many fields", false);
        HidField f;
        f.kind = kind;
        f.reportId = g_.reportId;
        f.bitOffset = end;
        f.bitSize = g_.reportSize;
        f.count = g_.reportCount;
        f.logicalMin = static_cast<int32_t>(g_.logicalMin);
        f.logicalMax = static_cast<int32_t>(std::min<int64_t>(g_.logicalMax, INT32_MAX));
        f.physicalMin = static_cast<int32_t>(g_.physicalMin);
        f.physicalMax = static_cast<int32_t>(std::min<int64_t>(g_.physicalMax, INT32_MAX));
        f.constant = flags & 1;
        f.variable = flags & 2;
        f.usages = std::move(locals_.usages);
        f.collections = collections_;
        end += static_cast<uint32_t>(bits);
        if (bits > 0)
            out_.fields.push_back(std::move(f));
        locals_ = {};
        return true;
    }

    HidDescriptor out_;
    Globals g_;
    Locals locals_;
    std::vector<Globals> stack_;
    std::vector<Usage> collections_;
    std::map<std::pair<ReportKind, uint8_t>, uint32_t> ends_; // next free bit per report
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

std::optional<Usage> HidField::usageOf(uint32_t index) const {
    if (usages.empty())
        return std::nullopt;
    return usages[std::min<size_t>(index, usages.size() - 1)];
}

bool HidField::inCollection(Usage collection) const {
    return std::find(collections.begin(), collections.end(), collection) != collections.end();
}

uint32_t HidDescriptor::reportBytes(ReportKind kind, uint8_t id) const {
    uint32_t end = 0;
    for (const HidField& f : fields)
        if (f.kind == kind && f.reportId == id)
            end = std::max(end, f.bitOffset + f.bitSize * f.count);
    return (end + 7) / 8;
}

std::vector<uint8_t> HidDescriptor::reportIds(ReportKind kind) const {
    std::vector<uint8_t> ids;
    for (const HidField& f : fields)
        if (f.kind == kind && std::find(ids.begin(), ids.end(), f.reportId) == ids.end())
            ids.push_back(f.reportId);
    return ids;
}

std::optional<HidDescriptor> parseReportDescriptor(std::span<const uint8_t> bytes,
                                                   std::string& error) {
    if (bytes.empty()) {
        error = "the descriptor is empty";
        return std::nullopt;
    }
    return Parser().run(bytes, error);
}

std::optional<std::vector<uint8_t>> parseDescriptorText(std::string_view text, std::string& error) {
    std::vector<uint8_t> out;
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n')
            ++line;
        if (c == '#' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
            ++i;
            continue;
        }
        if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X'))
            i += 2;
        size_t digits = 0;
        int value = 0;
        while (i < text.size() && hexDigit(text[i]) >= 0 && digits < 3) {
            value = value * 16 + hexDigit(text[i]);
            ++i;
            ++digits;
        }
        const bool ends = i >= text.size() || std::isspace(static_cast<unsigned char>(text[i])) ||
                          text[i] == ',' || text[i] == '/' || text[i] == '#';
        if (digits == 0 || digits > 2 || !ends) {
            error = "line " + std::to_string(line) + ": not a hexadecimal byte";
            return std::nullopt;
        }
        out.push_back(static_cast<uint8_t>(value));
    }
    if (out.empty()) {
        error = "no bytes";
        return std::nullopt;
    }
    return out;
}

std::optional<int64_t> fieldValue(const HidField& field, uint32_t index,
                                  std::span<const uint8_t> report) {
    if (index >= field.count || field.bitSize == 0 || field.bitSize > 32)
        return std::nullopt;
    const uint32_t first = field.bitOffset + index * field.bitSize;
    if ((first + field.bitSize + 7) / 8 > report.size())
        return std::nullopt;
    uint64_t raw = 0;
    for (uint32_t b = 0; b < field.bitSize; ++b) {
        const uint32_t bit = first + b;
        raw |= static_cast<uint64_t>((report[bit / 8] >> (bit % 8)) & 1) << b;
    }
    if (field.logicalMin < 0 && field.bitSize < 64 && (raw >> (field.bitSize - 1)) & 1)
        return static_cast<int64_t>(raw) - (int64_t{1} << field.bitSize);
    return static_cast<int64_t>(raw);
}

bool setFieldValue(const HidField& field, uint32_t index, int64_t value,
                   std::span<uint8_t> report) {
    if (index >= field.count || field.bitSize == 0 || field.bitSize > 32)
        return false;
    const uint32_t first = field.bitOffset + index * field.bitSize;
    if ((first + field.bitSize + 7) / 8 > report.size())
        return false;
    const auto raw = static_cast<uint64_t>(value);
    for (uint32_t b = 0; b < field.bitSize; ++b) {
        const uint32_t bit = first + b;
        const auto mask = static_cast<uint8_t>(1u << (bit % 8));
        if ((raw >> b) & 1)
            report[bit / 8] |= mask;
        else
            report[bit / 8] &= static_cast<uint8_t>(~mask);
    }
    return true;
}

} // namespace gripline::pidwheel
