#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class MeterSession;
class THidManualDispatcher;
class THidPlatform;

/// The time a log runs on: the link's 100 ms watchdog and the sampling
/// interval's 1-s tick follow steadyNow, rows are stamped with wallNow, and
/// runFor is how the loop lets the read threads hand their reports over.
/// The system's clocks unless a test drives them.
class LogClock {
public:
    virtual ~LogClock() = default;
    virtual std::chrono::steady_clock::time_point steadyNow() = 0;
    virtual std::chrono::system_clock::time_point wallNow() = 0;
    /// Runs the hand-overs of @p dispatcher for up to about @p step.
    /// @p reading: the link is connected, so a read thread is at work.
    virtual void runFor(THidManualDispatcher& dispatcher, std::chrono::milliseconds step, bool reading) = 0;
};

/// What a log runs against; each left empty is the system's.
struct LogHooks {
    /// The HID platform; null: the system's, plus the demo cable with --demo.
    std::shared_ptr<THidPlatform> platform;
    /// Null: the system's clocks.
    LogClock* clock = nullptr;
    /// The run ends, as on Ctrl+C, once this is true; null: never.
    const std::atomic<bool>* stop = nullptr;
    /// Show the status line on the error stream.
    bool terminal = false;
    /// Called once a loop step, after the hand-overs and the timers.
    std::function<void(MeterSession&)> onStep;
};

/// zqmeter-cli log FILE [--demo] [--interval N] [--repeat on|off]
/// [--limit N] [--append] [--csv FILE2] [--high X] [--low Y]
/// [--hysteresis H]: connects to the cable the window would pick (waiting
/// for one when there is none) and records its readings under the window's
/// sampling rules into FILE, in the record text form, row by row as they are
/// recorded; FILE2 gets the same rows as CSV (see log_csv.h). A lost link is
/// connected again by itself once the cable is back. The record limit is
/// "Limitless" unless --limit says otherwise; with --append the numbers go
/// on from FILE's last No and the limit counts them.
///
/// --high and --low watch the main reading of every decoded frame (not the
/// sum-of-power view) against those limits, in whatever unit it is, with
/// the hysteresis H (0 unless given; see ReadingLimits): each crossing and
/// each clearing is a line on @p err, stamped with the local time the
/// reading came, "2026-12-10 14:03:05 high limit 1.5 crossed: 1.732 KW".
/// The numbers take "." before the fraction, whatever the locale.
///
/// Messages go to @p err, and so does the status line (hooks.terminal). The
/// summary, "N rows in FILE" or "record limit L reached: N rows in FILE",
/// goes to @p out. Returns the exit status: 0 when stopped or at the limit,
/// 1 when a file cannot be read, created or written (the rows written
/// before stay in it), 2 for a malformed command line (a low limit above
/// the high one, a hysteresis without a limit or below 0 included).
int runLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const LogHooks& hooks);

/// The same on the system: SIGINT and SIGTERM end the run (a second one
/// ends the process at once), a closed pipe or a file-size limit are write
/// failures rather than fatal signals, and the status line shows when
/// standard error is a terminal.
int runLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
