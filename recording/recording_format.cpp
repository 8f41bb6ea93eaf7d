#include "recording/recording_format.h"

#include <cstring>

namespace gripline {

namespace {

bool isContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

} // namespace

void setRecordingText(char (&field)[kRecordingTextSize], const std::string& text) {
    std::memset(field, 0, sizeof field);
    size_t length = text.size();
    if (length > kRecordingTextSize - 1) {
        // Back up to the start of the character that crosses the limit so
        // the analyzer never shows half a character.
        length = kRecordingTextSize - 1;
        while (length > 0 && isContinuationByte(static_cast<unsigned char>(text[length])))
            --length;
    }
    std::memcpy(field, text.data(), length);
}

std::string recordingText(const char (&field)[kRecordingTextSize]) {
    return std::string(field, strnlen(field, sizeof field));
}

RecordingHeader makeRecordingHeader() {
    RecordingHeader header{};
    std::memcpy(header.Magic, kRecordingMagic, sizeof header.Magic);
    header.Version = kRecordingVersion;
    header.HeaderSize = kRecordingHeaderSize;
    header.SampleSize = kRecordingSampleSize;
    header.TickRateHz = kRecordingTickRateHz;
    return header;
}

} // namespace gripline
