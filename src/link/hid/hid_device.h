#pragma once

#include "link/hid/hid_handler.h"
#include "link/hid/hid_platform.h"
#include "link/hid/hid_pnp_info.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class THidDeviceController;
class THidDeviceReadThread;
class THidDispatcher;

/// One HID interface as the controller found it.
///
/// Lifecycle: listed (owned by the controller) -> claimed with
/// THidDeviceController::ClaimDeviceAt (owned by the application, which ends
/// the claim by destroying the object) -> possibly gone (Attached false) while
/// still claimed. Destroying a claimed, attached object hands the device back:
/// an unclaimed replacement takes over its identity at its place in the
/// controller's list without opening anything (it opens the device when next
/// used, and the next device-change pass drops it if it has gone meanwhile);
/// destroying a gone one removes its entry.
///
/// Main thread only, except for what its read thread calls for it.
class THidDevice {
public:
    enum class EOverlappedMode : uint8_t { Read, Write };

    /// Opens the interface of @p pnpInfo once to identify it, then closes it.
    /// Takes on the controller's OnDeviceData and OnDeviceUnplug. @p controller
    /// may be null (then @p platform and @p dispatcher are used as given).
    /// Throws EHidControllerError "device cannot be opened" or "device cannot
    /// be identified"; @p pnpInfo is destroyed then.
    THidDevice(std::unique_ptr<THidPnPInfo> pnpInfo, THidDeviceController* controller,
               std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher);
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;
    /// Stops the reader, closes every handle and hands the device back to the
    /// controller (see the class comment).
    ~THidDevice();

    // What the application reads.
    THidDeviceController* OwnerController() const { return ownerController_; }
    bool Attached() const { return attached_; }
    bool Claimed() const { return claimed_; }
    bool InCallback() const { return inCallback_; }
    /// Whether the last opening of the main handle got read and write access.
    bool FullAccess() const { return fullAccess_; }
    const THidAttributes& Attributes() const { return attributes_; }
    /// Nullptr only while the object is being destroyed.
    const THidPnPInfo* PnPInfo() const { return pnpInfo_.get(); }
    int32_t InputBufferCount() const { return inputBufferCount_; }
    int32_t ReadInputBufferCount() const { return readInputBufferCount_; }
    /// Wait slice of the read thread [ms].
    int32_t ReadSleepTime() const { return readSleepTime_; }
    const THidDataEvent& DataHandler() const { return dataHandler_; }
    const THidDataErrorEvent& DataErrorHandler() const { return dataErrorHandler_; }
    const THidPlugEvent& UnplugHandler() const { return unplugHandler_; }
    const THidReadEndEvent& ReadEndHandler() const { return readEndHandler_; }
    /// The running reader, or null.
    const THidDeviceReadThread* ReadThread() const { return readThread_.get(); }
    THidPlatform& Platform() const { return *platform_; }

    /// Attached and (claimed or inside a controller callback for it).
    bool CanAccess() const;

    /// Opens the main handle when accessible and not open yet (read-write,
    /// else query-only). True when the main handle is open, also when it was
    /// open already and the device is no longer accessible.
    bool OpenMain();
    void CloseMain();
    /// Opens the overlapped read or write handle; false without access, even
    /// with a handle open. Any thread for Read.
    bool OpenOverlapped(EOverlappedMode mode);
    /// Any thread for Read.
    void CloseOverlapped(EOverlappedMode mode);

    /// Closes every handle, marks the device gone and calls the unplug
    /// handler once (then clears it). The reader keeps running.
    void MarkUnplugged();

    /// Cached preparsed data, fetched once (opening and closing the main
    /// handle); nullptr when it could not be had.
    THidPreparsedData EnsurePreparsedData();
    /// Capabilities; zeros when they cannot be had.
    THidCaps QueryCaps();

    /// Product text (UTF-16), cached; an empty cache is retried at every call.
    /// Touches the hardware only when accessible.
    std::u16string GetProductString();
    /// Serial-number text (UTF-16), cached; empty when unavailable or when it
    /// merely repeats the device's language-ID list.
    std::u16string GetSerialNumberString();

    /// Sends a feature report of @p length bytes (report ID first). Claimed
    /// devices only; the main handle stays open.
    bool SendFeature(const uint8_t* report, uint32_t length);

    /// Read thread. Starts reading one input report into @p buffer (of at
    /// least @p length bytes, valid until the read is collected or cancelled).
    bool StartRead(uint8_t* buffer, uint32_t length);
    /// Read thread. Waits at most @p ms [ms] for the started read.
    EHidWaitStatus WaitRead(uint32_t ms, THidWakeup& wakeup);
    /// Read thread. Bytes of the ended read; 0 when it failed or the read
    /// handle is closed.
    uint32_t TakeReadResult();
    /// Read thread. Ends the pending read; true when that succeeded.
    bool CancelPendingRead();

    /// Sets the input-report handler: an empty one stops the reader first;
    /// a set one starts the reader when the device is attached, claimed and
    /// opened read-write. Must not be called from this device's own handler
    /// to clear it (the reader waits for that handler to return).
    void SetDataHandler(THidDataEvent handler);
    void SetDataErrorHandler(THidDataErrorEvent handler) { dataErrorHandler_ = std::move(handler); }
    void SetUnplugHandler(THidPlugEvent handler) { unplugHandler_ = std::move(handler); }
    /// Called when the reader ends without being asked to (see THidReadEndEvent).
    void SetReadEndHandler(THidReadEndEvent handler) { readEndHandler_ = std::move(handler); }

    /// Makes and starts the read thread when the handler is set, the device
    /// attached, claimed and opened read-write, and no reader exists.
    void StartReader();
    /// Stops the reader and waits for it; meanwhile the hand-overs queued by
    /// readers still run, so a queued report may reach the handler.
    void StopReader();

    /// Accepted only for 10 <= @p ms <= 10000 [ms].
    void SetReadSleepTime(int32_t ms);

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;

    struct HandBack {};
    /// The replacement of @p released, taking over its identity (PnP record,
    /// attributes, texts, preparsed data, access); opens nothing.
    THidDevice(HandBack, THidDevice& released);

    void closeAll();
    /// Read thread, at its end: forgets the record of the last read.
    void releaseRead();
    bool openOverlappedLocked(EOverlappedMode mode);
    void closeOverlappedLocked(EOverlappedMode mode);

    THidDeviceController* ownerController_ = nullptr;
    std::atomic<bool> attached_{true};
    std::atomic<bool> claimed_{false};
    std::atomic<bool> inCallback_{false};
    THidHandle mainHandle_ = InvalidHidHandle;
    THidHandle readHandle_ = InvalidHidHandle;  // guarded by readLock_
    THidHandle writeHandle_ = InvalidHidHandle;
    THidOverlapped readOverlapped_;             // guarded by readLock_
    THidAttributes attributes_;
    std::unique_ptr<THidPnPInfo> pnpInfo_;
    std::u16string productString_;
    THidPreparsedData preparsedData_ = nullptr;
    std::u16string serialNumberString_;
    int32_t inputBufferCount_ = 0;
    int32_t readInputBufferCount_ = 0;          // guarded by readLock_
    std::atomic<int32_t> readSleepTime_{100};
    THidDataEvent dataHandler_;
    THidDataErrorEvent dataErrorHandler_;
    THidPlugEvent unplugHandler_;
    THidReadEndEvent readEndHandler_;
    bool fullAccess_ = false;
    std::unique_ptr<THidDeviceReadThread> readThread_;
    int stopDepth_ = 0;  // nested StopReader calls in progress

    std::shared_ptr<THidPlatform> platform_;
    THidDispatcher* dispatcher_;
    // The read handle is used by the reader and closed by the main thread:
    // every use and every close happens under this lock, so a handle closed
    // on one side is never used afterwards on the other.
    std::mutex readLock_;
    // Lets the controller tell whether a callback destroyed this object.
    std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
};
