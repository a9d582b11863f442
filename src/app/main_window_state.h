#pragma once

#include "chart/chart_panel_state.h"
#include "link/cable_connection.h"
#include "meter/analog_dial.h"
#include "meter/dial_range.h"
#include "meter/frame_effects.h"
#include "meter/meter_decoder.h"
#include "record/record_file_commands.h"
#include "record/record_sampling.h"
#include "record/record_table.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ChartEngine;
class THidDeviceController;
class THidDispatcher;
class THidPlatform;

/// The main window's state and logic without its widgets. It composes the
/// units one frame passes through, in this order: the cable connection, the
/// frame decoder with its LCD model, then the dial, the bar graph, the record
/// table, the trend chart and the frame log, which ShowDataQ7 feeds with what
/// the decoder returns. No unit it owns calls back into it. It also keeps the
/// program-wide values every handler shares and the handlers that only work
/// on them. The widget window owns one and renders it through the read
/// accessors; the command-line tool and the tests drive it directly.
class MainWindowState {
public:
    /// Port kinds: 1..4 stand for COM1..COM4, 5 for USB.
    static constexpr int8_t kPortUsb = CableConnection::kPortUsb;
    /// Lines of the hidden frame log kept; nothing reads older ones.
    static constexpr std::size_t kFrameLogLimit = 10000;

    /// Marks of the hidden port-kind menu; the record limit items carry
    /// theirs in sampling().
    struct MenuMarks {
        bool COM1 = false, COM2 = false, COM3 = false, COM4 = false, USB = false;
        /// Marked in the layout; its menu is hidden.
        bool FillP = true;
    };

    /// What the last ShowDataQ7 handed on, for the views and the tools.
    struct FrameCalls {
        bool scaleDrawn = false;
        std::optional<int32_t> needle;
        std::optional<double> chartValue;
        bool offered = false;
        /// No of the row the reading became, none when it was not recorded.
        std::optional<int32_t> recorded;
    };

    MainWindowState();
    ~MainWindowState();
    MainWindowState(const MainWindowState&) = delete;
    MainWindowState& operator=(const MainWindowState&) = delete;

    /// Creates the HID controller Hidctl on @p platform, wires its events
    /// to the cable connection and attaches the device-change handler last,
    /// which runs the first device-change pass: the device list is filled and
    /// the cable pre-selected. Work posted to @p dispatcher that fails is
    /// reported in the history list. @p dispatcher is the main thread as the
    /// HID layer sees it and must outlive this object. Returns an empty text,
    /// or why the controller could not be made (the program then runs
    /// without, and the history list says so).
    std::string startHid(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher);

    /// The window's creation step, in its order. @p localeDecimal is the
    /// system locale's decimal separator (empty when the query failed);
    /// @p programFolder ends with a path separator. ChartControl pages
    /// @p chartEngine (the window's Chtshow; it must outlive this object), or
    /// a chart in memory when it is null.
    void FormCreate(std::string localeDecimal, std::string programFolder, ChartEngine* chartEngine = nullptr);

    /// Decodes one meter frame and hands the reading on: the frame log; on
    /// a unit change SelectDialRange, KDsetup, SetValueMin, SetValueMax; then
    /// KDrun, the bar graph, INDataToTable(1), AddPoint and, when
    /// ChartFollowLast, the page indicator.
    FrameOutcome ShowDataQ7(std::string_view frame);

    /// One input report as the connected cable's data handler gets it, for
    /// reports replayed without a device.
    void ReadReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size)
    {
        link_.assembleReport(ReportID, Data, Size);
    }

    // Hidden port-kind menu and panel.
    void COM1Click() { selectComPort(1); }
    void COM2Click() { selectComPort(2); }
    void COM3Click() { selectComPort(3); }
    void COM4Click() { selectComPort(4); }
    void USBClick();
    void Panel1Click();

    /// The "Connect"/"Disconnect" panel, and the link watchdog's timer.
    void Panel2Click();
    void ConTimerTimer();
    /// Hidctl's device-change pass as the cable connection handles it.
    void HidCtlDeviceChange() { link_.HidCtlDeviceChange(); }

    /// The help command: sets the application's help file to ProgramFolder
    /// followed by "zq7.hlp" and returns it for the viewer to show.
    const std::string& HELP1Click();

    // The steps ShowDataQ7 hands a reading to.
    void SelectDialRange(int32_t type) { dial_.SelectDialRange(type); }
    /// Redraws the dial scale; the argument has no effect.
    void KDsetup(int32_t ignored);
    /// Moves the needle to a needle value (0 .. 10 x DialStep spans the scale).
    void KDrun(int32_t value);
    /// Offers the current reading to the record table (kind 1) at the time
    /// of day the clock gives; an interval text that is not a number goes to
    /// the error box and the reading is neither recorded nor counted.
    void INDataToTable(int32_t kind);
    /// Value axis range of the trend chart.
    void SetValueMin(double value) { chart_.ChartControl().SetValueMin(value); }
    void SetValueMax(double value) { chart_.ChartControl().SetValueMax(value); }
    /// Adds one reading to the trend chart; returns the page now current.
    int32_t AddPoint(double value);

    // Recording: the sampling interval and its edit, the record limit menu,
    // the delete command (SpeedButton2, BtNew and the hidden menu items).
    void SampInterTimeTimer() { sampling_.SampInterTimeTimer(); }
    /// The text of RecordSITime became @p text (Latin-1).
    void RecordSITimeChange(std::string_view text);
    /// Key filter of RecordSITime: a key it drops becomes 0.
    static void RecordSITimeKeyPress(char& key) { RecordSampling::RecordSITimeKeyPress(key); }
    void set1kClick() { sampling_.set1kClick(); }
    void set5kClick() { sampling_.set5kClick(); }
    void set10kClick() { sampling_.set10kClick(); }
    void set50kClick() { sampling_.set50kClick(); }
    void set100kClick() { sampling_.set100kClick(); }
    void setlimitClick() { sampling_.setlimitClick(); }
    /// Warns in the information box, empties the table and restarts the
    /// numbering; the chart is cleared only when the table had rows.
    void ClearRClick();

    // The trend chart's tools.
    void BtFillClick(bool ticked) { chart_.BtFillClick(ticked); }
    int32_t BtFirstClick() { return chart_.BtFirstClick(); }
    int32_t BTPreviousClick() { return chart_.BTPreviousClick(); }
    int32_t BtNextClick() { return chart_.BtNextClick(); }
    int32_t BTlastClick() { return chart_.BTlastClick(); }
    static bool MaxrecordKeyPress(char key) { return ChartPanelState::MaxrecordKeyPress(key); }
    /// The text of Maxrecord became @p text (Latin-1); the window restarts
    /// Timer_range when chart().Timer_rangeEnabled() says so.
    void MaxrecordChange(std::string text) { chart_.setMaxrecordText(std::move(text)); }
    void Timer_rangeTimer() { chart_.Timer_rangeTimer(); }

    // Record files, given the names chosen in SaveDialog2 and OpenDialog1
    // (file names as the system spells them).
    void Save_asClick(const std::string& fileName) { files_.Save_asClick(fileName); }
    void OpenClick(const std::string& fileName) { files_.OpenClick(fileName); }
    /// Reads @p fileName into cds1 at once, on this thread; false when it
    /// failed ("Failed to Load File!").
    bool LoadTable(const std::string& fileName, bool emptyFirst);

    /// Called with every input report the cable's data handler receives,
    /// before it is assembled (a capture of the line for a bug report).
    void setReportTap(std::function<void(uint8_t ReportID, const uint8_t* Data, uint16_t Size)> tap)
    {
        link_.onReport = std::move(tap);
    }

    /// Shows a modal information box and returns when it is closed; the
    /// window sets it. Without one the text is only kept (messages()).
    void setInformationBox(std::function<void(std::string_view)> box) { informationBox_ = std::move(box); }
    /// Shows a modal error box (a text that is not a number where one is
    /// needed). Without one the text is only kept (lastError()).
    void setErrorBox(std::function<void(std::string_view)> box) { errorBox_ = std::move(box); }
    /// The clock of the record table's Time field [s since midnight,
    /// 0 .. 86399]; the system's local time unless set.
    void setTimeOfDay(std::function<int32_t()> secondsOfDay);
    /// The system's time separator, between hours, minutes and seconds of
    /// Time (":" unless set).
    void setTimeSeparator(std::string separator) { sampling_.TimeSeparator = std::move(separator); }

    /// Whether the menu item called @p item carries a check mark; false
    /// for items that never do.
    bool marked(std::string_view item) const;

    // --- shared state, read-only --------------------------------------------
    int8_t PortKind() const { return portKind_; }
    const std::string& ProgramFolder() const { return programFolder_; }
    /// The application's help file, set by HELP1Click.
    const std::string& HelpFile() const { return helpFile_; }
    bool ChartFollowLast() const { return chartFollowLast_; }
    const DialRange& Dial() const { return dial_; }
    int32_t NextRecordNo() const { return sampling_.NextRecordNo; }
    int32_t RecordLimit() const { return sampling_.RecordLimit; }
    int32_t SampleCountdown() const { return sampling_.SampleCountdown; }
    const std::string& LocaleDecimal() const { return decoder_.LocaleDecimal(); }

    // --- window state ----------------------------------------------------------
    const std::string& Caption() const { return caption_; }
    const std::string& Panel1Caption() const { return panel1Caption_; }
    bool RepeatSetChecked() const { return sampling_.RepeatSet; }
    const MenuMarks& Marks() const { return marks_; }
    /// Bar graph PBar2: Max and Position as last set (60 and 20 as laid out).
    int32_t BarMaxSet() const { return barMaxSet_; }
    int32_t BarPosition() const { return barPosition_; }

    /// The trend chart's value axis range (the layout's -11000..11000 until
    /// the first unit change).
    double ValueAxisMin() const { return chart_.ChartControl().Chart().valueAxisRange().min; }
    double ValueAxisMax() const { return chart_.ChartControl().Chart().valueAxisRange().max; }

    /// Needle value of the last KDrun, and how often the scale was drawn.
    std::optional<int32_t> NeedleValue() const { return needleValue_; }
    int64_t ScaleDrawings() const { return scaleDrawings_; }

    const FrameCalls& lastFrameCalls() const { return frameCalls_; }
    const std::deque<std::string>& frameLog() const { return frameLog_; }
    /// Every information text shown so far, oldest first.
    const std::vector<std::string>& messages() const { return messages_; }
    /// The last error box text, empty when there was none.
    const std::string& lastError() const { return lastError_; }

    // --- the composed units, read-only ------------------------------------------
    const MeterDecoder& decoder() const { return decoder_; }
    const MeterReading& reading() const { return decoder_.reading(); }
    const LcdModel& lcd() const { return decoder_.lcd(); }
    /// The analog dial: the needle drawn last.
    const AnalogDial& analogDial() const { return analogDial_; }
    /// The cable: device list, history list, connection, frame assembly,
    /// link icon and Panel2.
    const CableConnection& link() const { return link_; }
    THidDeviceController* hidController() const { return Hidctl.get(); }

    // --- recording and the chart ------------------------------------------------
    /// The record table the grid shows and the files save and load.
    RecordTable& cds1() { return cds1_; }
    const RecordTable& cds1() const { return cds1_; }
    /// The sampling rules and their check boxes, edit and limit marks.
    RecordSampling& sampling() { return sampling_; }
    const RecordSampling& sampling() const { return sampling_; }
    /// The chart's paging object and its tool controls (Bt10, Maxrecord, Fill).
    ChartPanelState& chart() { return chart_; }
    const ChartPanelState& chart() const { return chart_; }
    TChartControl& ChartControl() { return chart_.ChartControl(); }
    const TChartControl& ChartControl() const { return chart_.ChartControl(); }
    /// The save and open commands; the window sets their message box,
    /// poster and progress.
    RecordFileCommands& recordFiles() { return files_; }
    const RecordFileCommands& recordFiles() const { return files_; }

    // --- for a view that renders changes ------------------------------------------
    /// The LCD elements changed since the last call.
    LcdModel::ChangeSet takeLcdChanges() { return decoder_.lcd().takeChanges(); }
    /// Dial drawings are kept only once a view asks for them.
    void keepDialDrawings(bool keep) { analogDial_.keepDrawings(keep); }
    std::vector<DialDrawing> takeDialDrawings() { return analogDial_.takeDrawings(); }

private:
    void selectComPort(int8_t kind);
    void logFrame(std::string_view frame);
    void information(std::string_view text);
    void error(std::string_view text);
    /// Shows what the cable connection raised for information boxes.
    void showLinkInformation();
    FrameReceipt receiveFrame(std::string_view frame);

    int8_t portKind_ = 0;
    std::string programFolder_;
    std::string helpFile_;
    bool chartFollowLast_ = false;
    DialRange dial_;

    std::string caption_ = "ZQ9  Interface Program Ver:3.00";
    std::string panel1Caption_ = "USB";
    MenuMarks marks_;
    int32_t barMaxSet_ = 60;
    int32_t barPosition_ = 20;

    ChartPanelState chart_;
    RecordTable cds1_;
    RecordSampling sampling_{cds1_};
    std::function<int32_t()> secondsOfDay_;

    std::optional<int32_t> needleValue_;
    int64_t scaleDrawings_ = 0;

    MeterDecoder decoder_;
    FrameCalls frameCalls_;
    std::deque<std::string> frameLog_;
    std::vector<std::string> messages_;
    std::function<void(std::string_view)> informationBox_;
    std::function<void(std::string_view)> errorBox_;
    std::string lastError_;
    AnalogDial analogDial_;
    THidDispatcher* dispatcher_ = nullptr;
    // After the table, so that it goes first: a running file job is stopped
    // while the table still exists.
    RecordFileCommands files_{cds1_};
    // Last, so that they go first: the device objects the link owns are
    // released while the controller still lives; the link's frames reach
    // the units above, which outlive it.
    std::unique_ptr<THidDeviceController> Hidctl;
    CableConnection link_{[this](std::string_view frame) { return receiveFrame(frame); }};
};
