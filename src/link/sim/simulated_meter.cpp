#include "link/sim/simulated_meter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Random streams, one per quantity, so that changing one leaves the others.
enum EStream : uint64_t {
    VoltsSlow = 1,
    VoltsFast,
    VoltsNoise,
    AmpsSlow,
    AmpsFast,
    AmpsNoise,
    PfSlow,
    PfNoise,
    HzSlow,
    HzNoise,
    ModeJitter,
    EventChance,
    EventKind,
    EventLength,
    EventStart,
    MemoryStart,
    MemoryStore,
};

constexpr uint64_t kModeStepMs = 30000;      // function switch: 30 s +- 5 s
constexpr uint64_t kModeJitterMs = 10000;
constexpr uint64_t kEventSlotMs = 12000;     // at most one event per slot
constexpr double kEventChance = 0.45;
constexpr uint64_t kEventMinMs = 2000;
constexpr uint64_t kEventExtraMs = 3000;
constexpr uint64_t kMemorySlotMs = 40000;    // one store per slot
constexpr uint64_t kMemoryFlagMs = 2000;     // MEM shows this long after a store

// Flag bits of positions 21 to 24.
constexpr uint8_t kBattery = 0x1, kDanger = 0x8;                         // 21
constexpr uint8_t kVoltsOverload = 0x1, kMainOverload = 0x2, kMax = 0x4, kMin = 0x8;  // 22
constexpr uint8_t kHold = 0x1, kMem = 0x8;                               // 23
constexpr uint8_t kPhaseMark1 = 0x8;                                     // 24

uint64_t mix(uint64_t x)
{
    // splitmix64 finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Four decimal digits and the point code of a display. Point code c puts
// the decimal point before the last c digits (0: none).
struct Display {
    std::array<uint8_t, 4> Digits{};
    uint8_t Point = 0;
};

Display display(double value, int decimals)
{
    double scaled = std::abs(value);
    for (int i = 0; i < decimals; ++i)
        scaled *= 10;
    const auto n = static_cast<uint32_t>(std::min(std::llround(scaled), 9999LL));
    return Display{{static_cast<uint8_t>(n / 1000), static_cast<uint8_t>(n / 100 % 10),
                    static_cast<uint8_t>(n / 10 % 10), static_cast<uint8_t>(n % 10)},
                   static_cast<uint8_t>(decimals)};
}

// As many decimals (at most @p maxDecimals) as four digits allow.
Display autoRanged(double value, int maxDecimals)
{
    int decimals = maxDecimals;
    while (decimals > 0 && std::llround(std::abs(value) * std::pow(10.0, decimals)) > 9999)
        --decimals;
    return display(value, decimals);
}

}  // namespace

struct SimulatedMeter::Event {
    enum EKind : uint8_t { None, Hold, Max, Min, MainOverload, VoltsOverload };
    EKind Kind = None;
    uint64_t Start = 0;  // [ms]
};

SimulatedMeter::SimulatedMeter(Options options) : options_(options) {}

double SimulatedMeter::unit(uint64_t stream, uint64_t index) const
{
    const uint64_t bits = mix(mix(options_.Seed ^ (stream * 0xD1B54A32D192ED03ull)) ^ index);
    return static_cast<double>(bits >> 11) * 0x1.0p-53;  // [0, 1)
}

double SimulatedMeter::smooth(uint64_t ms, uint64_t periodMs, uint64_t stream) const
{
    // Value noise: random knots every period, joined by half cosines. [-1, 1]
    const uint64_t knot = ms / periodMs;
    const double along = static_cast<double>(ms % periodMs) / static_cast<double>(periodMs);
    const double a = 2 * unit(stream, knot) - 1;
    const double b = 2 * unit(stream, knot + 1) - 1;
    const double w = (1 - std::cos(std::numbers::pi * along)) / 2;
    return a + (b - a) * w;
}

SimulatedLoad SimulatedMeter::loadAt(uint64_t ms) const
{
    // Noise changes once per frame, so a frame shows one consistent moment.
    const uint64_t frameNo = ms / kFramePeriodMs;
    SimulatedLoad load;
    load.Volts = 230 + 4 * smooth(ms, 173000, VoltsSlow) + 1.5 * smooth(ms, 37000, VoltsFast) +
                 0.6 * (unit(VoltsNoise, frameNo) - 0.5);
    load.Amps = std::max(0.3, 6 + 4 * smooth(ms, 61000, AmpsSlow) + 1.5 * smooth(ms, 13000, AmpsFast) +
                                  0.06 * (unit(AmpsNoise, frameNo) - 0.5));
    load.PowerFactor = std::clamp(0.88 + 0.07 * smooth(ms, 83000, PfSlow) +
                                      0.006 * (unit(PfNoise, frameNo) - 0.5),
                                  0.5, 0.999);
    load.Hertz = 50 + 0.04 * smooth(ms, 29000, HzSlow) + 0.01 * (unit(HzNoise, frameNo) - 0.5);
    load.Kva = load.Volts * load.Amps / 1000;
    load.Kw = load.Kva * load.PowerFactor;
    load.Kvar = std::sqrt(std::max(0.0, load.Kva * load.Kva - load.Kw * load.Kw));
    load.PhaseDegrees = std::acos(load.PowerFactor) * 180 / std::numbers::pi;
    return load;
}

uint64_t SimulatedMeter::modeBoundary(uint64_t segment) const
{
    if (segment == 0)
        return 0;
    const auto jitter = static_cast<int64_t>(unit(ModeJitter, segment) * kModeJitterMs) -
                        static_cast<int64_t>(kModeJitterMs / 2);
    return static_cast<uint64_t>(static_cast<int64_t>(segment * kModeStepMs) + jitter);
}

SimulatedMeter::EMode SimulatedMeter::modeAt(uint64_t ms) const
{
    // Segment k runs from modeBoundary(k) to modeBoundary(k + 1); the jitter
    // is under half a step, so the naive segment is off by at most one.
    uint64_t segment = ms / kModeStepMs;
    if (segment > 0 && ms < modeBoundary(segment))
        --segment;
    else if (ms >= modeBoundary(segment + 1))
        ++segment;
    return static_cast<EMode>(segment % kModeCount);
}

uint64_t SimulatedMeter::memoryStoreTime(uint64_t slot) const
{
    return slot * kMemorySlotMs + 5000 + static_cast<uint64_t>(unit(MemoryStore, slot) * 30000);
}

int SimulatedMeter::memoryCountAt(uint64_t ms) const
{
    const uint64_t slot = ms / kMemorySlotMs;
    const uint64_t stores = slot + (ms >= memoryStoreTime(slot) ? 1 : 0);
    const auto start = static_cast<uint64_t>(unit(MemoryStart, 0) * 20);
    return static_cast<int>((start + stores) % 100);
}

SimulatedMeter::Event SimulatedMeter::eventAt(uint64_t ms) const
{
    const uint64_t slot = ms / kEventSlotMs;
    if (slot == 0 || unit(EventChance, slot) >= kEventChance)
        return {};
    const uint64_t length = kEventMinMs + static_cast<uint64_t>(unit(EventLength, slot) * kEventExtraMs);
    const uint64_t start =
        slot * kEventSlotMs + static_cast<uint64_t>(unit(EventStart, slot) * (kEventSlotMs - length));
    if (ms < start || ms >= start + length)
        return {};
    // HOLD most often, overloads least.
    const double kind = unit(EventKind, slot);
    const Event::EKind k = kind < 0.3   ? Event::Hold
                           : kind < 0.5 ? Event::Max
                           : kind < 0.7 ? Event::Min
                           : kind < 0.85 ? Event::MainOverload
                                         : Event::VoltsOverload;
    return {k, start};
}

MeterFrameBytes SimulatedMeter::frameAt(uint64_t ms) const
{
    const EMode mode = modeAt(ms);
    const Event event = eventAt(ms);
    // HOLD, MAX and MIN keep showing the readings of the moment they began.
    const bool held = event.Kind == Event::Hold || event.Kind == Event::Max || event.Kind == Event::Min;
    const SimulatedLoad load = loadAt(held ? event.Start : ms);

    Display main;
    switch (mode) {
    case Kw: main = autoRanged(load.Kw, 3); break;
    case Kva: main = autoRanged(load.Kva, 3); break;
    case Kvar: main = autoRanged(load.Kvar, 3); break;
    case Pf: main = display(load.PowerFactor, 3); break;
    case Phase: main = autoRanged(load.PhaseDegrees, 2); break;
    case Hz: main = display(load.Hertz, 2); break;
    }
    const Display volts = display(load.Volts, 1);
    const Display amps = autoRanged(load.Amps, 2);
    const int memory = memoryCountAt(ms);

    uint8_t f21 = 0, f22 = 0, f23 = 0;
    if (options_.BatteryLow)
        f21 |= kBattery;
    if (options_.Danger)
        f21 |= kDanger;
    switch (event.Kind) {
    case Event::Hold: f23 |= kHold; break;
    case Event::Max: f22 |= kMax; break;
    case Event::Min: f22 |= kMin; break;
    case Event::MainOverload: f22 |= kMainOverload; break;
    case Event::VoltsOverload: f22 |= kVoltsOverload; break;
    case Event::None: break;
    }
    const uint64_t slot = ms / kMemorySlotMs;
    const uint64_t lastStore = ms >= memoryStoreTime(slot) ? memoryStoreTime(slot)
                               : slot > 0                  ? memoryStoreTime(slot - 1)
                                                           : UINT64_MAX;
    if (lastStore != UINT64_MAX && ms - lastStore < kMemoryFlagMs)
        f23 |= kMem;

    const std::array<uint8_t, 24> digits{
        static_cast<uint8_t>(mode), 0, 0,
        main.Digits[0], main.Digits[1], main.Digits[2], main.Digits[3], main.Point,
        volts.Digits[0], volts.Digits[1], volts.Digits[2], volts.Digits[3], volts.Point,
        amps.Digits[0], amps.Digits[1], amps.Digits[2], amps.Digits[3], amps.Point,
        static_cast<uint8_t>(memory / 10), static_cast<uint8_t>(memory % 10),
        f21, f22, f23, kPhaseMark1};
    MeterFrameBytes frame{};
    for (std::size_t i = 0; i < digits.size(); ++i)
        frame[i] = static_cast<uint8_t>((((i + 1) & 0x0F) << 4) | digits[i]);
    frame[24] = 0x0D;
    frame[25] = 0x0A;
    return frame;
}

uint64_t SimulatedMeter::nextFrameIndex(uint64_t ms)
{
    return (ms + kFramePeriodMs - 1) / kFramePeriodMs;
}

std::string SimulatedMeter::frameText(const MeterFrameBytes& frame)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(frame.size());
    for (const uint8_t byte : frame)
        text += kHex[byte & 0x0F];
    return text;
}
