#include "link/cable_connection.h"

#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_pnp_info.h"
#include "meter/meter_frame.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHexByte(std::string& out, uint8_t byte)
{
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

// Device texts arrive as UTF-16; the list keeps 8-bit text of the system
// code page (Latin-1 here), with "?" for what it cannot hold.
std::string toCodePage(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out += c < 0x100 ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

CableConnection::CableConnection(FrameSink sink) : sink_(std::move(sink)) {}

CableConnection::~CableConnection() { releaseDevices(); }

std::string CableConnection::DeviceCaption(THidDevice& device)
{
    std::string caption = toCodePage(device.GetProductString());
    if (caption.empty()) {
        char text[40];
        std::snprintf(text, sizeof text, "Device VID=%.4X PID=%.4X", device.Attributes().VendorID,
                      device.Attributes().ProductID);
        caption = text;
    }
    const std::string serial = toCodePage(device.GetSerialNumberString());
    if (!serial.empty())
        caption += " (Serial=" + serial + ")";
    return caption;
}

void CableConnection::appendHistory(std::string line)
{
    if (history_.size() == kHistoryLimit)
        history_.pop_front();
    history_.push_back(std::move(line));
}

void CableConnection::inform(std::string_view text) const
{
    if (onInformation)
        onInformation(text);
}

void CableConnection::releaseDevices()
{
    currentDevice_ = nullptr;
    std::vector<DeviceEntry> entries;
    entries.swap(devices_);
    selected_ = -1;
    // Released here, outside the list: a handler run while one goes sees
    // the list already empty.
    entries.clear();
}

void CableConnection::attachReader(THidDevice& device)
{
    device.SetReadEndHandler(THidReadEndEvent::Bind<&CableConnection::HidCtlReadEnd>(this));
    device.SetDataHandler(THidDataEvent::Bind<&CableConnection::ReadQ7>(this));
}

THidDevice* CableConnection::selectedEntryDevice() const
{
    if (devices_.empty() || selected_ < 0)
        return nullptr;
    return devices_[static_cast<std::size_t>(selected_)].device.get();
}

void CableConnection::HidCtlDeviceChange()
{
    ReadBtnClick();
    releaseDevices();
    if (Hidctl)
        Hidctl->EnumerateDevices();
    for (std::size_t i = devices_.size(); i-- > 0;) {
        if (devices_[i].caption == kCableCaption) {
            selected_ = static_cast<int32_t>(i);
            break;
        }
    }
    currentDevice_ = nullptr;
    restoreLinkAfterDeviceChange();
    reconnectIfLost();
}

// A device change releases every device object, the connected cable's too.
// When that cable is still there, reading goes on with its new object;
// when it is gone, the connection falls back to not connected and says so,
// instead of reading "Disconnect" while nothing arrives.
void CableConnection::restoreLinkAfterDeviceChange()
{
    if (!connected_)
        return;
    THidDevice* device = selectedEntryDevice();
    const bool sameCable = device && device->PnPInfo() && device->FullAccess() &&
                           static_cast<int64_t>(device->PnPInfo()->DeviceInstance) == connectedInstance_;
    if (sameCable) {
        currentDevice_ = device;
        attachReader(*device);
        return;
    }
    connected_ = false;
    connectedInstance_ = -1;
    panel2Caption_ = "Connect";
    panel2Yellow_ = true;
    comsetEnabled_ = true;
    appendHistory("Connection lost: the cable was removed");
    markLinkLost();
}

void CableConnection::markLinkLost()
{
    linkLost_ = true;
    reconnectedLink_ = false;
}

// Only what a click would find: the pre-selected cable, opened with read
// and write access. Without it nothing is tried, so no box about a missing
// cable is raised on the user's behalf and the link waits for the next pass.
bool CableConnection::reconnectIfLost()
{
    if (!reconnectAutomatically_ || !linkLost_ || connected_)
        return false;
    THidDevice* device = selectedEntryDevice();
    if (!device || !device->FullAccess() ||
        devices_[static_cast<std::size_t>(selected_)].caption != kCableCaption)
        return false;
    USBConClick();
    if (!connected_) {
        // The cable could not be opened after all: still lost, and shown so.
        panel2Yellow_ = true;
        linkLost_ = true;
        return false;
    }
    reconnectedLink_ = true;
    ++reconnections_;
    appendHistory("Connected again to " + devices_[static_cast<std::size_t>(selected_)].caption);
    return true;
}

void CableConnection::fallBackToNotConnected()
{
    connected_ = false;
    connectedInstance_ = -1;
    idleReportCount_ = 0;
    if (currentDevice_)
        currentDevice_->SetDataHandler(THidDataEvent());
    panel2Caption_ = "Connect";
    panel2Yellow_ = true;
    comsetEnabled_ = true;
}

// Runs as posted work after the reader has left its loop, never inside the
// device's data handler, so the handler can be cleared here.
void CableConnection::HidCtlReadEnd(THidDevice& HidDev, const std::string& Reason)
{
    appendHistory("READING STOPPED: " + Reason);
    if (connected_ && currentDevice_ == &HidDev) {
        fallBackToNotConnected();
        markLinkLost();
    }
}

bool CableConnection::HidCtlEnumerate(THidDevice& HidDev, int32_t Idx)
{
    DeviceEntry entry;
    entry.caption = DeviceCaption(HidDev);
    devices_.push_back(std::move(entry));
    if (Hidctl)
        devices_.back().device = Hidctl->ClaimDeviceAt(Idx);
    return true;
}

void CableConnection::HidCtlArrival(THidDevice& HidDev) { appendHistory("Arrival of " + DeviceCaption(HidDev)); }

void CableConnection::HidCtlRemoval(THidDevice& HidDev) { appendHistory("Removal of " + DeviceCaption(HidDev)); }

void CableConnection::HidCtlDeviceDataError(THidDevice& HidDev, uint32_t Error)
{
    char code[16];
    std::snprintf(code, sizeof code, "%X", Error);
    appendHistory("READ ERROR: " + HidDev.Platform().ErrorMessage(Error) + " (" + code + ")");
}

void CableConnection::Panel2Click(int8_t portKind)
{
    // The user takes over: nothing lost is restored behind their back, and a
    // silent meter is reported again.
    linkLost_ = false;
    reconnectedLink_ = false;
    silenceReported_ = false;
    if (panel2Caption_ == "Connect") {
        if (portKind == kPortUsb)
            USBConClick();
        return;
    }
    panel2Yellow_ = false;
    panel2Caption_ = "Connect";
    comsetEnabled_ = true;
    if (portKind == kPortUsb)
        USBConClick();
}

void CableConnection::USBConClick()
{
    reconnectedLink_ = false;
    connected_ = !connected_;
    ReadBtnClick();
    SetFeatureClick();
    idleReportCount_ = 0;
    currentDevice_ = nullptr;
    if (!devices_.empty() && selected_ >= 0) {
        THidDevice* device = selectedEntryDevice();
        currentDevice_ = device;
        // An entry whose claim failed has no device to read: like a device
        // without read-write access, it cannot connect.
        if (!device || !device->FullAccess()) {
            connected_ = false;
        } else if (connected_) {
            // The new reader starts wherever the line is now. Bytes gathered
            // before belong to a frame whose rest was lost; finishing it with
            // the new bytes would splice two readings into one the meter
            // never sent.
            frameLength_ = 0;
            framePending_ = false;
            attachReader(*device);
            connectedInstance_ = device->PnPInfo() ? static_cast<int64_t>(device->PnPInfo()->DeviceInstance) : -1;
        } else {
            device->SetDataHandler(THidDataEvent());
        }
    }
    panel2Yellow_ = false;
    panel2Caption_ = connected_ ? "Disconnect" : "Connect";
    comsetEnabled_ = !connected_;
    if (!connected_)
        connectedInstance_ = -1;
    else
        linkLost_ = false;
}

void CableConnection::ReadBtnClick()
{
    currentDevice_ = nullptr;
    if (devices_.empty() || selected_ < 0)
        return;
    currentDevice_ = selectedEntryDevice();
    if (currentDevice_ && currentDevice_->FullAccess())
        currentDevice_->SetDataHandler(THidDataEvent());
}

void CableConnection::SetFeatureClick()
{
    currentDevice_ = nullptr;
    if (!devices_.empty() && selected_ >= 0) {
        currentDevice_ = selectedEntryDevice();
        if (currentDevice_)
            currentDevice_->SendFeature(kFeatureReport.data(), static_cast<uint32_t>(kFeatureReport.size()));
        std::string line;
        for (std::size_t i = 1; i < kFeatureReport.size(); ++i) {
            appendHexByte(line, kFeatureReport[i]);
            line += ' ';
        }
        appendHistory(std::move(line));
        return;
    }
    connected_ = false;
    inform(kNotConnectedText);
}

std::string CableConnection::reportLine(uint8_t reportId, const uint8_t* data, uint16_t size)
{
    std::string line = "R ";
    line.reserve(4 + 3 * static_cast<std::size_t>(size) + 2);
    appendHexByte(line, reportId);
    line += "  ";
    for (uint16_t i = 0; i < size; ++i) {
        appendHexByte(line, data[i]);
        line += ' ';
    }
    return line;
}

void CableConnection::ReadQ7(THidDevice&, uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    if (onReport)
        onReport(ReportID, Data, Size);
    assembleReport(ReportID, Data, Size);
}

void CableConnection::assembleReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    rsUsbCaption_ = "USB";
    if (Size >= 1)
        ++idleReportCount_;
    const unsigned count = Size >= 1 ? (Data[0] & 0x0F) : 0;
    if (count >= 1 && count <= 9) {
        idleReportCount_ = 0;
        framePending_ = true;
        // A report that announces more bytes than it carries gives those it has.
        const std::size_t carried = std::min<std::size_t>(count, static_cast<std::size_t>(Size) - 1);
        for (std::size_t i = 1; i <= carried && frameLength_ < frameBytes_.size(); ++i)
            frameBytes_[frameLength_++] = Data[i];
        appendHistory(reportLine(ReportID, Data, Size));
        return;
    }
    closeFrame();
}

void CableConnection::closeFrame()
{
    if (framePending_) {
        meterFrame_.clear();
        for (std::size_t i = 0; i < frameLength_; ++i)
            meterFrame_ += kHexDigits[frameBytes_[i] & 0x0F];
        label5Caption_ = meterFrame_;
        frameLength_ = 0;
        if (isMeterFrame(meterFrame_)) {
            silenceReported_ = false;
            const FrameReceipt receipt = sink_(meterFrame_);
            if (receipt.dropped)
                appendHistory("FRAME DROPPED: " + std::string(receipt.reason) + " (" + meterFrame_ + ")");
            else
                linkIconLit_ = true;
        }
    }
    framePending_ = false;
}

void CableConnection::ConTimerTimer()
{
    if (watchdogTick_ != 2) {
        ++watchdogTick_;
        return;
    }
    if (idleReportCount_ >= kIdleReportLimit) {
        const bool wasConnected = connected_;
        // Reconnected by itself after this very silence: the user knows.
        const bool toldAlready = reconnectAutomatically_ && reconnectedLink_ && silenceReported_;
        idleReportCount_ = 0;
        connected_ = false;
        connectedInstance_ = -1;
        if (currentDevice_)
            currentDevice_->SetDataHandler(THidDataEvent());
        if (panel2Caption_ == "Disconnect") {
            panel2Yellow_ = true;
            panel2Caption_ = "Connect";
        }
        if (!toldAlready)
            inform(kMeterNotReadyText);
        silenceReported_ = true;
        if (wasConnected) {
            markLinkLost();
            // The cable is still there: reading resumes with the meter's next frame.
            reconnectIfLost();
        }
    }
    linkIconLit_ = false;
    watchdogTick_ = 0;
}
