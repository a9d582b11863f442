#pragma once

#include "link/frame_sink.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
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
/// Data goes one way: the HID layer calls the handlers below, and each
/// assembled frame that ends in "DA" goes to the FrameSink. The connection
/// keeps its own display state (Panel2, the link icon, the LCD's "USB"
/// caption) for its owner to show, and hands the texts of its information
/// boxes to onInformation.
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

    /// Port kind of the USB cable (1..4 are COM1..COM4).
    static constexpr int8_t kPortUsb = 5;

    /// @p sink receives every assembled frame; what it refers to must outlive
    /// this object.
    explicit CableConnection(FrameSink sink);
    /// Releases every device object of the list.
    ~CableConnection();
    CableConnection(const CableConnection&) = delete;
    CableConnection& operator=(const CableConnection&) = delete;

    /// The controller to enumerate with; not owned. Set before its first
    /// device-change pass reaches HidCtlDeviceChange.
    void setController(THidDeviceController* controller) { Hidctl = controller; }

    // --- handlers ----------------------------------------------------------
    void HidCtlDeviceChange();
    /// Hidctl's OnDeviceChange.
    void HidCtlDeviceChangeEvent(THidDeviceController&) { HidCtlDeviceChange(); }
    bool HidCtlEnumerate(THidDevice& HidDev, int32_t Idx);
    void HidCtlArrival(THidDevice& HidDev);
    void HidCtlRemoval(THidDevice& HidDev);
    void HidCtlDeviceDataError(THidDevice& HidDev, uint32_t Error);
    /// The read thread of the connected device ended by itself: reported,
    /// and the connection falls back to not connected.
    void HidCtlReadEnd(THidDevice& HidDev, const std::string& Reason);
    /// The "Connect"/"Disconnect" panel; @p portKind is the selected port kind.
    void Panel2Click(int8_t portKind);
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

    /// Told the text of each information box the connection raises (one OK
    /// button), when it raises it: a click on Panel2 without the cable, or
    /// the watchdog's lost link (while reconnecting, once for a meter that
    /// stays silent). It must not wait for a person: the owner
    /// queues the box and shows it once the handler has returned.
    std::function<void(std::string_view text)> onInformation;

    // --- state ---------------------------------------------------------------
    struct DeviceEntry {
        std::string caption;
        std::unique_ptr<THidDevice> device;  ///< null when the claim failed
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

    // --- reconnecting ----------------------------------------------------------
    /// Off by default: after a lost link the connection waits for a click on
    /// "Connect". On: a link lost by the watchdog, by the cable's removal or
    /// by the read thread ending is connected again by itself, as a click on
    /// "Connect" with the USB port would, once the cable can be reached: at
    /// once after the watchdog's loss (the cable is still there, the meter
    /// went silent), otherwise in the device-change pass that finds it. A
    /// user's disconnect is never undone.
    void setReconnectAutomatically(bool on) { reconnectAutomatically_ = on; }
    bool reconnectAutomatically() const { return reconnectAutomatically_; }
    /// A lost link waits to be restored: false once connected again and after
    /// any click on Panel2.
    bool linkLost() const { return linkLost_; }
    /// Automatic reconnections so far. The watchdog's loss and its
    /// reconnection happen in one call, so a poller of connected() sees
    /// them only here.
    uint32_t reconnections() const { return reconnections_; }

    /// The link icon: lit (CONok) by every frame the sink took, dark (CONokN)
    /// after each watchdog check.
    bool LinkIconLit() const { return linkIconLit_; }
    /// Caption of the LCD label rsUSB: empty (the layout's) until the first
    /// input report, then "USB".
    const std::string& RsUsbCaption() const { return rsUsbCaption_; }

private:
    void inform(std::string_view text) const;
    void releaseDevices();
    void closeFrame();
    void restoreLinkAfterDeviceChange();
    /// Clears the data handler of the connected device and shows "Connect"
    /// in yellow, as after a lost link.
    void fallBackToNotConnected();
    void attachReader(THidDevice& device);
    /// Records that the link in force was lost, not ended by the user: it
    /// waits to be restored.
    void markLinkLost();
    /// Connects the pre-selected cable as a click on "Connect" would, when
    /// reconnecting is on and a lost link waits for it; true when connected.
    bool reconnectIfLost();
    THidDevice* selectedEntryDevice() const;
    static std::string reportLine(uint8_t reportId, const uint8_t* data, uint16_t size);

    FrameSink sink_;
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
    bool linkIconLit_ = false;
    std::string rsUsbCaption_;

    bool reconnectAutomatically_ = false;
    bool linkLost_ = false;
    uint32_t reconnections_ = 0;
    /// The link in force was made by reconnectIfLost, not by the user.
    bool reconnectedLink_ = false;
    /// kMeterNotReadyText was raised and no frame has arrived since: a meter
    /// that stays off is told of once, not at every reconnection's timeout.
    bool silenceReported_ = false;
};
