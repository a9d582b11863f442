// The simulated meter: its frames are well formed and decode, show the load
// they claim to, step through the six units, and are the same for the same
// seed and time.

#include "link/sim/simulated_meter.h"

#include "meter/meter_decoder.h"
#include "meter/recording_outputs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kTenMinutes = 10 * 60 * 1000;
constexpr uint64_t kTenMinutesOfFrames = kTenMinutes / SimulatedMeter::kFramePeriodMs;

int nibble(char c)
{
    return *MeterDecoder::HexNibbleValue(c);
}

// Every frame of ten minutes decodes; all six units, the timed flags and a
// counting memory show up; the side displays stay in range.
TEST(SimulatedMeter, TenMinutesOfFramesDecodeAndShowEverything)
{
    for (const uint64_t seed : {1ull, 7ull, 0xC0FFEEull}) {
        SimulatedMeter meter({.Seed = seed});
        MeterDecoder decoder(".");
        RecordingOutputs outputs;
        std::set<std::string> units;
        std::set<int> memories;
        int hold = 0, max = 0, min = 0, mainOverload = 0, voltsOverload = 0, mem = 0;
        int flaggedRun = 0, longestFlaggedRun = 0;
        for (uint64_t k = 0; k < kTenMinutesOfFrames; ++k) {
            const MeterFrameBytes frame = meter.frame(k);
            const std::string text = SimulatedMeter::frameText(frame);
            ASSERT_EQ(text.size(), 26u);
            ASSERT_EQ(frame[24], 0x0D);
            ASSERT_EQ(frame[25], 0x0A);
            for (std::size_t i = 0; i < 24; ++i)
                ASSERT_EQ(frame[i] >> 4, (i + 1) % 16) << "byte " << i;
            ASSERT_EQ(outputs.apply(decoder.ShowDataQ7(text, outputs.dial), text), FrameOutcome::Decoded)
                << "seed " << seed << " frame " << k << ' ' << text << ": " << decoder.lastDropReason();

            const MeterReading& r = decoder.reading();
            units.insert(r.UnitText);
            memories.insert(decoder.MemoryCount());
            const int f22 = nibble(text[21]), f23 = nibble(text[22]);
            hold += f23 & 1;
            mem += (f23 >> 3) & 1;
            max += (f22 >> 2) & 1;
            min += (f22 >> 3) & 1;
            mainOverload += (f22 >> 1) & 1;
            voltsOverload += f22 & 1;
            flaggedRun = (f22 != 0 || (f23 & 1)) ? flaggedRun + 1 : 0;
            longestFlaggedRun = std::max(longestFlaggedRun, flaggedRun);

            if (!(f22 & 1)) {
                const double volts = *decoder.TextToNumber(r.VValueText);
                EXPECT_TRUE(volts > 220 && volts < 240) << r.VValueText;
            }
            const double amps = *decoder.TextToNumber(r.IValueText);
            EXPECT_TRUE(amps >= 0.3 && amps < 12) << r.IValueText;
            if (r.UnitText == "Hz" && !(f22 & 2)) {
                const double hertz = *decoder.TextToNumber(r.ValueText);
                EXPECT_TRUE(hertz > 49.9 && hertz < 50.1) << r.ValueText;
            }
        }
        EXPECT_EQ(decoder.droppedFrames(), 0u);
        EXPECT_EQ(units, (std::set<std::string>{"KW", "KVA", "KVAr", "PF", "o", "Hz"})) << seed;
        EXPECT_GT(hold, 0);
        EXPECT_GT(max, 0);
        EXPECT_GT(min, 0);
        EXPECT_GT(mainOverload + voltsOverload, 0);
        EXPECT_GT(mem, 0);
        EXPECT_GE(memories.size(), 10u) << "counts up about every 40 s";
        // "Briefly": no flag stays longer than an event lasts (5 s).
        EXPECT_LE(longestFlaggedRun, 10);
    }
}

// The main display shows the load's quantity for its mode, rounded to its
// digits; KVA agrees with the voltage and current shown beside it.
TEST(SimulatedMeter, DisplaysShowTheLoad)
{
    const SimulatedMeter meter({.Seed = 3});
    MeterDecoder decoder(".");
    RecordingOutputs outputs;
    std::set<SimulatedMeter::EMode> checked;
    for (uint64_t k = 0; k < kTenMinutesOfFrames; ++k) {
        const uint64_t ms = k * SimulatedMeter::kFramePeriodMs;
        const std::string text = SimulatedMeter::frameText(meter.frame(k));
        ASSERT_EQ(outputs.apply(decoder.ShowDataQ7(text, outputs.dial), text), FrameOutcome::Decoded);
        if (text.substr(20, 4) != "0008")
            continue;  // HOLD, MAX, MIN or an overload: not the load of this moment
        const SimulatedLoad load = meter.loadAt(ms);
        const SimulatedMeter::EMode mode = meter.modeAt(ms);
        const double expected[] = {load.Kw, load.Kva, load.Kvar, load.PowerFactor, load.PhaseDegrees,
                                   load.Hertz};
        const MeterReading& r = decoder.reading();
        const double shown = *decoder.TextToNumber(r.ValueText);
        const double lastDigit = std::pow(10.0, -nibble(text[7]));
        EXPECT_NEAR(shown, expected[mode], lastDigit / 2 + 1e-9) << text << " mode " << int(mode);
        EXPECT_NEAR(*decoder.TextToNumber(r.VValueText), load.Volts, 0.05 + 1e-9);
        EXPECT_NEAR(*decoder.TextToNumber(r.IValueText), load.Amps, 0.005 + 1e-9);
        if (mode == SimulatedMeter::Kva) {
            const double v = *decoder.TextToNumber(r.VValueText), i = *decoder.TextToNumber(r.IValueText);
            EXPECT_NEAR(shown, v * i / 1000, 0.003) << text;
        }
        checked.insert(mode);
    }
    EXPECT_EQ(checked.size(), 6u);
}

TEST(SimulatedMeter, LoadQuantitiesAgree)
{
    const SimulatedMeter meter({.Seed = 11});
    for (uint64_t ms = 0; ms < kTenMinutes; ms += 977) {
        const SimulatedLoad l = meter.loadAt(ms);
        EXPECT_NEAR(l.Kva, l.Volts * l.Amps / 1000, 1e-12);
        EXPECT_NEAR(l.Kw, l.Kva * l.PowerFactor, 1e-12);
        EXPECT_NEAR(l.Kw * l.Kw + l.Kvar * l.Kvar, l.Kva * l.Kva, 1e-9);
        EXPECT_NEAR(std::cos(l.PhaseDegrees * std::numbers::pi / 180), l.PowerFactor, 1e-9);
        EXPECT_TRUE(l.PowerFactor >= 0.5 && l.PowerFactor < 1) << l.PowerFactor;
    }
}

// The function switch steps KW, KVA, KVAr, PF, phase angle, Hz and round
// again, every 20 to 40 s.
TEST(SimulatedMeter, FunctionSwitchStepsEveryTwentyToFortySeconds)
{
    const SimulatedMeter meter({.Seed = 5});
    EXPECT_EQ(meter.modeAt(0), SimulatedMeter::Kw);
    std::vector<uint64_t> changes{0};
    int previous = meter.modeAt(0);
    for (uint64_t ms = 100; ms < kTenMinutes; ms += 100) {
        const int mode = meter.modeAt(ms);
        if (mode == previous)
            continue;
        EXPECT_EQ(mode, (previous + 1) % SimulatedMeter::kModeCount) << ms;
        EXPECT_GE(ms - changes.back(), 20000u) << ms;
        EXPECT_LE(ms - changes.back(), 40100u) << ms;
        changes.push_back(ms);
        previous = mode;
    }
    EXPECT_GE(changes.size(), 16u);
}

TEST(SimulatedMeter, SameSeedAndTimeGiveTheSameFrame)
{
    const SimulatedMeter a({.Seed = 42}), b({.Seed = 42}), other({.Seed = 43});
    bool differs = false;
    for (uint64_t k = 0; k < 400; ++k) {
        EXPECT_EQ(a.frame(k), b.frame(k)) << k;
        EXPECT_EQ(a.frame(k), a.frameAt(k * SimulatedMeter::kFramePeriodMs)) << k;
        differs = differs || a.frame(k) != other.frame(k);
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(SimulatedMeter::nextFrameIndex(0), 0u);
    EXPECT_EQ(SimulatedMeter::nextFrameIndex(1), 1u);
    EXPECT_EQ(SimulatedMeter::nextFrameIndex(500), 1u);
    EXPECT_EQ(SimulatedMeter::nextFrameIndex(501), 2u);
}

TEST(SimulatedMeter, OptionsShowBatteryAndDanger)
{
    struct Case {
        bool battery, danger;
        char f21;
    };
    for (const Case c : {Case{false, false, '0'}, Case{true, false, '1'}, Case{false, true, '8'},
                         Case{true, true, '9'}}) {
        const SimulatedMeter meter({.Seed = 1, .BatteryLow = c.battery, .Danger = c.danger});
        for (uint64_t k = 0; k < 100; ++k)
            ASSERT_EQ(SimulatedMeter::frameText(meter.frame(k))[20], c.f21) << k;
    }
}

TEST(SimulatedMeter, FrameTextTakesTheLowDigitOfEachByte)
{
    struct Case {
        MeterFrameBytes frame;
        const char* text;
    };
    const Case cases[] = {
        {{0x30, 0x30, 0x30, 0x31, 0x32, 0x33, 0x34, 0x32, 0x32, 0x32, 0x30, 0x35, 0x31,
          0x30, 0x35, 0x31, 0x38, 0x32, 0x30, 0x37, 0x35, 0x34, 0x31, 0x38, 0x0D, 0x0A},
         "000123422205105182075418DA"},
        {{0xFF, 0x0E, 0x1D, 0x2C, 0x3B, 0x4A, 0x59, 0x68, 0x77, 0x86, 0x95, 0xA4, 0xB3,
          0xC2, 0xD1, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
         "FEDCBA98765432100000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SimulatedMeter::frameText(c.frame), c.text);
}

}  // namespace
