#include "tools/gripline_cli/snapshot_json.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace gripline {

namespace {

void appendKey(std::string& out, std::string_view key) {
    out += out.back() == '{' ? "\"" : ",\""; // the object's '{' is already there
    out += key;
    out += "\":";
}

void appendField(std::string& out, std::string_view key, bool value) {
    appendKey(out, key);
    out += value ? "true" : "false";
}

void appendField(std::string& out, std::string_view key, int32_t value) {
    appendKey(out, key);
    out += std::to_string(value);
}

void appendField(std::string& out, std::string_view key, float value) {
    appendKey(out, key);
    appendJsonNumber(out, value);
}

void appendField(std::string& out, std::string_view key, const float (&values)[kSubSamples]) {
    appendKey(out, key);
    out += '[';
    for (int i = 0; i < kSubSamples; ++i) {
        if (i > 0)
            out += ',';
        appendJsonNumber(out, values[i]);
    }
    out += ']';
}

} // namespace

// snprintf rather than iostreams or to_chars: "%.9g" is the one spelling the
// independent Python reader in the tests can reproduce exactly. The Windows
// build compiles this file with mingw's own C99 printf (__USE_MINGW_ANSI_STDIO,
// set in CMakeLists.txt): msvcrt's printf writes three-digit exponents
// ("1e-005") and would make the two builds' output differ. The C locale is
// never changed, so the decimal separator is always '.'.
void appendJsonNumber(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    if (n > 0 && static_cast<size_t>(n) < sizeof text)
        out.append(text, static_cast<size_t>(n));
    else
        out += "null"; // cannot happen for a finite float: at most 15 characters
}

void appendSnapshotJson(std::string& out, const TelemetrySnapshot& s) {
    out += '{';
    appendField(out, "Valid", s.Valid);
    appendField(out, "IsOnTrack", s.IsOnTrack);
    appendField(out, "TickCount", s.TickCount);
    appendField(out, "Speed", s.Speed);
    appendField(out, "SteeringWheelTorque", s.SteeringWheelTorque);
    appendField(out, "SteeringWheelAngle", s.SteeringWheelAngle);
    appendField(out, "SteeringWheelAngleMax", s.SteeringWheelAngleMax);
    appendField(out, "VelocityX", s.VelocityX);
    appendField(out, "VelocityY", s.VelocityY);
    appendField(out, "LongAccel", s.LongAccel);
    appendField(out, "LatAccel", s.LatAccel);
    appendField(out, "YawRate", s.YawRate);
    appendField(out, "BrakeABSactive", s.BrakeABSactive);
    appendField(out, "LFshockDefl", s.LFshockDefl);
    appendField(out, "RFshockDefl", s.RFshockDefl);
    appendField(out, "CFshockDefl", s.CFshockDefl);
    appendField(out, "LFshockDeflSt", s.LFshockDeflSt);
    appendField(out, "RFshockDeflSt", s.RFshockDeflSt);
    appendField(out, "CFshockDeflSt", s.CFshockDeflSt);
    appendField(out, "TorqueSt", s.TorqueSt);
    appendField(out, "TorqueStCount", s.TorqueStCount);
    appendField(out, "ShockStCount", s.ShockStCount);
    appendField(out, "CFshockStCount", s.CFshockStCount);
    appendField(out, "IsReplayPlaying", s.IsReplayPlaying);
    appendField(out, "WeatherDeclaredWet", s.WeatherDeclaredWet);
    appendField(out, "TrackWetness", s.TrackWetness);
    out += '}';
}

std::string snapshotJson(const TelemetrySnapshot& snapshot) {
    std::string out;
    appendSnapshotJson(out, snapshot);
    return out;
}

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace gripline
