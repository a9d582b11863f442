#include "link/hid/hid_device_read_thread.h"

#include "link/hid/hid_device.h"
#include "link/hid/hid_dispatcher.h"

#include <algorithm>
#include <stdexcept>

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device)
    : device_(device),
      // Answered from the preparsed data the device caches now; the reader
      // reuses these caps and never opens the main handle itself.
      caps_(device.QueryCaps()),
      reportBuffer_(caps_.InputReportByteLength),
      wakeup_(device.Platform().CreateWakeup()),
      wakeupError_(wakeup_ ? 0 : THidPlatform::GetLastError()),
      deviceAlive_(device.lifeToken_)
{
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    Terminate();
    if (thread_.joinable())
        thread_.join();
}

void THidDeviceReadThread::Start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { Execute(); });
}

void THidDeviceReadThread::Terminate()
{
    terminated_ = true;
    if (wakeup_)
        wakeup_->Signal();
}

bool THidDeviceReadThread::handOver(void (THidDeviceReadThread::*deliver)())
{
    std::exception_ptr error = device_.dispatcher_->Synchronize([this, deliver] { (this->*deliver)(); });
    if (!error)
        return true;
    // A handler that failed ends the reader; the device keeps it until StopReader.
    fatalException_ = error;
    handlerFailed_ = true;
    return false;
}

void THidDeviceReadThread::Execute()
{
    EHidWaitStatus status = EHidWaitStatus::IoCompletion;
    if (!wakeup_) {
        // Without a wake-up a read could not be ended: report it once and stop.
        lastError_ = wakeupError_;
        if (handOver(&THidDeviceReadThread::DeliverError))
            fatalException_ = std::make_exception_ptr(std::runtime_error("no wake-up object for the reader"));
    }
    try {
        while (wakeup_ && !terminated_) {
            status = EHidWaitStatus::IoCompletion;
            const auto length = static_cast<uint32_t>(reportBuffer_.size());
            std::fill(reportBuffer_.begin(), reportBuffer_.end(), uint8_t{0});
            if (device_.StartRead(reportBuffer_.data(), length)) {
                do {
                    status = device_.WaitRead(static_cast<uint32_t>(device_.ReadSleepTime()), *wakeup_);
                } while (!terminated_ && status != EHidWaitStatus::IoCompletion);
                if (terminated_)
                    break;
                bytesRead_ = device_.TakeReadResult();
                if (bytesRead_ > 0 && !handOver(&THidDeviceReadThread::DeliverReport))
                    break;
            } else {
                lastError_ = THidPlatform::GetLastError();
                // Retried at once: each failed start is reported.
                if (!handOver(&THidDeviceReadThread::DeliverError))
                    break;
            }
        }
        if (status != EHidWaitStatus::IoCompletion)
            device_.CancelPendingRead();
    } catch (...) {
        fatalException_ = std::current_exception();
        device_.CancelPendingRead();
    }
    device_.releaseRead();
    if (!terminated_)
        reportEnd();
    finished_ = true;
    device_.dispatcher_->NotifyWaiters();
}

void THidDeviceReadThread::reportEnd()
{
    std::string reason = handlerFailed_ ? "the data handler failed" : "reading failed";
    if (fatalException_) {
        try {
            std::rethrow_exception(fatalException_);
        } catch (const std::exception& failure) {
            reason += std::string(": ") + failure.what();
        } catch (...) {
            reason += ": unknown exception";
        }
    }
    std::weak_ptr<int> alive = deviceAlive_;
    THidDevice* device = &device_;
    device_.dispatcher_->Post([alive, device, reason] {
        if (alive.expired())
            return;
        if (const THidReadEndEvent handler = device->ReadEndHandler())
            handler(*device, reason);
    });
}

void THidDeviceReadThread::DeliverReport()
{
    const uint32_t bytes = std::min<uint32_t>(bytesRead_, static_cast<uint32_t>(reportBuffer_.size()));
    if (bytes == 0 || !device_.DataHandler())
        return;
    const THidDataEvent handler = device_.DataHandler();
    handler(device_, reportBuffer_[0], reportBuffer_.data() + 1, static_cast<uint16_t>(bytes - 1));
}

void THidDeviceReadThread::DeliverError()
{
    if (!device_.DataErrorHandler())
        return;
    const THidDataErrorEvent handler = device_.DataErrorHandler();
    handler(device_, lastError_);
}
