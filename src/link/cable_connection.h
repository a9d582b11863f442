#pragma once

#include "link/cable_host.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class THidDevice;
class THidDeviceController;

/// The main window's side of the meter cable: the hidden device list with
/// the cable pre-selected, connecting and disconnecting (the feature report
/// that sets 2400 bit/s, the data handler), the hidden history list, frame
/// assembly from input reports, and the link watchdog.
///
/// An input report as delivered: ReportID, then Data[0], the count byte
/// whose low 4 bits are the number of serial bytes (1..9 carry data; 0 and
/// 10..15 do not), then the serial bytes. A frame is the run of serial bytes
/// of consecutive data reports, closed by the first report without data.
///
/// Main thread only. Owns the device objects it claims.
class CableConnection {
public:
    /// Lines of the history list kept; nothing reads older ones.
    static constexpr std::size_t kHistoryLimit = 10000;
    /// Idle reports in a row after which the watchdog disconnects.
    static constexpr int32_t kIdleReportLimit = 1900;

    static constexpr std::string_view kNotConnectedText =
        "USB interface cable is not securely connected, please check and re-try.";
    static constexpr std::string_view kMeterNotReadyText =
        "USB interface cable is securely connected, please check if the meter is ready.";
    /// The caption of the cable's entry; the last such entry is pre-selected.
    static constexpr std::string_view kCableCaption = "USB to Serial";
    /// The feature report that sets the bridge's line to 2400 bit/s.
    static constexpr std::array<uint8_t, 10> kFeatureReport{0x00, 0x60, 0x09, 0x00, 0x00,
                                                            0x03, 0x00, 0x00, 0x00, 0x00};

    explicit CableConnection(CableHost& host);
    /// Releases every device object of the list.
    ~CableConnection();
    CableConnection(const CableConnection&) = delete;
    CableConnection& operator=(const CableConnection&) = delete;

    /// The controller to enumerate with; not owned. Set before its first
    /// device-change pass reaches HidCtlDeviceChange.
    void setController(THidDeviceController* controller) { Hidctl = controller; }

    // --- handlers ----------------------------------------------------------
    void HidCtlDeviceChange();
    bool HidCtlEnumerate(THidDevice& HidDev, int32_t Idx);
    void HidCtlArrival(THidDevice& HidDev);
    void HidCtlRemoval(THidDevice& HidDev);
    void HidCtlDeviceDataError(THidDevice& HidDev, uint32_t Error);
    void Panel2Click();
    void USBConClick();
    void ReadBtnClick();
    void SetFeatureClick();
    /// The data handler of the connected device.
    void ReadQ7(THidDevice& HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size);
    /// ReadQ7 without a device object (replayed reports).
    void assembleReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size);
    void ConTimerTimer();

    /// "product text (Serial=...)", or "Device VID=1A2B PID=00C3" without a
    /// product text.
    static std::string DeviceCaption(THidDevice& device);

    /// Called with every input report ReadQ7 receives, before it is
    /// assembled (a capture of the line for a bug report).
    std::function<void(uint8_t ReportID, const uint8_t* Data, uint16_t Size)> onReport;

    /// Appends a line to the history list and selects it.
    void appendHistory(std::string line);

    // --- state ---------------------------------------------------------------
    struct DeviceEntry {
        std::string caption;
        THidDevice* device = nullptr;  ///< owned; null when the claim failed
    };
    const std::vector<DeviceEntry>& DevListBox() const { return devices_; }
    /// Index of the selected entry, or -1.
    int32_t selectedDevice() const { return selected_; }
    const std::deque<std::string>& HistoryListBox() const { return history_; }

    /// The down state of the hidden latching button USBCon.
    bool connected() const { return connected_; }
    const std::string& Panel2Caption() const { return panel2Caption_; }
    /// Panel2's font colour: false black, true yellow (after a lost link).
    bool panel2Yellow() const { return panel2Yellow_; }
    bool ComsetEnabled() const { return comsetEnabled_; }
    THidDevice* CurrentDevice() const { return currentDevice_; }

    int32_t IdleReportCount() const { return idleReportCount_; }
    bool FramePending() const { return framePending_; }
    /// The last assembled frame, shown in the hidden label Label5.
    const std::string& MeterFrame() const { return meterFrame_; }
    const std::string& Label5Caption() const { return label5Caption_; }
    int32_t WatchdogTick() const { return watchdogTick_; }

private:
    void releaseDevices();
    void closeFrame();
    void restoreLinkAfterDeviceChange();
    THidDevice* selectedEntryDevice() const;
    static std::string reportLine(uint8_t reportId, const uint8_t* data, uint16_t size);

    CableHost& host_;
    THidDeviceController* Hidctl = nullptr;

    std::vector<DeviceEntry> devices_;
    int32_t selected_ = -1;
    std::deque<std::string> history_;

    bool connected_ = false;
    std::string panel2Caption_ = "Connect";
    bool panel2Yellow_ = false;
    bool comsetEnabled_ = true;
    THidDevice* currentDevice_ = nullptr;
    /// Identity (device instance) of the cable ReadQ7 was attached to.
    int64_t connectedInstance_ = -1;

    int32_t idleReportCount_ = 0;
    bool framePending_ = false;
    /// Serial bytes gathered since the last frame close; only the first 26
    /// count, later ones are counted but not kept.
    std::array<uint8_t, 26> frameBytes_{};
    std::size_t frameLength_ = 0;
    std::string meterFrame_;
    std::string label5Caption_ = "Label5";
    int32_t watchdogTick_ = 0;
};
