#pragma once
// A simulator's shared-memory block in a byte buffer: the standard
// variables laid out by TelemetryImage, published tick by tick like the
// simulator does, behind a BufferTelemetrySource the reader attaches to.
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <span>
#include <vector>

namespace gripline::test {

struct TickValues {
    bool onTrack = true;
    float speed = 30.0f;     // m/s
    float torque = 5.0f;     // N·m
    int torqueSubSamples = 6; // sub-samples written; the layout decides how many are read
};

class SimulatedBlock {
  public:
    // `capacity`: bytes of the block, at least what the layout needs; room
    // for a larger layout a test rewrites the block into later.
    explicit SimulatedBlock(std::vector<TelemetryVarSpec> vars = standardTelemetryVars(),
                            size_t capacity = 0)
        : image(std::move(vars)) {
        source.bytes().assign(std::max(image.size(), capacity), 0);
        image.format(source.bytes());
        TelemetryImage::setConnected(source.bytes(), true);
    }

    // A simulator started anew over the same block: the header and table
    // are written in the new layout (the session-information counter and
    // the connection bit keep their values), every buffer is empty.
    void rewrite(std::vector<TelemetryVarSpec> vars) {
        image = TelemetryImage(std::move(vars));
        if (image.size() > block().size())
            throw std::length_error("the block has no room for the new layout");
        const int32_t update = loadInt32(block(), irsdk::kSessionInfoUpdate);
        const int32_t status = loadInt32(block(), irsdk::kStatus);
        image.format(block());
        std::memcpy(block().data() + irsdk::kSessionInfoUpdate, &update, sizeof update);
        std::memcpy(block().data() + irsdk::kStatus, &status, sizeof status);
    }

    std::span<uint8_t> block() { return source.bytes(); }

    void publish(int32_t tick, const TickValues& v = {}) {
        std::vector<uint8_t> line = image.newLine();
        image.setBool(line, "IsOnTrack", v.onTrack);
        image.setFloat(line, "Speed", v.speed);
        image.setFloat(line, "SteeringWheelTorque", v.torque);
        for (int i = 0; i < v.torqueSubSamples; ++i)
            image.setFloat(line, "SteeringWheelTorque_ST", v.torque + 0.1f * i, i);
        image.publishLine(block(), line, tick);
    }

    void setConnected(bool connected) { TelemetryImage::setConnected(block(), connected); }
    void setSessionText(std::string_view text) { image.setSessionText(block(), text); }

    TelemetryImage image;
    BufferTelemetrySource source;
};

} // namespace gripline::test
