#include "tools/pid_wheel/wheel_model_source.h"

#include <cctype>

namespace gripline::pidwheel {

namespace {

// Interim: the text form read byte by byte, until the descriptor parser of
// the portable core is in.
std::optional<std::vector<uint8_t>> parseHexText(std::string_view text, std::string& error) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '#' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (std::isxdigit(static_cast<unsigned char>(c))) {
            if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X")
                i += 2;
            size_t end = i;
            while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])))
                ++end;
            if (end - i != 2) {
                error = "not a byte: \"" + std::string(text.substr(i, end - i)) + "\"";
                return std::nullopt;
            }
            bytes.push_back(
                static_cast<uint8_t>(std::stoul(std::string(text.substr(i, 2)), nullptr, 16)));
            i = end;
        } else if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
            ++i;
        } else {
            error = std::string("unexpected character '") + c + "'";
            return std::nullopt;
        }
    }
    return bytes;
}

void addAnswer(std::vector<uint8_t>& packed, std::initializer_list<uint8_t> report) {
    packed.push_back(static_cast<uint8_t>(report.size() & 0xFF));
    packed.push_back(static_cast<uint8_t>(report.size() >> 8));
    packed.insert(packed.end(), report);
}

} // namespace

std::optional<std::vector<uint8_t>> descriptorBytesOf(std::string_view fileBytes, bool binary,
                                                      std::string& error) {
    std::optional<std::vector<uint8_t>> bytes =
        binary ? std::vector<uint8_t>(fileBytes.begin(), fileBytes.end())
               : parseHexText(fileBytes, error);
    if (bytes && bytes->empty()) {
        error = "the descriptor is empty";
        return std::nullopt;
    }
    return bytes;
}

// Interim: the OpenFFBoard wheel's layout written out, whatever the bytes.
std::optional<WheelModel> modelFor(std::span<const uint8_t>, std::string&) {
    WheelModel model;
    model.inputReportId = 1;
    model.inputReportBytes = 25; // ID, 64 buttons, 8 axes of 16 bits
    model.buttonBitOffset = 8;
    model.buttonCount = 32;
    model.axisBitOffset = 72;
    model.axisBits = 16;
    model.axisMinimum = -32767;
    model.axisMaximum = 32767;
    addAnswer(model.featureAnswers, {0x12, 0x00, 0x01, 0xFF, 0xFF}); // Block Load: success
    addAnswer(model.featureAnswers, {0x13, 0xFF, 0xFF, 0x28, 0x01}); // PID Pool: device-managed
    model.createEffectReportId = 0x11;
    model.blockLoadReportId = 0x12;
    model.blockIndexByte = 1;
    return model;
}

} // namespace gripline::pidwheel
