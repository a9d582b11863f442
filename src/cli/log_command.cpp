#include "cli/log_command.h"

#include "app/locale_decimal.h"
#include "app/meter_session.h"
#include "cli/command_help.h"
#include "cli/log_csv.h"
#include "cli/sampling_options.h"
#include "cli/stop_signals.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_native_platform.h"
#include "link/sim/hid_demo_platform.h"
#include "meter/reading_limits.h"
#include "meter/reading_number.h"
#include "record/appending_file.h"
#include "record/record_file.h"
#include "record/record_file_error.h"
#include "record/record_sampling.h"
#include "record/record_table.h"
#include "record/system_files.h"
#include "record/text_table_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <ostream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Steady = std::chrono::steady_clock;
using Wall = std::chrono::system_clock;

const std::string kUsage = commandUsage("log");
constexpr std::string_view kName = "zqmeter-cli log: ";

/// How long one loop step lets the read threads hand over.
constexpr std::chrono::milliseconds kStep{20};
constexpr std::chrono::milliseconds kWatchdogPeriod{100};
constexpr std::chrono::milliseconds kSamplingTick{1000};
constexpr std::chrono::milliseconds kStatusPeriod{250};
/// History lines looked through for why the link went down; a loss adds its
/// line just before the loop sees it, and a link that is down adds few.
constexpr std::size_t kLossLinesLooked = 64;

struct LogOptions {
    std::string path;
    bool demo = false;
    bool append = false;
    std::optional<std::string> csv;
    SamplingOptions sampling;
    std::optional<double> high;
    std::optional<double> low;
    std::optional<double> hysteresis;
};

/// A limit as the command line gives it: a decimal number with "." before
/// the fraction, whatever the locale, so a script's limits mean the same
/// everywhere.
std::optional<double> limitNumber(const std::string& text)
{
    if (text.find_first_of(", \t") != std::string::npos)
        return std::nullopt;
    return readingNumber(text);
}

/// Takes @p value for @p slot when it is a number not given before.
bool takeNumber(std::optional<double>& slot, const std::string& value)
{
    if (slot)
        return false;
    slot = limitNumber(value);
    return slot.has_value();
}

bool parseOptions(const std::vector<std::string>& args, LogOptions& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--demo" && !options.demo) {
            options.demo = true;
        } else if (arg == "--append" && !options.append) {
            options.append = true;
        } else if (arg == "--csv" && hasValue && !options.csv && !args[i + 1].empty()) {
            options.csv = args[++i];
        } else if (hasValue && options.sampling.take(arg, args[i + 1])) {
            ++i;
        } else if (hasValue && arg == "--high" && takeNumber(options.high, args[i + 1])) {
            ++i;
        } else if (hasValue && arg == "--low" && takeNumber(options.low, args[i + 1])) {
            ++i;
        } else if (hasValue && arg == "--hysteresis" && takeNumber(options.hysteresis, args[i + 1]) &&
                   *options.hysteresis >= 0) {
            ++i;
        } else if (options.path.empty() && !arg.empty() && arg[0] != '-') {
            options.path = arg;
        } else {
            return false;
        }
    }
    // A hysteresis without a limit to hold is a mistake, not a setting.
    if (options.hysteresis && !options.high && !options.low)
        return false;
    return !options.path.empty() && options.csv != options.path;
}

/// A limit as the event lines show it: the shortest text that reads back
/// as the same number ("1.5").
std::string limitText(double limit)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, limit);
    return std::string(text, written.ptr);
}

class SystemLogClock final : public LogClock {
public:
    Steady::time_point steadyNow() override { return Steady::now(); }
    Wall::time_point wallNow() override { return Wall::now(); }
    void runFor(THidManualDispatcher& dispatcher, std::chrono::milliseconds step, bool) override
    {
        dispatcher.WaitAndRunPending(step);
    }
};

std::optional<std::tm> localTimeOf(Wall::time_point time)
{
    const std::time_t seconds = Wall::to_time_t(time);
    std::tm local{};
    if (!systemFiles::localTime(seconds, local))
        return std::nullopt;
    return local;
}

int32_t localSecondsOfDay(Wall::time_point time)
{
    const std::optional<std::tm> local = localTimeOf(time);
    return local ? local->tm_hour * 3600 + local->tm_min * 60 + std::min(local->tm_sec, 59) : 0;
}

/// "2026-12-10 14:03:05", the stamp of the lines about the link.
std::string localDateTime(Wall::time_point time)
{
    const std::optional<std::tm> local = localTimeOf(time);
    char text[32] = "";
    if (local)
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &*local);
    return text;
}

/// "2026-12-10 14:03:05 high limit 1.5 crossed: 1.732 KW": the reading as
/// the meter showed it, with "." as the limits have it.
std::string limitLine(Wall::time_point time, const MeterSession::LimitEvent& event, std::string_view decimal)
{
    std::string value = csvNumber(event.valueText, decimal);
    if (value.empty())
        value = event.valueText;
    std::string line = localDateTime(time);
    line += event.which == ReadingLimits::Which::High ? " high limit " : " low limit ";
    line += limitText(event.limit);
    line += event.kind == ReadingLimits::Kind::Crossed ? " crossed: " : " cleared: ";
    line += value;
    if (!event.unit.empty())
        line += " " + event.unit;
    return line;
}

std::string rowsText(std::size_t rows) { return std::to_string(rows) + (rows == 1 ? " row" : " rows"); }

class FileDescriptor {
public:
    FileDescriptor() = default;
    ~FileDescriptor() { reset(-1); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

std::string systemReason(int error) { return std::strerror(error); }

// A named pipe given as a file has no writer yet; Windows opens one without waiting anyway.
#ifdef O_NONBLOCK
constexpr int kOpenNotWaiting = O_NONBLOCK;
#else
constexpr int kOpenNotWaiting = 0;
#endif

/// Opens the existing @p path to look at what it holds, not blocking: a
/// named pipe given as a file has no writer yet. Returns why it cannot be
/// read; @p file stays closed when there is nothing to look at (a missing
/// or empty file, a pipe, a device), else @p size is its size.
std::string openEarlierFile(const std::string& path, FileDescriptor& file, std::size_t& size)
{
    file.reset(systemFiles::open(path, O_RDONLY | kOpenNotWaiting));
    if (file.get() < 0)
        return errno == ENOENT ? std::string() : "cannot read it: " + systemReason(errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return "cannot read it: " + systemReason(errno);
    if (!S_ISREG(info.st_mode) || info.st_size == 0)
        file.reset(-1);
    size = static_cast<std::size_t>(info.st_size);
    return {};
}

/// What a file appended to held.
struct EarlierRows {
    std::size_t rows = 0;
    /// The No of its last numbered row; 0 when none.
    std::int32_t lastNo = 0;
};

/// Loads @p path as the window would open it, its whole lines only: a last
/// line without its line end is what a power cut left, and AppendingFile
/// cuts it off. Returns an empty text (a missing or empty file holds
/// nothing), or why the file may not be appended to.
std::string loadEarlierRows(const std::string& path, EarlierRows& earlier)
{
    FileDescriptor file;
    std::size_t size = 0;
    if (std::string why = openEarlierFile(path, file, size); !why.empty() || file.get() < 0)
        return why;  // a pipe or a device has no rows to number on from
    // Mapped, not read: a log of millions of rows is hundreds of megabytes.
    systemFiles::ReadOnlyMapping mapped;
    if (!mapped.map(file.get(), size))
        return "cannot read it: " + systemReason(errno);
    const std::string_view bytes = mapped.bytes();
    const std::size_t lastLineEnd = bytes.rfind('\n');
    RecordTable table;
    RecordFileError error;
    bool loads = false;
    if (lastLineEnd == std::string_view::npos) {
        // Not one whole line: only a header cut short may be dropped, never
        // a file of some other kind.
        loads = TextTableFile::header().starts_with(bytes);
    } else {
        loads = TextTableFile::parse(bytes.substr(0, lastLineEnd + 1), table, std::size_t{1} << 20, &error);
    }
    if (!loads && error.reason.empty())
        return "it does not load as a record file";
    if (!loads)
        return "it does not load as a record file: " +
               (error.line > 0 ? "line " + std::to_string(error.line) + ": " : std::string()) + error.reason;
    earlier.rows = table.rowCount();
    for (std::size_t row = earlier.rows; row-- > 0;) {
        if (const std::optional<std::int32_t> no = table.no(row)) {
            earlier.lastNo = *no;
            break;
        }
    }
    return {};
}

/// Whether the CSV @p path may be appended to: missing, empty, or starting
/// with the header (or a header cut short); returns why not otherwise.
std::string checkEarlierCsv(const std::string& path)
{
    FileDescriptor file;
    std::size_t size = 0;
    if (std::string why = openEarlierFile(path, file, size); !why.empty() || file.get() < 0)
        return why;
    char start[kLogCsvHeader.size()];
    const ssize_t got = systemFiles::readAt(file.get(), start, sizeof start, 0);
    if (got < 0)
        return "cannot read it: " + systemReason(errno);
    if (kLogCsvHeader.starts_with(std::string_view(start, static_cast<std::size_t>(got))))
        return {};
    return "it does not start with the header \"" +
           std::string(kLogCsvHeader.substr(0, kLogCsvHeader.size() - 2)) + "\"";
}

/// Opens @p file for the log and says what it cut off; false (said) when it
/// cannot be opened.
bool openLogFile(AppendingFile& file, const std::string& path, AppendingFile::Mode mode, std::string_view header,
                 std::ostream& err)
{
    const std::string why = file.open(path, mode, std::string(header));
    if (!why.empty()) {
        err << kName << "cannot write " << path << ": " << why << '\n';
        return false;
    }
    if (file.cutBytes() > 0)
        err << kName << path << ": dropped an unfinished last line (" << file.cutBytes() << " bytes)\n";
    return true;
}

/// Follows cds1 and hands every row it takes to the files the moment it is
/// recorded: the record text form, and the CSV stamped with the time the
/// row's Time field was taken from.
class LogWriter final : private RecordTableListener {
public:
    LogWriter(RecordTable& table, AppendingFile& records, AppendingFile* csv, std::string decimal,
              const Wall::time_point& stamp)
        : table_(table), records_(records), csv_(csv), decimal_(std::move(decimal)), stamp_(stamp)
    {
        table_.addFollower(this);
    }
    ~LogWriter() override { detach(); }
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    /// No further rows reach the files.
    void detach() { table_.removeFollower(this); }

private:
    void recordTableChanged(const RecordTableChange& change) override
    {
        // Nothing in a log empties, loads or replaces cds1: only new rows.
        if (change.reset)
            return;
        for (std::size_t row = change.firstNewRow; row < change.rowCount; ++row) {
            line_.clear();
            TextTableFile::appendLine(line_, table_, row);
            records_.append(line_);
            if (csv_) {
                line_.clear();
                appendCsvLine(line_, table_.no(row).value_or(0), isoLocalDateTime(stamp_), table_, row, decimal_);
                csv_->append(line_);
            }
        }
    }

    RecordTable& table_;
    AppendingFile& records_;
    AppendingFile* csv_;
    const std::string decimal_;
    const Wall::time_point& stamp_;
    std::string line_;
};

/// The error stream of a log: lines of their own, and on a terminal one
/// status line kept below them and rewritten in place.
class LogConsole {
public:
    LogConsole(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    void line(std::string_view text)
    {
        clear();
        err_ << text << '\n';
        err_.flush();
    }
    void status(std::string_view text)
    {
        if (!terminal_)
            return;
        err_ << "\r\033[K" << text;
        err_.flush();
        shown_ = true;
    }
    void clear()
    {
        if (!shown_)
            return;
        err_ << "\r\033[K";
        err_.flush();
        shown_ = false;
    }

private:
    std::ostream& err_;
    const bool terminal_;
    bool shown_ = false;
};

std::string runningTime(Steady::duration running)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(running).count();
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

/// Moves @p next on by @p period once it is due; true when it was. A timer
/// held up (a suspended machine) skips what it missed, as the window's do.
bool due(Steady::time_point& next, Steady::time_point now, std::chrono::milliseconds period)
{
    if (now < next)
        return false;
    next += period;
    if (next <= now)
        next = now + period;
    return true;
}

int runLog(const LogOptions& options, std::ostream& out, std::ostream& err, const LogHooks& hooks)
{
    EarlierRows earlier;
    if (options.append) {
        if (const std::string why = loadEarlierRows(options.path, earlier); !why.empty()) {
            err << kName << options.path << ": " << why << "; not appending to it\n";
            return 1;
        }
        if (options.csv) {
            if (const std::string why = checkEarlierCsv(*options.csv); !why.empty()) {
                err << kName << *options.csv << ": " << why << "; not appending to it\n";
                return 1;
            }
        }
    }
    const std::int32_t limit =
        options.sampling.limit.value_or(RecordSampling::limitOf(RecordSampling::LimitItem::setlimit));

    const AppendingFile::Mode mode = options.append ? AppendingFile::Mode::Append : AppendingFile::Mode::Replace;
    AppendingFile records;
    AppendingFile csv;
    if (!openLogFile(records, options.path, mode, TextTableFile::header(), err))
        return 1;
    if (options.csv && !openLogFile(csv, *options.csv, mode, kLogCsvHeader, err))
        return 1;
    const std::string names = options.path + (options.csv ? " and " + *options.csv : std::string());
    if (earlier.rows > 0)
        err << kName << "appending to " << options.path << " after No " << earlier.lastNo << " ("
            << rowsText(earlier.rows) << ")\n";

    SystemLogClock systemClock;
    LogClock& clock = hooks.clock ? *hooks.clock : systemClock;
    LogConsole console(err, hooks.terminal);

    // The watchdog's box names the silent meter; it is the lost link's reason.
    std::string silentMeter;
    // When the row in hand had its Time taken: its CSV stamp.
    Wall::time_point stamp = clock.wallNow();
    // Declared before the session, so that they outlive its handlers and
    // the read threads that hand over to the dispatcher.
    THidManualDispatcher dispatcher;
    MeterSession session;
    session.setMessageSink([&](const UserMessage& message) {
        if (message.text == CableConnection::kMeterNotReadyText)
            silentMeter = message.text;
        else
            console.line(std::string(kName) + message.text);
    });
    std::shared_ptr<THidPlatform> platform = hooks.platform;
    if (!platform)
        platform = options.demo ? CreateDemoHidPlatform() : CreateNativeHidPlatform();
    if (const std::string why = session.startHid(std::move(platform), dispatcher); !why.empty()) {
        err << kName << why << '\n';
        return 1;
    }
    session.FormCreate(systemLocaleDecimal());
    RecordSampling& sampling = session.sampling();
    sampling.setTimeSeparator(systemTimeSeparator());
    sampling.setlimitClick();
    options.sampling.applyTo(sampling);
    // The file's numbers go on from its last No, and the limit counts them.
    sampling.setRecordLimit(limit);
    if (earlier.lastNo == INT32_MAX) {
        err << kName << options.path << ": its last No is the largest there is; not appending to it\n";
        return 1;
    }
    sampling.setNextRecordNo(earlier.lastNo + 1);

    // A row's Time and its CSV stamp are the same moment.
    session.setTimeOfDay([&] {
        stamp = clock.wallNow();
        return localSecondsOfDay(stamp);
    });
    LogWriter writer(session.cds1(), records, options.csv ? &csv : nullptr, session.decoder().LocaleDecimal(),
                     stamp);

    CableConnection& link = session.link();
    link.setReconnectAutomatically(true);
    // Only the pre-selected cable, and only when it opens for reading: a
    // click without one would raise the window's box about a missing cable.
    auto selectedCable = [&link]() -> const THidDevice* {
        const int32_t selected = link.selectedDevice();
        if (selected < 0 || static_cast<std::size_t>(selected) >= link.DevListBox().size())
            return nullptr;
        return link.DevListBox()[static_cast<std::size_t>(selected)].device.get();
    };
    auto cableReady = [&] {
        const THidDevice* cable = selectedCable();
        return cable && cable->FullAccess();
    };
    auto lossReason = [&] {
        if (!silentMeter.empty())
            return std::exchange(silentMeter, std::string());
        const auto& history = link.HistoryListBox();
        std::size_t looked = 0;
        for (auto it = history.rbegin(); it != history.rend() && looked < kLossLinesLooked; ++it, ++looked) {
            constexpr std::string_view kRemoved = "Connection lost: ";
            constexpr std::string_view kReadEnd = "READING STOPPED: ";
            if (it->starts_with(kRemoved))
                return it->substr(kRemoved.size());
            if (it->starts_with(kReadEnd))
                return "reading stopped: " + it->substr(kReadEnd.size());
        }
        return std::string("the link went down");
    };

    // The session judges every decoded reading; the log tells what it found.
    session.setLimits(ReadingLimits(options.high, options.low, options.hysteresis.value_or(0)));
    std::uint64_t limitEventsTold = 0;

    console.line(std::string(kName) + "recording into " + names + "; Ctrl+C stops");
    enum class End : std::uint8_t { Stopped, Limit, Failed };
    End end = End::Stopped;
    const Steady::time_point started = clock.steadyNow();
    Steady::time_point nextWatchdog = started + kWatchdogPeriod;
    Steady::time_point nextTick = started + kSamplingTick;
    Steady::time_point nextStatus = started;
    bool everConnected = false;
    bool saidWaiting = false;
    bool lost = false;
    std::uint32_t reconnectionsSeen = 0;
    std::uint64_t framesAtLoss = 0;
    for (;;) {
        if (sampling.NextRecordNo() > sampling.RecordLimit()) {
            end = End::Limit;
            break;
        }
        if (records.failed() || csv.failed()) {
            end = End::Failed;
            break;
        }
        if (hooks.stop && hooks.stop->load())
            break;

        if (!everConnected) {
            if (!link.connected() && cableReady())
                link.Panel2Click(CableConnection::kPortUsb);
            if (link.connected()) {
                everConnected = true;
                reconnectionsSeen = link.reconnections();
                console.line(localDateTime(clock.wallNow()) + " connected");
            } else if (!saidWaiting) {
                saidWaiting = true;
                console.line(std::string(kName) +
                             (selectedCable() ? "the cable does not open for reading (see the README's permissions for"
                                                " the cable); waiting until it does"
                                              : "no cable to connect to; waiting for one (see zqmeter-cli devices)"));
            }
        }

        clock.runFor(dispatcher, kStep, link.connected());
        const Steady::time_point now = clock.steadyNow();
        if (due(nextWatchdog, now, kWatchdogPeriod))
            link.ConTimerTimer();
        if (due(nextTick, now, kSamplingTick))
            sampling.SampInterTimeTimer();

        if (everConnected) {
            // The watchdog's loss is connected again within the same call,
            // so only the count of reconnections shows it. A link that
            // stays quiet is lost once, however often it is renewed; it is
            // back when readings arrive again.
            const bool connected = link.connected();
            const std::uint32_t reconnections = link.reconnections();
            if (!lost && (!connected || reconnections != reconnectionsSeen)) {
                lost = true;
                framesAtLoss = session.decoder().decodedFrames();
                console.line(localDateTime(clock.wallNow()) + " link lost: " + lossReason());
            }
            reconnectionsSeen = reconnections;
            if (lost && connected && session.decoder().decodedFrames() > framesAtLoss) {
                lost = false;
                console.line(localDateTime(clock.wallNow()) + " connected again");
            }
        }
        silentMeter.clear();

        if (session.limitEventCount() != limitEventsTold) {
            const auto& events = session.limitEvents();
            const std::uint64_t fresh = std::min<std::uint64_t>(session.limitEventCount() - limitEventsTold, events.size());
            for (std::size_t i = events.size() - static_cast<std::size_t>(fresh); i < events.size(); ++i)
                console.line(limitLine(stamp, events[i], session.decoder().LocaleDecimal()));
            limitEventsTold = session.limitEventCount();
        }

        if (hooks.onStep)
            hooks.onStep(session);

        if (hooks.terminal && now >= nextStatus) {
            nextStatus = now + kStatusPeriod;
            const MeterReading& reading = session.decoder().reading();
            const char* state = !everConnected ? "waiting for the cable" : lost ? "link lost" : "connected";
            const bool anyFrame = session.decoder().decodedFrames() > 0;
            console.status(rowsText(earlier.rows + session.cds1().rowCount()) + " | " +
                           (anyFrame ? reading.ValueText + " " + reading.UnitText : std::string("-")) + " | " +
                           state + " | " + runningTime(now - started));
        }
    }

    if (link.connected())
        link.Panel2Click(CableConnection::kPortUsb);
    writer.detach();
    console.clear();
    // Closing writes and flushes what is queued, and tells a failure that
    // ended the loop or came only now.
    bool failed = false;
    auto closeFile = [&](AppendingFile& file, const std::string& path) {
        if (const std::string why = file.close(); !why.empty()) {
            err << kName << "cannot write " << path << ": " << why << '\n';
            failed = true;
        }
    };
    closeFile(records, options.path);
    if (options.csv)
        closeFile(csv, *options.csv);
    if (failed)
        return 1;

    const std::size_t newRows = session.cds1().rowCount();
    std::string summary = rowsText(earlier.rows + newRows) + " in " + names;
    if (earlier.rows > 0)
        summary += " (" + std::to_string(newRows) + " new)";
    if (end == End::Limit)
        out << kName << "record limit " << limit << " reached: " << summary << '\n';
    else
        out << kName << summary << '\n';
    out.flush();
    return 0;
}

std::atomic<bool> stopSignalled{false};

}  // namespace

int runLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const LogHooks& hooks)
{
    LogOptions options;
    if (!parseOptions(args, options)) {
        err << kUsage;
        return 2;
    }
    if (options.high && options.low && *options.low > *options.high) {
        err << kName << "the low limit " << limitText(*options.low) << " is above the high limit "
            << limitText(*options.high) << '\n';
        return 2;
    }
    if (recordFileForm(options.path) == RecordFileForm::XmlDataPacket) {
        err << kName << options.path
            << ": a name ending in .xml is opened as an XML data packet, and the log writes the text form;"
               " choose another name (.txt, .xls)\n";
        return 2;
    }
    return runLog(options, out, err, hooks);
}

int runLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    stopSignalled = false;
    LogHooks hooks;
    hooks.stop = &stopSignalled;
    hooks.terminal = ::isatty(STDERR_FILENO) == 1;
    const StopSignals signals(stopSignalled);
    return runLogCommand(args, out, err, hooks);
}
