#include "link/hid/hid_device.h"

#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_device_read_thread.h"
#include "link/hid/hid_dispatcher.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {
// Text buffers of the HID string queries: 508 bytes, 254 UTF-16 words.
constexpr std::size_t kStringWords = 254;
constexpr uint32_t kStringBytes = kStringWords * 2;

std::u16string textToNul(const std::array<char16_t, kStringWords>& buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
    return std::u16string(buffer.begin(), end);
}
}  // namespace

THidDevice::THidDevice(std::unique_ptr<THidPnPInfo> pnpInfo, THidDeviceController* controller,
                       std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher)
    : ownerController_(controller),
      pnpInfo_(std::move(pnpInfo)),
      platform_(std::move(platform)),
      dispatcher_(&dispatcher)
{
    if (controller) {
        SetDataHandler(controller->OnDeviceData());
        unplugHandler_ = controller->OnDeviceUnplug();
    }
    mainHandle_ = platform_->CreateFile(pnpInfo_->DevicePath, EHidOpenMode::MainReadWrite);
    fullAccess_ = mainHandle_ != InvalidHidHandle;
    if (!fullAccess_)
        mainHandle_ = platform_->CreateFile(pnpInfo_->DevicePath, EHidOpenMode::MainQueryOnly);
    if (mainHandle_ == InvalidHidHandle)
        throw EHidControllerError(kHidErrorCannotOpen);
    attributes_.Size = 12;
    if (!platform_->GetAttributes(mainHandle_, attributes_)) {
        CloseMain();
        throw EHidControllerError(kHidErrorCannotIdentify);
    }
    CloseMain();
}

THidDevice::THidDevice(HandBack, THidDevice& released)
    : ownerController_(released.ownerController_),
      attributes_(released.attributes_),
      pnpInfo_(std::move(released.pnpInfo_)),
      productString_(released.productString_),
      preparsedData_(std::exchange(released.preparsedData_, nullptr)),
      serialNumberString_(released.serialNumberString_),
      fullAccess_(released.fullAccess_),
      platform_(released.platform_),
      dispatcher_(released.dispatcher_)
{
    readSleepTime_ = released.ReadSleepTime();
}

THidDevice::~THidDevice()
{
    THidDataEvent keptData = dataHandler_;
    THidPlugEvent keptUnplug = unplugHandler_;
    SetDataHandler({});
    unplugHandler_ = {};
    readEndHandler_ = {};
    closeAll();
    if (ownerController_)
        ownerController_->deviceReleased(*this, std::move(keptData), std::move(keptUnplug));
    // Unless a replacement took them over.
    if (preparsedData_) {
        platform_->FreePreparsedData(preparsedData_);
        preparsedData_ = nullptr;
    }
}

bool THidDevice::CanAccess() const
{
    return attached_ && (claimed_ || inCallback_);
}

bool THidDevice::OpenMain()
{
    if (CanAccess() && mainHandle_ == InvalidHidHandle) {
        mainHandle_ = platform_->CreateFile(pnpInfo_->DevicePath, EHidOpenMode::MainReadWrite);
        fullAccess_ = mainHandle_ != InvalidHidHandle;
        if (!fullAccess_)
            mainHandle_ = platform_->CreateFile(pnpInfo_->DevicePath, EHidOpenMode::MainQueryOnly);
        if (mainHandle_ != InvalidHidHandle) {
            if (inputBufferCount_ != 0)
                platform_->SetNumInputBuffers(mainHandle_, inputBufferCount_);
            platform_->GetNumInputBuffers(mainHandle_, inputBufferCount_);
        }
    }
    return mainHandle_ != InvalidHidHandle;
}

void THidDevice::CloseMain()
{
    if (mainHandle_ != InvalidHidHandle)
        platform_->CloseHandle(mainHandle_);
    mainHandle_ = InvalidHidHandle;
    inputBufferCount_ = 0;
}

bool THidDevice::openOverlappedLocked(EOverlappedMode mode)
{
    if (!CanAccess()) {
        // No platform call failed; the reader still reports a real reason.
        THidPlatform::SetLastError(platform_->DeviceNotConnectedError());
        return false;
    }
    const std::string& path = pnpInfo_->DevicePath;
    if (mode == EOverlappedMode::Read) {
        if (readHandle_ == InvalidHidHandle) {
            readHandle_ = platform_->CreateFile(path, EHidOpenMode::OverlappedRead);
            if (readHandle_ != InvalidHidHandle) {
                if (readInputBufferCount_ != 0)
                    platform_->SetNumInputBuffers(readHandle_, readInputBufferCount_);
                platform_->GetNumInputBuffers(readHandle_, readInputBufferCount_);
            }
        }
        return readHandle_ != InvalidHidHandle;
    }
    if (writeHandle_ == InvalidHidHandle)
        writeHandle_ = platform_->CreateFile(path, EHidOpenMode::OverlappedWrite);
    return writeHandle_ != InvalidHidHandle;
}

bool THidDevice::OpenOverlapped(EOverlappedMode mode)
{
    if (mode == EOverlappedMode::Read) {
        std::lock_guard lock(readLock_);
        return openOverlappedLocked(mode);
    }
    return openOverlappedLocked(mode);
}

void THidDevice::closeOverlappedLocked(EOverlappedMode mode)
{
    if (mode == EOverlappedMode::Read) {
        if (readHandle_ != InvalidHidHandle)
            platform_->CloseHandle(readHandle_);
        readHandle_ = InvalidHidHandle;
        readInputBufferCount_ = 0;
    } else {
        if (writeHandle_ != InvalidHidHandle)
            platform_->CloseHandle(writeHandle_);
        writeHandle_ = InvalidHidHandle;
    }
}

void THidDevice::CloseOverlapped(EOverlappedMode mode)
{
    if (mode == EOverlappedMode::Read) {
        std::lock_guard lock(readLock_);
        closeOverlappedLocked(mode);
    } else {
        closeOverlappedLocked(mode);
    }
}

void THidDevice::closeAll()
{
    CloseMain();
    CloseOverlapped(EOverlappedMode::Read);
    CloseOverlapped(EOverlappedMode::Write);
}

void THidDevice::MarkUnplugged()
{
    CloseMain();
    {
        // Closing the read handle and clearing Attached in one step: a reader
        // starting a read sees either both before or both after.
        std::lock_guard lock(readLock_);
        closeOverlappedLocked(EOverlappedMode::Read);
        attached_ = false;
    }
    CloseOverlapped(EOverlappedMode::Write);
    const THidPlugEvent handler = unplugHandler_;
    std::weak_ptr<int> alive = lifeToken_;
    if (handler)
        handler(*this);
    if (!alive.expired())
        unplugHandler_ = {};
}

THidPreparsedData THidDevice::EnsurePreparsedData()
{
    if (!preparsedData_ && OpenMain()) {
        preparsedData_ = platform_->GetPreparsedData(mainHandle_);
        CloseMain();
    }
    return preparsedData_;
}

THidCaps THidDevice::QueryCaps()
{
    THidCaps caps;
    if (THidPreparsedData data = EnsurePreparsedData())
        platform_->GetCaps(data, caps);
    return caps;
}

std::u16string THidDevice::GetProductString()
{
    if (productString_.empty() && OpenMain()) {
        std::array<char16_t, kStringWords> buffer{};
        if (platform_->GetProductString(mainHandle_, buffer.data(), kStringBytes))
            productString_ = textToNul(buffer);
        CloseMain();
    }
    return productString_;
}

std::u16string THidDevice::GetSerialNumberString()
{
    if (serialNumberString_.empty() && OpenMain()) {
        std::array<char16_t, kStringWords> serial{};
        if (platform_->GetSerialNumberString(mainHandle_, serial.data(), kStringBytes)) {
            // Some bridges answer the serial-number query with their
            // language-ID list (USB string descriptor 0). Such a "serial" is
            // not taken: it must differ from that list within the list's length.
            std::array<char16_t, kStringWords> languages;
            languages.fill(char16_t{0xFFFF});
            platform_->GetIndexedString(mainHandle_, 0, languages.data(), kStringBytes);
            std::size_t len = 0;
            for (std::size_t i = kStringWords; i-- > 0;) {
                if (languages[i] != char16_t{0xFFFF}) {
                    len = languages[i] == 0 ? i : i + 1;
                    break;
                }
            }
            for (std::size_t i = 0; i < len; ++i) {
                if (languages[i] != serial[i]) {
                    serialNumberString_ = textToNul(serial);
                    break;
                }
            }
        }
        CloseMain();
    }
    return serialNumberString_;
}

bool THidDevice::SendFeature(const uint8_t* report, uint32_t length)
{
    if (!OpenMain())
        return false;
    return platform_->SetFeature(mainHandle_, report, length);
}

bool THidDevice::StartRead(uint8_t* buffer, uint32_t length)
{
    std::lock_guard lock(readLock_);
    if (!openOverlappedLocked(EOverlappedMode::Read))
        return false;
    readOverlapped_ = {};
    readOverlapped_.Event = this;
    return platform_->ReadFileEx(readHandle_, buffer, length, readOverlapped_);
}

EHidWaitStatus THidDevice::WaitRead(uint32_t ms, THidWakeup& wakeup)
{
    // Not under the lock: the main thread may close the read handle while the
    // reader waits, which ends the wait. The record itself is the reader's.
    return platform_->SleepEx(readOverlapped_, ms, wakeup);
}

uint32_t THidDevice::TakeReadResult()
{
    std::lock_guard lock(readLock_);
    uint32_t bytes = 0;
    if (readHandle_ == InvalidHidHandle || !platform_->GetOverlappedResult(readHandle_, readOverlapped_, bytes))
        return 0;
    return bytes;
}

bool THidDevice::CancelPendingRead()
{
    std::lock_guard lock(readLock_);
    if (readHandle_ == InvalidHidHandle)
        return false;
    return platform_->CancelIo(readHandle_, readOverlapped_);
}

void THidDevice::releaseRead()
{
    std::lock_guard lock(readLock_);
    readOverlapped_ = {};
}

void THidDevice::SetDataHandler(THidDataEvent handler)
{
    if (!handler)
        StopReader();
    dataHandler_ = std::move(handler);
    StartReader();
}

void THidDevice::StartReader()
{
    if (dataHandler_ && attached_ && claimed_ && fullAccess_ && !readThread_ && stopDepth_ == 0) {
        readThread_ = std::make_unique<THidDeviceReadThread>(*this);
        readThread_->Start();
    }
}

void THidDevice::StopReader()
{
    if (!readThread_)
        return;
    THidDeviceReadThread* reader = readThread_.get();
    reader->Terminate();
    ++stopDepth_;
    dispatcher_->ServeUntil([reader] { return reader->Finished(); });
    --stopDepth_;
    // A nested stop (from a handler served above) leaves the clean-up to the outer one.
    if (stopDepth_ == 0)
        readThread_.reset();
}

void THidDevice::SetReadSleepTime(int32_t ms)
{
    if (ms >= 10 && ms <= 10000)
        readSleepTime_ = ms;
}
