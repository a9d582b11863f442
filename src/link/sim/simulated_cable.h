#pragma once

#include "link/hid/hid_sim_platform.h"
#include "link/sim/simulated_meter.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

/// How a SimulatedCable behaves.
struct SimulatedCableOptions {
    SimulatedMeterOptions Meter;
    /// Input reports kept unread at most; 0: no limit.
    uint32_t BufferedReports = 64;
    /// Time between input reports [ms].
    uint32_t ReportPeriodMs = 12;
    /// Called with each input report the cable is about to queue (report ID
    /// first) and the time it is sent at [ms]; it may change the report in
    /// any way, its length too (a noisy line). Runs under the cable's lock:
    /// it must not call the cable.
    std::function<void(uint64_t timeMs, std::vector<uint8_t>& report)> ReportFilter;
};

/// The meter's USB cable on a simulated HID platform, with a SimulatedMeter
/// at its serial end. It behaves like the HID-to-serial bridge:
///
/// - a HID device "USB to Serial" (vendor 1A86, product E008, no serial
///   number text) with 8-byte input reports, delivered as 9 bytes with the
///   report ID 0 in front, and 10-byte feature reports;
/// - every kReportPeriodMs it sends one input report: byte 0 is the count
///   byte 0xF0 | n, then the n (at most 7) serial bytes that arrived since
///   the last report, then zeros. While the line is idle n is 0;
/// - its serial line stays off until it receives the 2400 bit/s feature
///   report (kLineSettingsReport); another line setting switches it off
///   again, and unplugging forgets it;
/// - serial bytes arrive at 2400 bit/s, 10 bits a byte (one every 4.17 ms),
///   so a frame of 26 bytes spans about nine reports and is followed by
///   empty ones;
/// - like the operating system's input buffer, reports are kept only while
///   some handle of the device is open, and at most Options::BufferedReports
///   of them wait unread; later ones are lost.
///
/// The meter's time is the platform's time [ms]. With the platform's driven
/// clock, advanceTime moves the clock and sends the reports that fall due;
/// with real time, runInRealTime does the same on a thread of its own.
/// Reports are put in the platform's input queue (QueueInputReport).
///
/// Thread-safe.
class SimulatedCable {
public:
    using Options = SimulatedCableOptions;

    static constexpr uint32_t kReportPeriodMs = 12;
    /// Serial bytes one input report carries at most.
    static constexpr uint32_t kMaxSerialBytes = 7;
    /// An input report as the HID layer delivers it, report ID included.
    static constexpr uint32_t kInputReportLength = 9;
    /// The feature report that sets the line to 2400 bit/s, report ID first.
    static constexpr std::array<uint8_t, 10> kLineSettingsReport{0x00, 0x60, 0x09, 0x00, 0x00,
                                                                 0x03, 0x00, 0x00, 0x00, 0x00};

    /// The HID description of the cable (instance 0: the platform picks one).
    static THidSimDevice device();

    /// A cable not yet plugged into @p platform.
    explicit SimulatedCable(std::shared_ptr<THidSimPlatform> platform, Options options = {});
    /// Stops the real-time thread and unplugs the cable.
    ~SimulatedCable();
    SimulatedCable(const SimulatedCable&) = delete;
    SimulatedCable& operator=(const SimulatedCable&) = delete;

    /// Plugs the cable in as @p instance (0: a new one the platform picks);
    /// the bridge starts unconfigured. Returns the device instance; when it
    /// is plugged already, the current one.
    uint32_t plug(uint32_t instance = 0);
    /// Unplugs the cable; false when it was not plugged.
    bool unplug();
    bool plugged() const;
    /// Instance of the plugged cable, or of the last one; 0 before the first plug.
    uint32_t deviceInstance() const;
    /// Whether the bridge has taken the 2400 bit/s setting since it was
    /// plugged (as of the last report it sent).
    bool configured() const;

    /// Switches the meter on or off; while off the line is idle (empty
    /// reports only). On at construction.
    void setMeterOn(bool on);
    const SimulatedMeter& meter() const { return meter_; }
    const THidSimPlatform& platform() const { return *platform_; }

    /// Driven clock: advances the platform's clock by @p ms [ms], sending
    /// each report at its time.
    void advanceTime(uint32_t ms);
    /// Sends the reports due up to the platform's current time.
    void pump();
    /// Starts a thread that sends the reports in real time (platform with
    /// ETime::Real). Does nothing when it runs already.
    void runInRealTime();
    /// Stops that thread; returns once it has ended.
    void stopRealTime();

    /// Reports sent since construction (also those no one kept).
    uint64_t reportsSent() const;

private:
    /// One report at @p tickMs [ms]. Cable lock held.
    void sendReportLocked(uint64_t tickMs);
    void pumpLocked(uint64_t nowMs);
    void checkFeatureReportsLocked();
    void realTimeLoop();

    const std::shared_ptr<THidSimPlatform> platform_;
    const Options options_;
    const SimulatedMeter meter_;

    std::mutex plugMutex_;  // one plug or unplug at a time
    mutable std::mutex mutex_;
    bool plugged_ = false;
    uint32_t instance_ = 0;
    bool configured_ = false;
    bool meterOn_ = true;
    std::size_t featuresSeen_ = 0;
    uint64_t nextTickMs_ = 0;
    uint64_t lineUs_ = 0;  // serial bytes up to this time [us] are in the bridge
    std::deque<uint8_t> fifo_;
    std::optional<std::pair<uint64_t, MeterFrameBytes>> lastFrame_;  // frame number, bytes
    uint64_t reportsSent_ = 0;

    std::mutex threadMutex_;
    std::condition_variable threadWake_;
    bool threadStop_ = false;
    std::thread thread_;
};
