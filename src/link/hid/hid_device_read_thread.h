#pragma once

#include "link/hid/hid_platform.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class THidDevice;

/// The worker that reads a device's input reports and hands each one to the
/// main thread, waiting there until the handler has returned. It touches
/// nothing but its device's read side and the dispatcher's hand-over queue.
class THidDeviceReadThread {
public:
    /// Made suspended, on the main thread: sizes ReportBuffer from the
    /// device's capabilities (InputReportByteLength), fixed from now on.
    explicit THidDeviceReadThread(THidDevice& device);
    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;
    /// Asks the thread to stop and joins it; the owner normally waited for
    /// Finished first (THidDevice::StopReader).
    ~THidDeviceReadThread();

    void Start();
    /// Any thread. Asks the thread to stop; its current wait ends at once,
    /// a hand-over in progress completes first.
    void Terminate();
    bool Terminated() const { return terminated_; }
    /// Any thread. True once the thread has left its loop and its read has ended.
    bool Finished() const { return finished_; }

    /// Platform code of the last read that failed to start.
    uint32_t LastError() const { return lastError_; }
    /// Bytes of the last completed read.
    uint32_t BytesRead() const { return bytesRead_; }
    /// Length of ReportBuffer [bytes].
    std::size_t ReportBufferSize() const { return reportBuffer_.size(); }
    /// The failure a handler raised, which ended the thread; null otherwise.
    /// Read only after Finished.
    std::exception_ptr FatalException() const { return fatalException_; }

private:
    void Execute();
    /// Posts the device's ReadEndHandler for a reader that ended by itself.
    void reportEnd();
    bool handOver(void (THidDeviceReadThread::*deliver)());
    /// Main thread: the device's DataHandler with the report just read.
    void DeliverReport();
    /// Main thread: the device's DataErrorHandler with LastError.
    void DeliverError();

    THidDevice& device_;
    THidCaps caps_;
    std::vector<uint8_t> reportBuffer_;
    std::atomic<uint32_t> lastError_{0};
    std::atomic<uint32_t> bytesRead_{0};
    std::unique_ptr<THidWakeup> wakeup_;
    uint32_t wakeupError_ = 0;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::exception_ptr fatalException_;
    bool handlerFailed_ = false;
    /// The device's life token, taken on the main thread: the posted end
    /// report runs only while the device still exists.
    std::weak_ptr<int> deviceAlive_;
    std::thread thread_;
};
