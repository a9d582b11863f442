#include "cli/replay_command.h"

#include "app/locale_decimal.h"
#include "app/meter_session.h"
#include "cli/command_help.h"
#include "cli/json_line.h"
#include "cli/reading_json.h"
#include "cli/sampling_options.h"
#include "record/record_file_commands.h"
#include "record/record_sampling.h"
#include "record/system_files.h"
#include "record/record_table.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

const std::string kUsage = commandUsage("replay");

constexpr int64_t kNanosPerSecond = 1'000'000'000;
constexpr int32_t kSecondsPerDay = 86'400;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Two hexadecimal digits per byte, bytes separated by blanks; false for
// anything else, or a report too long for the 16-bit size after its ID.
bool parseReport(std::string_view line, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    std::size_t at = 0;
    while (at < line.size()) {
        if (isBlank(line[at])) {
            ++at;
            continue;
        }
        if (at + 1 >= line.size() || (at + 2 < line.size() && !isBlank(line[at + 2])))
            return false;
        const int high = hexValue(line[at]);
        const int low = hexValue(line[at + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        at += 2;
    }
    return !bytes.empty() && bytes.size() <= 65536;
}

/// "HH:MM:SS" as seconds since midnight.
std::optional<int32_t> parseClock(std::string_view text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return std::nullopt;
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const char high = text[i * 3], low = text[i * 3 + 1];
        if (!isDigit(high) || !isDigit(low))
            return std::nullopt;
        parts[i] = (high - '0') * 10 + (low - '0');
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return std::nullopt;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

int32_t systemSecondsOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!systemFiles::localTime(now, local))
        return 0;
    return local.tm_hour * 3600 + local.tm_min * 60 + std::min(local.tm_sec, 59);
}

/// A non-negative decimal number of @p unitNanos [ns] a unit ("12", "0.25",
/// "3."), in nanoseconds. Digits past the ninth decimal are cut, which
/// never moves a time across a whole second. None for anything else or a
/// time past about 290 years.
std::optional<int64_t> parseDuration(std::string_view text, int64_t unitNanos)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || whole.size() > 15)
        return std::nullopt;
    int64_t units = 0;
    for (char c : whole) {
        if (!isDigit(c))
            return std::nullopt;
        units = units * 10 + (c - '0');
    }
    int64_t nanos = 0;  // of the fraction, in billionths of a unit
    int64_t scale = kNanosPerSecond;
    for (char c : fraction) {
        if (!isDigit(c))
            return std::nullopt;
        if (scale > 1) {
            scale /= 10;
            nanos += (c - '0') * scale;
        }
    }
    if (units > INT64_MAX / unitNanos / 2)
        return std::nullopt;
    return units * unitNanos + nanos / (kNanosPerSecond / unitNanos);
}

/// The time a "# t=S" or "# +N ms" line moves the clock to [ns since the
/// start]; none when @p line is no such line. @p malformed is set for a line
/// that starts like one but gives no time.
std::optional<int64_t> timeLine(std::string_view line, bool& malformed)
{
    malformed = false;
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    std::optional<int64_t> time;
    if (line.rfind("# t=", 0) == 0) {
        time = parseDuration(line.substr(4), kNanosPerSecond);
    } else if (line.rfind("# +", 0) == 0) {
        line.remove_prefix(3);
        constexpr std::string_view kMs = " ms";
        if (line.size() > kMs.size() && line.substr(line.size() - kMs.size()) == kMs)
            time = parseDuration(line.substr(0, line.size() - kMs.size()), kNanosPerSecond / 1000);
    } else {
        return std::nullopt;
    }
    malformed = !time;
    return time;
}

struct ReplayOptions {
    std::optional<std::string> decimal;
    SamplingOptions sampling;
    std::optional<int32_t> clock;
    std::vector<std::string> open;
    std::optional<std::string> save;
};

bool parseOptions(const std::vector<std::string>& args, ReplayOptions& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 >= args.size())
            return false;
        const std::string& option = args[i];
        const std::string& value = args[++i];
        if (options.sampling.take(option, value))
            continue;
        if (option == "--decimal" && !options.decimal) {
            options.decimal = value;
        } else if (option == "--clock" && !options.clock && parseClock(value)) {
            options.clock = parseClock(value);
        } else if (option == "--open" && !value.empty()) {
            options.open.push_back(value);
        } else if (option == "--save" && !options.save && !value.empty()) {
            options.save = value;
        } else {
            return false;
        }
    }
    return true;
}

/// The simulated clock: the time since the start, the 1-s ticks of
/// SampInterTime that have run, and the time of day rows are recorded at.
class ReplayClock {
public:
    ReplayClock(MeterSession& session, int32_t startSecondsOfDay) : session_(session), start_(startSecondsOfDay)
    {
        session_.setTimeOfDay([this] {
            return static_cast<int32_t>((start_ + ticks_ % kSecondsPerDay) % kSecondsPerDay);
        });
    }
    ReplayClock(const ReplayClock&) = delete;
    ReplayClock& operator=(const ReplayClock&) = delete;

    /// Moves to @p time [ns since the start], not before now: every tick due
    /// on the way, one exactly at @p time included, runs first.
    void moveTo(int64_t time)
    {
        const int64_t due = time / kNanosPerSecond;
        // A tick only counts down a running interval; once that is at 0 the
        // rest of the ticks due can change nothing, however many there are.
        RecordSampling& sampling = session_.sampling();
        while (ticks_ < due && sampling.RecordSI() && sampling.SampleCountdown() > 0) {
            ++ticks_;
            sampling.SampInterTimeTimer();
        }
        ticks_ = due;
        now_ = time;
    }

    int64_t now() const { return now_; }

private:
    MeterSession& session_;
    int32_t start_;
    int64_t now_ = 0;
    int64_t ticks_ = 0;  // whole seconds since the start
};

/// Prints the session's messages to @p err and remembers whether one was
/// an error.
struct ReplayMessages {
    std::ostream& err;
    bool failed = false;

    void show(const UserMessage& message)
    {
        err << message.text << '\n';
        failed = failed || message.icon == UserMessage::Icon::Error;
    }
    /// Runs one open or save command to its end (there is no poster, so it
    /// does not return earlier); false when it raised an error.
    template <class Command> bool run(Command command)
    {
        failed = false;
        command();
        return !failed;
    }
};

}  // namespace

int runReplayCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err)
{
    ReplayOptions options;
    if (!parseOptions(args, options)) {
        err << kUsage;
        return 2;
    }

    MeterSession session;
    session.FormCreate(options.decimal ? *options.decimal : systemLocaleDecimal());
    ReplayMessages messages{err};
    session.setMessageSink([&messages](const UserMessage& message) { messages.show(message); });
    CableConnection& link = session.link();
    RecordSampling& sampling = session.sampling();
    sampling.setTimeSeparator(systemTimeSeparator());
    options.sampling.applyTo(sampling);
    ReplayClock clock(session, options.clock ? *options.clock : systemSecondsOfDay());

    RecordFileCommands& files = session.recordFiles();
    for (const std::string& file : options.open) {
        if (!messages.run([&] { files.OpenClick(file); })) {
            if (!files.lastLoadError().reason.empty())
                err << files.lastLoadError().describe(file) << '\n';
            return 1;
        }
    }

    std::string line;
    std::vector<uint8_t> report;
    std::size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        if (line[first] == '#') {
            bool malformed = false;
            const std::optional<int64_t> time = timeLine(std::string_view(line).substr(first), malformed);
            if (malformed || (time && *time < clock.now())) {
                out.flush();
                err << "zqmeter-cli replay: line " << lineNumber
                    << (malformed ? ": not a time\n" : ": the time goes back\n");
                return 1;
            }
            if (time)
                clock.moveTo(*time);
            continue;
        }
        if (!parseReport(line, report)) {
            out.flush();
            err << "zqmeter-cli replay: line " << lineNumber << ": not hexadecimal bytes\n";
            return 1;
        }

        const bool pending = link.FramePending();
        const uint64_t decodedBefore = session.decoder().decodedFrames();
        link.assembleReport(report[0], report.data() + 1, static_cast<uint16_t>(report.size() - 1));
        if (!pending || link.FramePending())
            continue;

        JsonLine json;
        json.string("MeterFrame", link.MeterFrame());
        const bool decoded = session.decoder().decodedFrames() != decodedBefore;
        json.boolean("decoded", decoded);
        if (decoded)
            appendReadingState(json, session);
        // What the last frame handed on is only this frame's when it was decoded.
        json.optionalInteger("Recorded", decoded ? session.lastFrameCalls().recorded : std::nullopt);
        out << json.finish() << '\n';
    }

    const bool saved = !options.save || messages.run([&] { files.Save_asClick(*options.save); });

    JsonLine summary;
    summary.integer("IdleReportCount", link.IdleReportCount())
        .integer("HistoryLines", static_cast<int64_t>(link.HistoryListBox().size()))
        .integer("Rows", static_cast<int64_t>(session.cds1().rowCount()))
        .integer("NextRecordNo", sampling.NextRecordNo());
    out << summary.finish() << '\n';
    out.flush();
    return saved ? 0 : 1;
}
