// The PID wheel's portable part: the two descriptors we ship read into the
// layout the driver plays, DirectInput's reports decoded back into the
// values the program asked for, and hostile descriptors refused.
#include "tools/pid_wheel/pid_device_model.h"
#include "tools/pid_wheel/pid_report_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace gripline::pidwheel;

namespace {

HidDescriptor load(const std::string& name) {
    std::ifstream file(std::string(GRIPLINE_PID_DESCRIPTORS) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    const auto bytes = parseDescriptorText(text.str(), error);
    EXPECT_TRUE(bytes) << name << ": " << error;
    const auto descriptor = parseReportDescriptor(bytes.value_or(std::vector<uint8_t>{}), error);
    EXPECT_TRUE(descriptor) << name << ": " << error;
    return descriptor.value_or(HidDescriptor{});
}

std::string events(PidReportDecoder& decoder, const std::string& lines) {
    std::string out = formatWheelLog(decoder.decodeLog(lines));
    return out;
}

} // namespace

TEST(PidWheelDescriptors, EachIsReadIntoTheLayoutItsDriverPlays) {
    struct Expect {
        const char* file;
        InputLayout input;
        uint8_t createEffect, blockLoad;
        uint32_t blockIndexByte;
        size_t featureAnswers;
    };
    const Expect cases[] = {
        // Report 1: 64 buttons, then eight 16-bit axes, X first.
        {"openffboard_wheel.hid", {1, 25, 72, 16, -32767, 32767, 8, 64}, 0x11, 0x12, 1, 3},
        // Report 1: X and Y from 0 to 65535, then 24 buttons; no feature reports.
        {"two_axis_host_pool.hid", {1, 8, 8, 16, 0, 65535, 40, 24}, 0, 0, 0, 0},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(c.file);
        std::string error;
        const auto model = deviceModelOf(load(c.file), error);
        ASSERT_TRUE(model) << error;
        const InputLayout& in = model->input;
        EXPECT_EQ(in.reportId, c.input.reportId);
        EXPECT_EQ(in.reportBytes, c.input.reportBytes);
        EXPECT_EQ(in.axisBitOffset, c.input.axisBitOffset);
        EXPECT_EQ(in.axisBits, c.input.axisBits);
        EXPECT_EQ(in.axisMinimum, c.input.axisMinimum);
        EXPECT_EQ(in.axisMaximum, c.input.axisMaximum);
        EXPECT_EQ(in.buttonBitOffset, c.input.buttonBitOffset);
        EXPECT_EQ(in.buttonCount, c.input.buttonCount);
        EXPECT_EQ(model->createEffectReportId, c.createEffect);
        EXPECT_EQ(model->blockLoadReportId, c.blockLoad);
        EXPECT_EQ(model->blockIndexByte, c.blockIndexByte);
        EXPECT_EQ(model->featureAnswers.size(), c.featureAnswers);
    }
}

// What DirectInput reads back: effect 1 loaded with success and room to
// spare; a pool of 40 effects that the device manages.
TEST(PidWheelDescriptors, FeatureAnswersLoadTheEffectAndOfferADeviceManagedPool) {
    std::string error;
    const auto model = deviceModelOf(load("openffboard_wheel.hid"), error);
    ASSERT_TRUE(model) << error;
    std::vector<std::vector<uint8_t>> answers;
    for (const FeatureAnswer& a : model->featureAnswers)
        answers.push_back(a.bytes);
    EXPECT_EQ(answers, (std::vector<std::vector<uint8_t>>{
                           {0x11, 0x00, 0x00, 0x00},          // Create New Effect
                           {0x12, 0x01, 0x01, 0xFF, 0xFF},    // Block Load: 1, success
                           {0x13, 0xFF, 0xFF, 0x28, 0x01}})); // Pool: device managed
    const std::vector<uint8_t> packed = model->packedFeatureAnswers();
    EXPECT_EQ(packed.size(), 3u * 2 + 4 + 5 + 5);
    EXPECT_EQ(std::vector<uint8_t>(packed.begin(), packed.begin() + 6),
              (std::vector<uint8_t>{4, 0, 0x11, 0, 0, 0}));
}

// Lines as the driver logs what Wine's dinput8 sends on acquire, effect
// creation, updates and release, decoded into the virtual wheel's events.
TEST(PidWheelReportLog, DecodesWhatDirectInputSendsIntoWheelEvents) {
    struct Case {
        const char* descriptor;
        const char* lines;
        const char* expected;
    };
    const Case cases[] = {
        {"openffboard_wheel.hid",
         "10 started\n"
         "11 write 0c08\n"                                 // Device Control: bit 3, reset
         "12 write 0dff\n"                                 // Device Gain 255 of 255
         "13 setfeature 11010000\n"                        // Create New Effect: constant
         "14 getfeature 120101ffff\n"                      // Block Load: changes nothing
         "15 write 0501ff7f\n"                             // Set Constant Force +full scale
         "16 write 05010080\n"                             // -full scale
         "17 write 0501ffff\n"                             // 0
         "18 write 020100000000000000000000\n"             // Set Envelope, zeros
         "19 write 010101ffff000000000000ff000200000000\n" // Set Effect
         "20 write 0a010101\n"                             // Effect Operation: start
         "21 write 0a010300\n"                             // stop
         "22 write 0b01\n"                                 // Block Free
         "23 write 0c01\n"                                 // enable actuators
         "24 removed\n"
         "garbage line\n"
         "25 write 0c0\n", // odd hex: ignored
         "10 plugged\n11 reset\n12 gain 10000\n13 effect constant\n15 magnitude 10000\n"
         "16 magnitude -10000\n17 magnitude 0\n18 envelope 0/0\n19 seteffect constant\n"
         "19 effectgain 10000\n19 duration infinite\n19 axes 0\n19 direction 0\n20 start\n"
         "21 stop\n22 release effect\n23 enable\n24 unplugged\n"},
        // The host pool: the first Set Effect of a block is its creation.
        {"two_axis_host_pool.hid",
         "1 write 0604\n"     // Device Control array: reset
         "2 write 0780\n"     // gain 128 of 255
         "3 write 0301e803\n" // magnitude 1000 in -10000..10000
         "4 write 010201ffff0000ff000700000000\n"
         "5 write 010201ffff0000ff000700000000\n"
         "6 write 04020201\n", // start solo
         "1 reset\n2 gain 5020\n3 magnitude 1000\n4 effect constant\n4 seteffect constant\n"
         "4 effectgain 10000\n4 duration infinite\n4 axes 3\n4 direction 0\n"
         "5 seteffect constant\n5 effectgain 10000\n5 duration infinite\n5 axes 3\n"
         "5 direction 0\n6 start solo\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.descriptor);
        PidReportDecoder decoder(load(c.descriptor));
        EXPECT_EQ(events(decoder, c.lines), c.expected);
    }
}

// Every magnitude the program can send comes back exactly from the report
// DirectInput makes of it, on both fields' ranges; out of the logical range
// is DirectInput's mark for a value it could not scale.
TEST(PidWheelReportLog, EveryMagnitudeComesBackExactly) {
    struct Range {
        int32_t min, max;
    };
    for (const Range r : {Range{-32768, 32767}, Range{-10000, 10000}, Range{-127, 127}}) {
        SCOPED_TRACE(r.min);
        for (int32_t v = -10000; v <= 10000; ++v) {
            const int64_t raw = r.min + int64_t{v + 10000} * (r.max - r.min) / 20000;
            if (int64_t{r.max} - r.min >= 20000)
                ASSERT_EQ(unscale(raw, r.min, r.max, -10000, 10000), v);
            else // a coarse field: the nearest of the values that share a step
                ASSERT_LE(std::abs(*unscale(raw, r.min, r.max, -10000, 10000) - v),
                          10000 / r.max + 1);
        }
        EXPECT_EQ(unscale(int64_t{r.max} + 1, r.min, r.max, -10000, 10000), std::nullopt);
    }
}

TEST(PidWheelDescriptors, MalformedDescriptorsAreRefusedWithWhere) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const Case cases[] = {
        {{}, "the descriptor is empty"},
        {{0x05}, "byte 0: an item runs past the end"},
        {{0xA1, 0x01}, "byte 2: a collection is never closed"},
        {{0xC0}, "byte 0: an end of collection without a collection"},
        {{0xB4}, "byte 0: a pop without a push"},
        {{0x85, 0x00}, "byte 0: report ID 0 is reserved"},
        {{0x19, 0x01, 0x2A, 0xFF, 0xFF}, "byte 2: too many usages"},
        {{0x19, 0x05, 0x29, 0x01}, "byte 2: a usage range runs backwards"},
        {{0x75, 0x20, 0x96, 0x00, 0x01, 0x81, 0x02}, "byte 5: a report longer than 1024 bytes"},
        {{0xFE, 0x05}, "byte 0: a long item runs past the end"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parseReportDescriptor(c.bytes, error));
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const auto model =
        deviceModelOf(*parseReportDescriptor(std::vector<uint8_t>{0x05, 0x01, 0x09, 0x31, 0x75,
                                                                  0x08, 0x95, 0x01, 0x81, 0x02},
                                             error),
                      error);
    EXPECT_FALSE(model);
    EXPECT_EQ(error, "no steering axis (Generic Desktop X) in an input report");
    for (const char* text : {"05 01 zz", "0x123", "", "# only a comment\n"}) {
        EXPECT_FALSE(parseDescriptorText(text, error)) << text;
    }
    EXPECT_EQ(parseDescriptorText("0x05, 0x01 // page\n09 04 # joystick", error),
              (std::vector<uint8_t>{0x05, 0x01, 0x09, 0x04}));
}
