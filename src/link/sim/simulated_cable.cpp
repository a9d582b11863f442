#include "link/sim/simulated_cable.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

// At 2400 bit/s a byte with start and stop bit takes 10 / 2400 s; byte j
// (from 0) of a frame is complete at the frame's start + (j + 1) * this.
constexpr uint64_t kByteTimeNumUs = 25000;  // 10 bits * 1e6 us / 2400 bit/s = 25000 / 6 us
constexpr uint64_t kByteTimeDenUs = 6;
constexpr uint64_t kFramePeriodUs = uint64_t{SimulatedMeter::kFramePeriodMs} * 1000;
constexpr uint64_t kFrameSpanUs = SimulatedMeter::kFrameBytes * kByteTimeNumUs / kByteTimeDenUs + 1;

// The real-time thread skips what it missed beyond this (a suspended
// computer), as the line would have been lost meanwhile. [ms]
constexpr uint64_t kMaxCatchUpMs = 1000;
// While no handle of the cable is open, the real-time thread wakes this
// seldom [ms]; the reports it sends meanwhile are lost anyway.
constexpr uint64_t kUnheardWakeMs = 200;

}  // namespace

THidSimDevice SimulatedCable::device()
{
    THidSimDevice d;
    d.VendorID = 0x1A86;
    d.ProductID = 0xE008;
    d.VersionNumber = 0x0100;
    d.ProductString = u"USB to Serial";
    d.SerialNumberString = std::nullopt;
    d.Caps = THidCaps{0, 0, kInputReportLength, 0, kLineSettingsReport.size()};
    return d;
}

SimulatedCable::SimulatedCable(std::shared_ptr<THidSimPlatform> platform, Options options)
    : platform_(std::move(platform)), options_(options), meter_(options.Meter)
{
}

SimulatedCable::~SimulatedCable()
{
    stopRealTime();
    unplug();
}

uint32_t SimulatedCable::plug(uint32_t instance)
{
    std::lock_guard plugging(plugMutex_);
    {
        std::lock_guard lock(mutex_);
        if (plugged_)
            return instance_;
    }
    THidSimDevice d = device();
    d.DeviceInstance = instance;
    // Outside the cable's lock: plugging raises the device-change notification.
    const uint32_t plugged = platform_->Plug(d);
    std::lock_guard lock(mutex_);
    plugged_ = true;
    instance_ = plugged;
    configured_ = false;
    featuresSeen_ = platform_->FeatureReports(plugged).size();
    fifo_.clear();
    const uint64_t now = platform_->Now();
    nextTickMs_ = now + std::max<uint32_t>(options_.ReportPeriodMs, 1);
    lineUs_ = now * 1000;
    return plugged;
}

bool SimulatedCable::unplug()
{
    std::lock_guard plugging(plugMutex_);
    uint32_t instance = 0;
    {
        std::lock_guard lock(mutex_);
        if (!plugged_)
            return false;
        plugged_ = false;
        configured_ = false;
        fifo_.clear();
        instance = instance_;
    }
    platform_->Unplug(instance);
    return true;
}

bool SimulatedCable::plugged() const
{
    std::lock_guard lock(mutex_);
    return plugged_;
}

uint32_t SimulatedCable::deviceInstance() const
{
    std::lock_guard lock(mutex_);
    return instance_;
}

bool SimulatedCable::configured() const
{
    std::lock_guard lock(mutex_);
    return configured_;
}

void SimulatedCable::setMeterOn(bool on)
{
    std::lock_guard lock(mutex_);
    meterOn_ = on;
}

uint64_t SimulatedCable::reportsSent() const
{
    std::lock_guard lock(mutex_);
    return reportsSent_;
}

void SimulatedCable::checkFeatureReportsLocked()
{
    // The platform keeps every feature report the device received; the
    // bridge acts on the last new one.
    const auto features = platform_->FeatureReports(instance_);
    if (features.size() <= featuresSeen_)
        return;
    featuresSeen_ = features.size();
    const auto& last = features.back();
    configured_ = std::equal(last.begin(), last.end(), kLineSettingsReport.begin(),
                             kLineSettingsReport.end());
    if (!configured_)
        fifo_.clear();
}

void SimulatedCable::sendReportLocked(uint64_t tickMs)
{
    checkFeatureReportsLocked();
    const uint64_t tickUs = tickMs * 1000;
    if (configured_ && meterOn_ && tickUs > lineUs_) {
        // Serial bytes completed in (lineUs_, tickUs].
        const uint64_t firstFrame = lineUs_ >= kFrameSpanUs ? (lineUs_ - kFrameSpanUs) / kFramePeriodUs : 0;
        const uint64_t lastFrame = tickUs / kFramePeriodUs;
        for (uint64_t k = firstFrame; k <= lastFrame; ++k) {
            const uint64_t startUs = k * kFramePeriodUs;
            if (!lastFrame_ || lastFrame_->first != k)
                lastFrame_.emplace(k, meter_.frame(k));
            for (std::size_t j = 0; j < SimulatedMeter::kFrameBytes; ++j) {
                const uint64_t doneUs = startUs + (j + 1) * kByteTimeNumUs / kByteTimeDenUs;
                if (doneUs > lineUs_ && doneUs <= tickUs)
                    fifo_.push_back(lastFrame_->second[j]);
            }
        }
    }
    lineUs_ = std::max(lineUs_, tickUs);

    std::vector<uint8_t> report(kInputReportLength, 0);  // report ID 0, zero padding
    const auto n = static_cast<uint8_t>(std::min<std::size_t>(fifo_.size(), kMaxSerialBytes));
    report[1] = static_cast<uint8_t>(0xF0 | n);
    std::copy_n(fifo_.begin(), n, report.begin() + 2);
    fifo_.erase(fifo_.begin(), fifo_.begin() + n);
    ++reportsSent_;

    // Kept only while someone has the device open, up to the buffer's size.
    if (platform_->OpenHandleCount(instance_) == 0)
        return;
    if (options_.BufferedReports != 0 && platform_->QueuedReportCount(instance_) >= options_.BufferedReports)
        return;
    if (options_.ReportFilter)
        options_.ReportFilter(tickMs, report);
    platform_->QueueInputReport(instance_, std::move(report));
}

void SimulatedCable::pumpLocked(uint64_t nowMs)
{
    const uint64_t period = std::max<uint32_t>(options_.ReportPeriodMs, 1);
    while (plugged_ && nextTickMs_ <= nowMs) {
        sendReportLocked(nextTickMs_);
        nextTickMs_ += period;
    }
}

void SimulatedCable::pump()
{
    std::lock_guard lock(mutex_);
    pumpLocked(platform_->Now());
}

void SimulatedCable::advanceTime(uint32_t ms)
{
    std::lock_guard lock(mutex_);
    const uint64_t target = platform_->Now() + ms;
    const uint64_t period = std::max<uint32_t>(options_.ReportPeriodMs, 1);
    while (plugged_ && nextTickMs_ <= target) {
        const uint64_t now = platform_->Now();
        if (nextTickMs_ > now)
            platform_->AdvanceTime(static_cast<uint32_t>(nextTickMs_ - now));
        sendReportLocked(nextTickMs_);
        nextTickMs_ += period;
    }
    const uint64_t now = platform_->Now();
    if (target > now)
        platform_->AdvanceTime(static_cast<uint32_t>(target - now));
}

void SimulatedCable::runInRealTime()
{
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable())
        return;
    threadStop_ = false;
    thread_ = std::thread([this] { realTimeLoop(); });
}

void SimulatedCable::stopRealTime()
{
    std::thread thread;
    {
        std::lock_guard lock(threadMutex_);
        threadStop_ = true;
        thread = std::move(thread_);
    }
    threadWake_.notify_all();
    if (thread.joinable())
        thread.join();
}

void SimulatedCable::realTimeLoop()
{
    const uint64_t period = std::max<uint32_t>(options_.ReportPeriodMs, 1);
    std::unique_lock threadLock(threadMutex_);
    while (!threadStop_) {
        uint64_t waitMs = period;
        {
            std::lock_guard lock(mutex_);
            const uint64_t now = platform_->Now();
            if (plugged_ && now > nextTickMs_ + kMaxCatchUpMs) {
                nextTickMs_ = now - (now - nextTickMs_) % period;
                lineUs_ = std::max(lineUs_, (nextTickMs_ - period) * 1000);
            }
            pumpLocked(now);
            if (plugged_)
                waitMs = nextTickMs_ > now ? nextTickMs_ - now : 0;
            // No one keeps the reports: send them in batches, waking less.
            if (plugged_ && platform_->OpenHandleCount(instance_) == 0)
                waitMs = std::max(waitMs, kUnheardWakeMs);
        }
        threadWake_.wait_for(threadLock, std::chrono::milliseconds(waitMs), [this] { return threadStop_; });
    }
}
