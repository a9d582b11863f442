#pragma once

#include <array>
#include <cstdint>
#include <string>

/// One meter frame as it goes over the serial line: 26 bytes, the low 4 bits
/// of each carry one hexadecimal digit of the frame, the last two are CR and LF.
using MeterFrameBytes = std::array<uint8_t, 26>;

/// The load the simulated meter measures at one moment. Kva = Volts * Amps /
/// 1000, Kw = Kva * PowerFactor, Kvar = sqrt(Kva^2 - Kw^2), PhaseDegrees =
/// acos(PowerFactor) in degrees.
struct SimulatedLoad {
    double Volts = 0;
    double Amps = 0;
    double PowerFactor = 0;
    double Kva = 0;
    double Kw = 0;
    double Kvar = 0;
    double PhaseDegrees = 0;
    double Hertz = 0;
};

/// How a SimulatedMeter behaves.
struct SimulatedMeterOptions {
    uint64_t Seed = 1;
    /// Shows the battery flag (position 21, bit 0) in every frame.
    bool BatteryLow = false;
    /// Shows the danger flag (position 21, bit 3) in every frame.
    bool Danger = false;
};

/// A power clamp meter on a believable single-phase load: a 230 V class
/// voltage with noise, a drifting current, the powers, power factor, phase
/// angle and frequency that go with them. It sends one frame every
/// kFramePeriodMs. Now and then the function switch steps on (KW, KVA, KVAr,
/// PF, phase angle, Hz, every 20 to 40 s), the memory counter counts up, and
/// HOLD, MAX, MIN or an overload show for a few seconds.
///
/// Everything is a pure function of the seed and the time [ms] since the
/// meter was switched on, so the same seed and time always give the same
/// frame. Any thread (no state changes after construction).
///
/// Frame positions (1-based), each byte's low 4 bits:
///   1 mode code 0..5, 2 and 3 zero, 4-7 main digits, 8 main point code,
///   9-12 voltage digits, 13 voltage point code (1), 14-17 current digits,
///   18 current point code, 19-20 memory counter, 21-24 flag nibbles,
///   25-26 CR LF.
/// The high 4 bits of bytes 1 to 24 hold the byte's position modulo 16.
class SimulatedMeter {
public:
    using Options = SimulatedMeterOptions;

    /// Time from the start of one frame to the start of the next [ms].
    static constexpr uint32_t kFramePeriodMs = 500;
    static constexpr std::size_t kFrameBytes = 26;
    /// The meter's mode codes in the order the function switch steps through.
    enum EMode : uint8_t { Kw = 0, Kva = 1, Kvar = 2, Pf = 3, Phase = 4, Hz = 5 };
    static constexpr int kModeCount = 6;

    explicit SimulatedMeter(Options options = {});

    const Options& options() const { return options_; }

    /// The load at @p ms [ms].
    SimulatedLoad loadAt(uint64_t ms) const;
    /// Mode code the function switch is on at @p ms [ms].
    EMode modeAt(uint64_t ms) const;
    /// Memory counter at @p ms [ms], 0 to 99.
    int memoryCountAt(uint64_t ms) const;

    /// The frame showing the meter's display at @p ms [ms].
    MeterFrameBytes frameAt(uint64_t ms) const;
    /// Frame number @p index, the one the meter starts sending at
    /// @p index * kFramePeriodMs.
    MeterFrameBytes frame(uint64_t index) const { return frameAt(index * kFramePeriodMs); }
    /// Number of the first frame that starts at or after @p ms [ms].
    static uint64_t nextFrameIndex(uint64_t ms);

    /// The 26 upper-case hexadecimal digits of the low 4 bits of @p frame,
    /// as the program assembles them ("...DA" for a complete frame).
    static std::string frameText(const MeterFrameBytes& frame);

private:
    struct Event;

    double unit(uint64_t stream, uint64_t index) const;
    double smooth(uint64_t ms, uint64_t periodMs, uint64_t stream) const;
    uint64_t modeBoundary(uint64_t segment) const;
    Event eventAt(uint64_t ms) const;
    uint64_t memoryStoreTime(uint64_t slot) const;

    Options options_;
};
