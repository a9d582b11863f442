#include "link/hid/hid_device_read_thread.h"

#include "link/hid/hid_device.h"
#include "link/hid/hid_dispatcher.h"

#include <algorithm>

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device)
    : device_(device),
      // Answered from the preparsed data the device caches now; the reader
      // reuses these caps and never opens the main handle itself.
      caps_(device.QueryCaps()),
      reportBuffer_(caps_.InputReportByteLength),
      wakeup_(device.Platform().CreateWakeup())
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
    wakeup_->Signal();
}

bool THidDeviceReadThread::handOver(void (THidDeviceReadThread::*deliver)())
{
    std::exception_ptr error = device_.dispatcher_->Synchronize([this, deliver] { (this->*deliver)(); });
    if (!error)
        return true;
    // A handler that failed ends the reader; the device keeps it until StopReader.
    fatalException_ = error;
    return false;
}

void THidDeviceReadThread::Execute()
{
    EHidWaitStatus status = EHidWaitStatus::IoCompletion;
    try {
        while (!terminated_) {
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
    finished_ = true;
    device_.dispatcher_->NotifyWaiters();
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
