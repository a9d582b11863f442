#pragma once

#include "app/message_queue.h"
#include "chart/chart_panel_state.h"
#include "link/cable_connection.h"
#include "meter/analog_dial.h"
#include "meter/frame_effects.h"
#include "meter/meter_decoder.h"
#include "meter/reading_limits.h"
#include "record/record_file_commands.h"
#include "record/record_journal.h"
#include "record/record_sampling.h"
#include "record/record_statistics.h"
#include "record/record_table.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class ChartEngine;
class THidDeviceController;
class THidDispatcher;
class THidPlatform;

/// The running meter, without a window: the HID controller Hidctl with the
/// cable connection, the frame decoder with its LCD model, the analog dial
/// with its bar graph, the record table cds1 with its sampling rules, the
/// trend chart's paging object and the record file commands.
///
/// Every frame the cable assembles goes through ShowDataQ7, the one place
/// where a frame's effects are applied (applyFrameEffects): the frame log,
/// a range change, then the needle, the bar graph, the record table and the
/// chart. The window, the command line, the soak and the tests drive this
/// same object; they reach its units through the accessors below and call
/// the units' own handlers. No unit it owns calls back into it.
///
/// What its units have to tell the user (no cable, a lost link, an interval
/// text that is no number, a file command's outcome) goes to the message
/// sink the moment it is raised, often while a read thread waits for the
/// frame's hand-over: the sink queues it and never waits for a person.
///
/// Main thread only.
class MeterSession final : private FrameEffectsTarget, private RecordTableListener {
public:
    /// Lines of the hidden frame log kept; nothing reads older ones.
    static constexpr std::size_t kFrameLogLimit = 10000;

    /// What the last ShowDataQ7 handed on, for the command line's output.
    struct FrameCalls {
        bool scaleDrawn = false;
        std::optional<int32_t> needle;
        std::optional<double> chartValue;
        bool offered = false;
        /// No of the row the reading became, none when it was not recorded.
        std::optional<int32_t> recorded;
    };

    using MessageSink = std::function<void(const UserMessage&)>;

    MeterSession();
    ~MeterSession() override;
    MeterSession(const MeterSession&) = delete;
    MeterSession& operator=(const MeterSession&) = delete;

    /// Creates the HID controller Hidctl on @p platform, wires its events to
    /// the cable connection and attaches the device-change handler last,
    /// which runs the first device-change pass: the device list is filled
    /// and the cable pre-selected. Posted work that fails is reported in the
    /// history list. @p dispatcher is the main thread as the HID layer sees
    /// it and must outlive this object. Returns an empty text, or why the
    /// controller could not be made (the session then runs without, and the
    /// history list says so).
    std::string startHid(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher);

    /// The session's steps of the window's creation step, in their order:
    /// the decimal separator @p localeDecimal (empty when the locale query
    /// failed), ChartControl for @p chartEngine (the window's Chtshow, which
    /// must outlive this object; a chart in memory when null), the check
    /// mark on set10k, ChartFollowLast, the dial's scale and its needle at
    /// the centre, and RepeatSet on.
    void FormCreate(std::string localeDecimal, ChartEngine* chartEngine = nullptr);

    /// Decodes one meter frame and applies what it asks of the units.
    FrameOutcome ShowDataQ7(std::string_view frame);

    /// Offers the current reading to the record table (kind 1) at the time
    /// of day the clock gives. An interval text that is not a number raises
    /// the error message, and the reading is neither recorded nor counted.
    void INDataToTable(int32_t kind) override;
    /// The text of RecordSITime became @p text (Latin-1); a text that is
    /// not a whole number raises the error message.
    void RecordSITimeChange(std::string_view text);
    /// The delete command: raises its warning with OK and Cancel; only the
    /// reply OK empties the table and restarts the numbering, and clears the
    /// chart when the table had rows. A warning nobody answers deletes
    /// nothing.
    void ClearRClick();

    /// Where raised messages go (see the class comment); without a sink
    /// they are dropped.
    void setMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
    /// Raises @p message as the units do (the window's own units use it).
    void raiseMessage(UserMessage message) const { raise(std::move(message)); }
    /// The clock of the record table's Time field [s since midnight,
    /// 0 .. 86399]; the system's local time unless set.
    void setTimeOfDay(std::function<int32_t()> secondsOfDay);

    // --- the units ---------------------------------------------------------------
    /// The cable: device list, history list, connecting, frame assembly,
    /// the watchdog, the link icon and Panel2.
    CableConnection& link() { return link_; }
    const CableConnection& link() const { return link_; }
    THidDeviceController* hidController() const { return Hidctl.get(); }
    const MeterDecoder& decoder() const { return decoder_; }
    /// The LCD model the decoder writes; a view takes its changes.
    LcdModel& lcd() { return decoder_.lcd(); }
    const LcdModel& lcd() const { return decoder_.lcd(); }
    /// The analog dial and its bar graph; a view takes its drawings.
    AnalogDial& dial() { return dial_; }
    const AnalogDial& dial() const { return dial_; }
    /// The record table the grid shows and the files save and load.
    RecordTable& cds1() { return cds1_; }
    const RecordTable& cds1() const { return cds1_; }
    /// The sampling rules with their check boxes, edit and limit menu.
    RecordSampling& sampling() { return sampling_; }
    const RecordSampling& sampling() const { return sampling_; }
    /// The chart's paging object and its tool controls (Bt10, Maxrecord, Fill).
    ChartPanelState& chart() { return chart_; }
    const ChartPanelState& chart() const { return chart_; }
    /// The save and open commands of cds1.
    RecordFileCommands& recordFiles() { return files_; }
    const RecordFileCommands& recordFiles() const { return files_; }

    // --- state ---------------------------------------------------------------------
    bool ChartFollowLast() const { return chartFollowLast_; }
    /// Rows recorded and not saved since: what closing the window would
    /// lose. A save takes off the rows it wrote; emptying the table or a
    /// load that replaces its content takes off all. Rows a text load adds
    /// are a file's already and never count.
    std::size_t unsavedRows() const { return static_cast<std::size_t>(recorded_ - savedMark_); }
    /// When the last frame was handed over (steady clock); none before the first.
    std::optional<std::chrono::steady_clock::time_point> lastFrameAt() const { return lastFrameAt_; }

    /// Told, after the session's own bookkeeping, when a save or open command
    /// has ended (the window closes once the save it asked for succeeded).
    std::function<void(RecordFileCommand, bool ok)> onFileCommandEnded;

    /// The journal that keeps every row of cds1 on disk while it records.
    struct JournalState {
        enum class Kind : std::uint8_t { Off, Writing, Failed };
        Kind kind = Kind::Off;
        std::string path;     ///< the journal file, empty when off
        std::string failure;  ///< why it stopped writing (Failed)
    };
    JournalState journalState() const;
    /// Starts the journal in @p folder (RecordJournal::defaultFolder() in
    /// the window). A journal that cannot start or later stops writing
    /// never stops recording: the rows stay in memory, and the reason is
    /// raised once as an error message. Returns the reason, empty when it
    /// runs.
    std::string startJournal(const std::string& folder);
    /// The program ends normally: the journal is written out, and removed
    /// when nothing is left unsaved or the user chose to discard it.
    void endNormally(bool discarded);
    /// The journal, for the soak's and the tests' checks.
    RecordJournal& journal() { return journal_; }

    // --- statistics and limits --------------------------------------------------
    /// The statistics of cds1, kept row by row as it records. After a load
    /// or a replacement they are computed again once, off the main thread
    /// when the session has a poster (the window); meanwhile they are those
    /// of the rows before and statisticsPending() is true.
    const RecordStatistics& statistics() const { return statistics_; }
    bool statisticsPending() const { return statisticsJob_.running(); }
    /// Told whenever statistics() changed (a row, a recomputation done).
    std::function<void()> onStatisticsChanged;

    /// A limit of the main reading crossed or cleared, as it happened.
    struct LimitEvent {
        std::string time;  ///< of day, as the record table's Time
        std::string valueText;
        std::string unit;
        ReadingLimits::Which which = ReadingLimits::Which::High;
        ReadingLimits::Kind kind = ReadingLimits::Kind::Crossed;
        double limit = 0;
    };
    /// Events kept; older ones are dropped (limitEventCount() counts all).
    static constexpr std::size_t kLimitEventLimit = 1000;
    /// The limits every decoded reading is judged against (none at first).
    void setLimits(ReadingLimits limits) { limits_ = std::move(limits); }
    const ReadingLimits& limits() const { return limits_; }
    const std::deque<LimitEvent>& limitEvents() const { return limitEvents_; }
    uint64_t limitEventCount() const { return limitEventCount_; }
    /// "12:03:05 high limit 1.5 crossed: 1.732 KW".
    static std::string limitEventText(const LimitEvent& event);
    const FrameCalls& lastFrameCalls() const { return frameCalls_; }
    const std::deque<std::string>& frameLog() const { return frameLog_; }

private:
    // The steps of a frame's effects, applied by applyFrameEffects.
    void logFrame(std::string_view frame) override;
    void SelectDialRange(int32_t type) override { dial_.SelectDialRange(type); }
    void KDsetup(int32_t ignored) override;
    void SetValueMin(double value) override { chart_.ChartControl().SetValueMin(value); }
    void SetValueMax(double value) override { chart_.ChartControl().SetValueMax(value); }
    void KDrun(int32_t needle) override;
    void movePBar2(int32_t max, int32_t position) override { dial_.movePBar2(max, position); }
    void AddPoint(double value) override;

    void raise(UserMessage message) const;
    FrameReceipt receiveFrame(std::string_view frame);
    /// cds1 changed: content replaced or emptied leaves nothing unsaved.
    void recordTableChanged(const RecordTableChange& change) override;
    /// Raises the journal's failure the first time it is seen.
    void checkJournal();
    /// Takes the rows of cds1 from statisticsRows_ on into the statistics,
    /// or computes them all again off the main thread when they are many.
    void followStatistics();
    void recomputeStatistics();
    void judgeLimits();

    bool chartFollowLast_ = false;
    // Rows recorded since the start, and how many of them were saved or
    // dropped with the table's content; a save remembers where it began.
    uint64_t recorded_ = 0;
    uint64_t savedMark_ = 0;
    uint64_t saveStartMark_ = 0;
    uint64_t resets_ = 0;
    uint64_t saveStartResets_ = 0;
    bool journalFailureRaised_ = false;
    RecordStatistics statistics_;
    std::size_t statisticsRows_ = 0;   ///< rows of cds1 the statistics hold
    bool statisticsStale_ = false;     ///< content replaced while recomputing
    ReadingLimits limits_;
    std::deque<LimitEvent> limitEvents_;
    uint64_t limitEventCount_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastFrameAt_;
    ChartPanelState chart_;
    RecordTable cds1_;
    RecordSampling sampling_{cds1_};
    // After the table, so that it stops following it before the table goes.
    RecordJournal journal_{cds1_};
    std::function<int32_t()> secondsOfDay_;
    MeterDecoder decoder_;
    AnalogDial dial_;
    FrameCalls frameCalls_;
    std::deque<std::string> frameLog_;
    MessageSink messageSink_;
    THidDispatcher* dispatcher_ = nullptr;
    // After the table, so that it goes first: a running file job is stopped
    // while the table still exists.
    RecordFileCommands files_{cds1_};
    RecordFileJob statisticsJob_;
    // Last, so that they go first: the device objects the link owns are
    // released while the controller still lives; the link's frames reach
    // the units above, which outlive it.
    std::unique_ptr<THidDeviceController> Hidctl;
    CableConnection link_{[this](std::string_view frame) { return receiveFrame(frame); }};
};
