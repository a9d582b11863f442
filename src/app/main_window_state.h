#pragma once

#include "link/cable_connection.h"
#include "link/cable_host.h"
#include "meter/analog_dial.h"
#include "meter/dial_range.h"
#include "meter/meter_decoder.h"
#include "meter/meter_outputs.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

/// The main window's state and logic without its widgets: the program-wide
/// values every handler shares, the handlers that only work on them, and
/// the main window's side of the frame decoding. The widget window owns one
/// and renders it; the command-line tool and the tests drive it directly.
class THidDeviceController;
class THidDispatcher;
class THidPlatform;

class MainWindowState : public MeterOutputs, public CableHost {
public:
    /// Port kinds: 1..4 stand for COM1..COM4, 5 for USB.
    static constexpr int8_t kPortUsb = 5;
    /// Lines of the hidden frame log kept; nothing reads older ones.
    static constexpr std::size_t kFrameLogLimit = 10000;

    MainWindowState();
    ~MainWindowState() override;

    /// Creates the HID controller Hidctl on @p platform, wires its events
    /// to the cable connection and attaches the device-change handler last,
    /// which runs the first device-change pass: the device list is filled and
    /// the cable pre-selected. @p dispatcher is the main thread as the HID
    /// layer sees it and must outlive this object. Returns an empty text, or
    /// why the controller could not be made (the program then runs without).
    std::string startHid(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher);

    /// The window's creation step, in its order. @p localeDecimal is the
    /// system locale's decimal separator (empty when the query failed);
    /// @p programFolder ends with a path separator.
    void FormCreate(std::string localeDecimal, std::string programFolder);

    /// Decodes one meter frame (see MeterDecoder).
    FrameOutcome ShowDataQ7(std::string_view frame) override;

    // Hidden port-kind menu and panel.
    void COM1Click() { selectComPort(1); }
    void COM2Click() { selectComPort(2); }
    void COM3Click() { selectComPort(3); }
    void COM4Click() { selectComPort(4); }
    void USBClick();
    void Panel1Click();

    /// The "Connect"/"Disconnect" panel, and the link watchdog's timer.
    void Panel2Click() { link_.Panel2Click(); }
    void ConTimerTimer() { link_.ConTimerTimer(); }
    /// Hidctl's OnDeviceChange: refills the device list.
    void HidCtlDeviceChange(THidDeviceController& Sender);

    /// The help command: sets the application's help file to ProgramFolder
    /// followed by "zq7.hlp" and returns it for the viewer to show.
    const std::string& HELP1Click();

    /// Whether the menu item called @p item carries a check mark; false
    /// for items that never do.
    bool marked(std::string_view item) const;

    // --- shared state --------------------------------------------------
    int8_t PortKind = 0;
    std::string ProgramFolder;
    /// The application's help file, set by HELP1Click.
    std::string HelpFile;
    bool ChartFollowLast = false;
    DialRange Dial;
    int32_t NextRecordNo = 1;
    int32_t RecordLimit = 10000;
    int32_t SampleCountdown = 0;

    // --- window state the handlers read and write ------------------------
    std::string Caption = "ZQ9  Interface Program Ver:3.00";
    std::string Panel1Caption = "USB";
    bool RepeatSetChecked = false;
    struct MenuMarks {
        bool COM1 = false, COM2 = false, COM3 = false, COM4 = false, USB = false;
        bool set1k = false, set5k = false, set10k = false, set50k = false, set100k = false, setlimit = false;
        /// Marked in the layout; its menu is hidden.
        bool FillP = true;
    } Marks;

    /// Bar graph PBar2 as laid out.
    int32_t BarMaxSet = 60;
    int32_t BarPosition = 20;

    /// Trend chart, until its paging arrives: the value axis range (the
    /// layout's -11000..11000), the last values set through SetValueMin/Max,
    /// the readings added and the page indicator Bt10.
    double ValueAxisMin = -11000;
    double ValueAxisMax = 11000;
    double ValueMin = 0;
    double ValueMax = 0;
    int32_t ChartPageSize = 100;
    int64_t ChartReadings = 0;
    int32_t PageNumber = 1;

    /// Readings offered to the record table so far.
    int64_t OfferedReadings = 0;

    /// Needle value of the last KDrun, and how often the scale was drawn.
    std::optional<int32_t> NeedleValue;
    int64_t ScaleDrawings = 0;

    /// What the last ShowDataQ7 handed on, for the views and the tools.
    struct FrameCalls {
        bool scaleDrawn = false;
        std::optional<int32_t> needle;
        std::optional<double> chartValue;
        bool offered = false;
    };
    const FrameCalls& lastFrameCalls() const { return frameCalls_; }

    const std::deque<std::string>& frameLog() const { return frameLog_; }

    MeterDecoder& decoder() { return decoder_; }
    const MeterDecoder& decoder() const { return decoder_; }
    const MeterReading& reading() const { return decoder_.reading(); }
    const LcdModel& lcd() const { return decoder_.lcd(); }
    /// The analog dial: the needle drawn last and the drawings for KD1.
    AnalogDial& analogDial() { return analogDial_; }
    const AnalogDial& analogDial() const { return analogDial_; }
    /// The cable: device list, history list, connection, frame assembly.
    CableConnection& link() { return link_; }
    const CableConnection& link() const { return link_; }
    THidDeviceController* hidController() const { return Hidctl.get(); }

    /// Shows a modal information box and returns when it is closed; the
    /// window sets it. Without one the text is only kept (messages()).
    std::function<void(std::string_view)> informationBox;
    /// Called when the cable link changed what the window shows.
    std::function<void()> onLinkChanged;
    /// Every information text shown so far, oldest first.
    const std::vector<std::string>& messages() const { return messages_; }

    // --- MeterOutputs -------------------------------------------------
    const DialRange& dialRange() const override { return Dial; }
    void SelectDialRange(int32_t type) override { Dial.SelectDialRange(type); }
    void KDsetup(int32_t ignored) override;
    void KDrun(int32_t value) override;
    void setBarMax(int32_t max) override { BarMaxSet = max; }
    void setBarPosition(int32_t position) override { BarPosition = position; }
    void INDataToTable(int32_t kind) override;
    void SetValueMin(double value) override;
    void SetValueMax(double value) override;
    int32_t AddPoint(double value) override;
    bool chartFollowLast() const override { return ChartFollowLast; }
    void showPageNumber(int32_t page) override { PageNumber = page; }
    void logFrame(std::string_view frame) override;

    // --- CableHost ------------------------------------------------------
    int8_t portKind() const override { return PortKind; }
    std::string_view lastDropReason() const override { return decoder_.lastDropReason(); }
    void setRsUsbCaption(std::string_view caption) override;
    void showLinkDown() override;
    void information(std::string_view text) override;
    void connectionChanged() override;

private:
    void selectComPort(int8_t kind);

    MeterDecoder decoder_;
    FrameCalls frameCalls_;
    std::deque<std::string> frameLog_;
    std::vector<std::string> messages_;
    AnalogDial analogDial_;
    // Last, so that they go first: the device objects the link owns are
    // released while the controller and everything they call still live.
    std::unique_ptr<THidDeviceController> Hidctl;
    CableConnection link_{*this};
};
