#pragma once

#include "meter/dial_range.h"
#include "meter/meter_decoder.h"
#include "meter/meter_outputs.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

/// The main window's state and logic without its widgets: the program-wide
/// values every handler shares, the handlers that only work on them, and
/// the main window's side of the frame decoding. The widget window owns one
/// and renders it; the command-line tool and the tests drive it directly.
class MainWindowState : public MeterOutputs {
public:
    /// Port kinds: 1..4 stand for COM1..COM4, 5 for USB.
    static constexpr int8_t kPortUsb = 5;
    /// Lines of the hidden frame log kept; nothing reads older ones.
    static constexpr std::size_t kFrameLogLimit = 10000;

    MainWindowState();

    /// The window's creation step, in its order. @p localeDecimal is the
    /// system locale's decimal separator (empty when the query failed);
    /// @p programFolder ends with a path separator.
    void FormCreate(std::string localeDecimal, std::string programFolder);

    /// Decodes one meter frame (see MeterDecoder).
    FrameOutcome ShowDataQ7(std::string_view frame);

    // Hidden port-kind menu and panel.
    void COM1Click() { selectComPort(1); }
    void COM2Click() { selectComPort(2); }
    void COM3Click() { selectComPort(3); }
    void COM4Click() { selectComPort(4); }
    void USBClick();
    void Panel1Click();

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
    int32_t IdleReportCount = 0;
    bool ChartFollowLast = false;
    DialRange Dial;
    int32_t NextRecordNo = 1;
    int32_t RecordLimit = 10000;
    int32_t SampleCountdown = 0;

    // --- window state the handlers read and write ------------------------
    std::string Caption = "ZQ9  Interface Program Ver:3.00";
    std::string Panel1Caption = "USB";
    std::string Panel2Caption = "Connect";
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

private:
    void selectComPort(int8_t kind);

    MeterDecoder decoder_;
    FrameCalls frameCalls_;
    std::deque<std::string> frameLog_;
};
