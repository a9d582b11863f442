#include "soak/soak_driver.h"

#include "app/meter_session.h"
#include "chart/memory_chart_engine.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_sim_platform.h"
#include "link/sim/simulated_cable.h"
#include "link/sim/simulated_meter.h"
#include "meter/dial_range.h"
#include "meter/meter_decoder.h"
#include "record/record_row.h"
#include "record/record_sampling.h"
#include "record/record_table.h"
#include "record/text_table_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers replace malloc (mallinfo2 then reads nothing) and add
// shadow memory that grows with the addresses touched.
#define ZQ_SANITIZER_HEAP 1
// Bytes the program holds, as the sanitizer's allocator counts them.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
// Freed blocks wait in the quarantine before reuse; a bounded one keeps the
// figures close to the program's own.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }
#endif

namespace {

constexpr uint32_t kStepMs = 36;  // three input reports
constexpr uint64_t kLinkBackMs = 5000;
constexpr uint64_t kFramePeriodMs = SimulatedMeter::kFramePeriodMs;
// A frame read late (reports the OS kept while no one read) is still
// matched this many frames back.
constexpr uint64_t kLateFrames = 6;
constexpr std::size_t kFailureLines = 20;
constexpr uint32_t kNoFrame = 0xFFFFFFFFu;
constexpr uint32_t kOtherDevicePool[] = {900001, 900002, 900003};
constexpr double kMiB = 1024.0 * 1024.0;

// Growth allowed beyond the accounted one: from the start, while the bounded
// lists fill up, and from the end of the first hour on, when only the table
// and the chart should grow. [MiB]
constexpr double kDefaultSlackMiB = 24;
constexpr double kSettledSlackMiB = 8;

#if defined(ZQ_SANITIZER_HEAP)
// Under a sanitizer the resident size swings by tens of MiB with its
// shadow, quarantine and per-thread caches (a read thread per connect), so
// the checks use the bytes the program holds, as its allocator counts them.
constexpr const char* kCheckedMemory = "heap in use";
#else
constexpr const char* kCheckedMemory = "RSS";
#endif

uint64_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint64_t heapBytes()
{
#if defined(ZQ_SANITIZER_HEAP)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

/// What the memory checks compare: RSS, or the heap under AddressSanitizer.
uint64_t checkedBytes()
{
#if defined(ZQ_SANITIZER_HEAP)
    return heapBytes();
#else
    return residentBytes();
#endif
}

std::string clockText(uint64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu", static_cast<unsigned long long>(ms / 3600000),
                  static_cast<unsigned long long>(ms / 60000 % 60), static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

std::string mib(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / kMiB);
    return text;
}

/// The line between the meter and the program: counts the frames the bridge
/// carries and garbles reports at the given rates, remembering which frame
/// periods it touched in a way a receiver could be fooled by.
struct NoisyLine {
    std::mt19937_64 random;
    double garbled, cutShort, runLong, flip;
    std::vector<uint8_t> tampered;  // one per frame period
    uint64_t framesCarried = 0;
    uint64_t reportsTampered = 0;

    NoisyLine(const SoakOptions& o, std::size_t periods)
        : random(o.Seed ^ 0x5eed5eedULL), garbled(o.GarbledCountRate), cutShort(o.CutShortRate),
          runLong(o.RunLongRate), flip(o.FlipRate), tampered(periods + 2, 0)
    {
    }

    uint32_t below(uint32_t n) { return static_cast<uint32_t>(random() % n); }

    void mark(uint64_t timeMs)
    {
        ++reportsTampered;
        const uint64_t period = timeMs / kFramePeriodMs;
        if (period < tampered.size())
            tampered[period] = 1;
    }

    // Report layout: [0] report ID, [1] count byte (low 4 bits: serial bytes),
    // [2..8] serial bytes then zero padding.
    void filter(uint64_t timeMs, std::vector<uint8_t>& report)
    {
        if (report.size() < SimulatedCable::kInputReportLength)
            return;
        const unsigned n = report[1] & 0x0F;
        for (unsigned i = 0; i < n; ++i)
            if (report[2 + i] == 0x0A)
                ++framesCarried;
        const double u = std::uniform_real_distribution<double>(0, 1)(random);
        double edge = garbled;
        if (u < edge) {
            report[1] = static_cast<uint8_t>(0xF0 | below(16));
            // Now and then the report itself comes short, down to the ID alone.
            if (below(4) == 0)
                report.resize(1 + below(SimulatedCable::kInputReportLength));
            mark(timeMs);
            return;
        }
        if (u < (edge += cutShort)) {
            if (n == 0)
                return;
            const unsigned cut = 1 + below(n);
            std::fill(report.begin() + 2 + (n - cut), report.begin() + 2 + n, uint8_t{0});
            report[1] = static_cast<uint8_t>(0xF0 | (n - cut));
            mark(timeMs);
            return;
        }
        if (u < (edge += runLong)) {
            if (n >= SimulatedCable::kMaxSerialBytes)
                return;
            for (unsigned i = n; i < SimulatedCable::kMaxSerialBytes; ++i)
                report[2 + i] = static_cast<uint8_t>(random());
            report[1] = static_cast<uint8_t>(0xF0 | SimulatedCable::kMaxSerialBytes);
            mark(timeMs);
            return;
        }
        if (u < (edge += flip)) {
            if (n == 0)
                return;
            const unsigned bit = below(8);
            report[2 + below(n)] ^= static_cast<uint8_t>(1u << bit);
            // The program reads only the low 4 bits: a flip above them must
            // change nothing, so only the others may excuse a wrong row.
            if (bit < 4)
                mark(timeMs);
            else
                ++reportsTampered;
        }
    }

    bool tamperedAround(uint64_t lastPeriod) const
    {
        const uint64_t first = lastPeriod > kLateFrames ? lastPeriod - kLateFrames : 0;
        for (uint64_t p = first; p <= lastPeriod && p < tampered.size(); ++p)
            if (tampered[p])
                return true;
        return false;
    }
};

/// The row the program would record for a frame the meter sent, or none
/// when the frame is not one it would record.
struct ExpectedRows {
    const SimulatedMeter& meter;
    MeterDecoder decoder{"."};
    DialRange dial;
    std::map<uint64_t, std::optional<RecordRow>> cache;  // the last few frames

    explicit ExpectedRows(const SimulatedMeter& m) : meter(m) {}

    const std::optional<RecordRow>& of(uint64_t frame)
    {
        if (auto it = cache.find(frame); it != cache.end())
            return it->second;
        if (cache.size() > 4 * kLateFrames)
            cache.erase(cache.begin());
        std::optional<RecordRow> row;
        const FrameEffects effects = decoder.ShowDataQ7(SimulatedMeter::frameText(meter.frame(frame)), dial);
        if (effects.handOn) {
            const MeterReading& r = decoder.reading();
            row.emplace();
            row->setText(RecordField::Value, r.ValueText);
            row->setText(RecordField::Unit, r.UnitText);
            row->setText(RecordField::V_Value, r.VValueText);
            row->setText(RecordField::V_Unit, r.VUnitText);
            row->setText(RecordField::I_Value, r.IValueText);
            row->setText(RecordField::I_Unit, r.IUnitText);
        }
        return cache.emplace(frame, std::move(row)).first->second;
    }
};

bool sameReading(const RecordTable& table, std::size_t row, const RecordRow& expected)
{
    for (RecordField f : {RecordField::Value, RecordField::Unit, RecordField::V_Value, RecordField::V_Unit,
                          RecordField::I_Value, RecordField::I_Unit})
        if (table.text(row, f) != expected.text(f))
            return false;
    return true;
}

enum class Action : uint8_t { UnplugCable, PlugCable, PlugOther, UnplugOther, Reconnect };

struct Event {
    Action action;
    uint32_t arg = 0;
    bool lastOfReplug = false;
};

class Soak {
public:
    Soak(const SoakOptions& options, const std::function<void(std::string_view)>& print)
        : o_(options), print_(print), endMs_(static_cast<uint64_t>(options.Hours * 3600000.0)),
          line_(options, static_cast<std::size_t>(endMs_ / kFramePeriodMs)), events_(options.Seed)
    {
    }

    SoakResult run();

private:
    void fail(std::string what)
    {
        if (r_.Failures.size() < kFailureLines)
            r_.Failures.push_back(std::move(what));
        else
            ++moreFailures_;
    }
    bool readerExpected() const { return session_->link().connected() && cable_->plugged(); }
    bool settled() const
    {
        if (dispatcher_.PendingCount() != 0)
            return false;
        if (!readerExpected())
            return true;
        const uint32_t instance = cable_->deviceInstance();
        return platform_->QueuedReportCount(instance) == 0 &&
               platform_->WaitForPendingRead(instance, std::chrono::milliseconds(0));
    }
    void settle();
    void schedule(uint64_t nowMs);
    void apply(const Event& event, uint64_t nowMs);
    void checkNewRows(uint64_t nowMs);
    void checkBounds();
    void verifyAllRows();
    void verifyJournal();
    uint64_t accountedBytes() const;
    void hourLine(uint64_t nowMs);

    const SoakOptions o_;
    const std::function<void(std::string_view)>& print_;
    const uint64_t endMs_;
    SoakResult r_;
    uint64_t moreFailures_ = 0;

    NoisyLine line_;
    std::mt19937_64 events_;
    std::multimap<uint64_t, Event> agenda_;
    uint64_t replugBusyUntil_ = 0;
    bool otherPlugged_[std::size(kOtherDevicePool)] = {};

    struct LinkCheck {
        bool active = false;
        uint64_t since = 0;
        uint64_t decodedBefore = 0;
    } linkCheck_;

    std::vector<uint32_t> rowFrame_;  // the meter's frame each row is, kNoFrame when garbled on the line
    std::size_t checkedRows_ = 0;
    uint64_t lastFrame_ = 0;
    bool anyFrame_ = false;

    uint64_t rssStart_ = 0;
    uint64_t checkedStart_ = 0;
    uint64_t rssHourOne_ = 0;
    uint64_t accountedHourOne_ = 0;
    std::size_t tableBytesStart_ = 0;
    std::size_t chartBytesStart_ = 0;

    // Declared in the order they must outlive each other.
    THidManualDispatcher dispatcher_;
    std::shared_ptr<THidSimPlatform> platform_;
    std::unique_ptr<SimulatedCable> cable_;
    MemoryChartEngine chart_;
    std::unique_ptr<ExpectedRows> expected_;
    std::unique_ptr<MeterSession> session_;
    std::size_t messages_ = 0;
};

void Soak::settle()
{
    // The read thread hands each report over and waits; nothing is left in
    // flight once the queue is empty, the main thread has nothing to run and
    // the reader waits for the next report.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(o_.SettleTimeoutSeconds);
    for (uint32_t spin = 0;; ++spin) {
        dispatcher_.RunPending();
        if (settled())
            return;
        if (dispatcher_.PendingCount() == 0)
            std::this_thread::yield();
        if ((spin & 1023) == 1023 && std::chrono::steady_clock::now() > deadline) {
            ++r_.Stalls;
            fail("stalled at " + clockText(platform_->Now()) + ": reports left unread while connected");
            return;
        }
    }
}

void Soak::schedule(uint64_t nowMs)
{
    std::uniform_real_distribution<double> unit(0, 1);
    auto strikes = [&](double perHour) { return unit(events_) < perHour / 3600.0; };

    if (nowMs >= replugBusyUntil_ && cable_->plugged() && strikes(o_.ReplugsPerHour)) {
        ++r_.Replugs;
        const bool burst = unit(events_) < o_.BurstShare;
        const int cycles = burst ? 10 : 1;
        r_.Bursts += burst ? 1 : 0;
        uint64_t t = nowMs;
        for (int i = 0; i < cycles; ++i) {
            agenda_.emplace(t, Event{Action::UnplugCable});
            t += burst ? 40 + events_() % 30 : 200 + events_() % 4800;
            // Half the time the system gives the cable its old identity back.
            agenda_.emplace(t, Event{Action::PlugCable, static_cast<uint32_t>(events_() % 2), i == cycles - 1});
            t += burst ? 20 + events_() % 20 : 0;
        }
        if (o_.UserReconnects)
            agenda_.emplace(t + 300, Event{Action::Reconnect});
        replugBusyUntil_ = t + kLinkBackMs + 1000;
    }
    if (strikes(o_.OtherDevicesPerHour)) {
        const std::size_t k = events_() % std::size(kOtherDevicePool);
        if (!otherPlugged_[k]) {
            agenda_.emplace(nowMs, Event{Action::PlugOther, static_cast<uint32_t>(k)});
            agenda_.emplace(nowMs + 1000 + events_() % 119000, Event{Action::UnplugOther, static_cast<uint32_t>(k)});
        }
    }
    if (cable_->plugged() && strikes(o_.ReadErrorsPerHour)) {
        ++r_.ReadErrorsInjected;
        platform_->FailNextReadStarts(cable_->deviceInstance(), EIO, 1 + static_cast<uint32_t>(events_() % 5));
    }
}

void Soak::apply(const Event& event, uint64_t nowMs)
{
    switch (event.action) {
    case Action::UnplugCable:
        linkCheck_.active = false;
        cable_->unplug();
        break;
    case Action::PlugCable:
        cable_->plug(event.arg ? cable_->deviceInstance() : 0);
        if (event.lastOfReplug)
            linkCheck_ = {true, nowMs, session_->decoder().decodedFrames()};
        break;
    case Action::PlugOther: {
        const std::size_t k = event.arg;
        THidSimDevice other;
        other.DeviceInstance = kOtherDevicePool[k];
        other.VendorID = static_cast<uint16_t>(0x046D + k);
        other.ProductID = static_cast<uint16_t>(0xC52B + k);
        other.ProductString = k == 0 ? std::optional<std::u16string>(u"USB Receiver") : std::nullopt;
        other.SerialNumberString = k == 1 ? std::optional<std::u16string>(u"A1B2") : std::nullopt;
        other.Access = k == 2 ? EHidSimAccess::QueryOnly : EHidSimAccess::ReadWrite;
        platform_->Plug(other);
        otherPlugged_[k] = true;
        ++r_.OtherDeviceArrivals;
        break;
    }
    case Action::UnplugOther:
        platform_->Unplug(kOtherDevicePool[event.arg]);
        otherPlugged_[event.arg] = false;
        break;
    case Action::Reconnect:
        // The user at the window clicks "Connect" again.
        if (cable_->plugged() && session_->link().Panel2Caption() == "Connect") {
            session_->link().Panel2Click(CableConnection::kPortUsb);
            ++r_.Reconnects;
        }
        break;
    }
}

void Soak::checkNewRows(uint64_t nowMs)
{
    const RecordTable& table = session_->cds1();
    const uint64_t period = nowMs / kFramePeriodMs;
    const std::string timeText = RecordSampling::timeText(static_cast<int32_t>(nowMs / 1000 % 86400), ":");
    for (; checkedRows_ < table.rowCount(); ++checkedRows_) {
        const std::size_t row = checkedRows_;
        if (table.no(row) != static_cast<int32_t>(row + 1) || table.text(row, RecordField::Time) != timeText) {
            fail("row " + std::to_string(row + 1) + " at " + clockText(nowMs) + ": wrong No or Time");
            rowFrame_.push_back(kNoFrame);
            continue;
        }
        uint64_t first = period > kLateFrames ? period - kLateFrames : 0;
        if (anyFrame_)
            first = std::max(first, lastFrame_ + 1);
        std::optional<uint64_t> match;
        for (uint64_t k = first; k <= period && !match; ++k)
            if (const auto& want = expected_->of(k); want && sameReading(table, row, *want))
                match = k;
        if (match) {
            rowFrame_.push_back(static_cast<uint32_t>(*match));
            lastFrame_ = *match;
            anyFrame_ = true;
            ++r_.RowsVerified;
        } else if (line_.tamperedAround(period)) {
            rowFrame_.push_back(kNoFrame);
            ++r_.RowsGarbledOnTheLine;
        } else {
            rowFrame_.push_back(kNoFrame);
            fail("row " + std::to_string(row + 1) + " at " + clockText(nowMs) + " (" +
                 std::string(table.text(row, RecordField::Value).value_or("")) + " " +
                 std::string(table.text(row, RecordField::Unit).value_or("")) +
                 ") is no reading the meter sent");
        }
    }
}

void Soak::checkBounds()
{
    const CableConnection& link = session_->link();
    r_.MaxHistory = std::max(r_.MaxHistory, link.HistoryListBox().size());
    r_.MaxFrameLog = std::max(r_.MaxFrameLog, session_->frameLog().size());
    r_.MaxDeviceList = std::max(r_.MaxDeviceList, link.DevListBox().size());
    r_.MaxPending = std::max(r_.MaxPending, platform_->QueuedReportCount(cable_->deviceInstance()));
}

uint64_t Soak::accountedBytes() const
{
    const double table = static_cast<double>(session_->cds1().memoryBytes() - tableBytesStart_);
    const double chart = static_cast<double>(chart_.values().capacity() * sizeof(double) - chartBytesStart_);
    const double own = static_cast<double>(rowFrame_.capacity() * sizeof(uint32_t));
    return static_cast<uint64_t>(table + chart + own);
}

void Soak::hourLine(uint64_t nowMs)
{
    const uint64_t rss = residentBytes();
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s  RSS %s (%+.1f MiB)  heap %s  table and chart %+.1f MiB  rows %zu  decoded %llu  "
                  "dropped %llu  history %zu  frame log %zu",
                  clockText(nowMs).c_str(), mib(static_cast<double>(rss)).c_str(),
                  (static_cast<double>(rss) - static_cast<double>(rssStart_)) / kMiB,
                  mib(static_cast<double>(heapBytes())).c_str(),
                  static_cast<double>(accountedBytes()) / kMiB, session_->cds1().rowCount(),
                  static_cast<unsigned long long>(session_->decoder().decodedFrames()),
                  static_cast<unsigned long long>(session_->decoder().droppedFrames()),
                  session_->link().HistoryListBox().size(), session_->frameLog().size());
    print_(text);
}

void Soak::verifyAllRows()
{
    const RecordTable& table = session_->cds1();
    if (table.rowCount() != rowFrame_.size()) {
        fail("the table holds " + std::to_string(table.rowCount()) + " rows, " +
             std::to_string(rowFrame_.size()) + " were recorded");
        return;
    }
    ExpectedRows again(cable_->meter());
    for (std::size_t row = 0; row < rowFrame_.size(); ++row) {
        if (rowFrame_[row] == kNoFrame)
            continue;
        const auto& want = again.of(rowFrame_[row]);
        if (!want || !sameReading(table, row, *want) || table.no(row) != static_cast<int32_t>(row + 1))
            fail("row " + std::to_string(row + 1) + " changed after it was recorded");
    }
}

// The journal is the table in the record text form, row for row: what a
// crash at the end would have left to recover.
void Soak::verifyJournal()
{
    RecordJournal& journal = session_->journal();
    if (!journal.running()) {
        fail("the journal did not run");
        return;
    }
    if (const std::string failure = journal.flush(); !failure.empty()) {
        fail("the journal stopped writing: " + failure);
        return;
    }
    const RecordTable& table = session_->cds1();
    std::string expected(TextTableFile::header());
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        TextTableFile::appendLine(expected, table, row);
    std::ifstream in(journal.path(), std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    r_.JournalRows = static_cast<uint64_t>(std::count(written.begin(), written.end(), '\n'));
    if (r_.JournalRows > 0)
        --r_.JournalRows;  // the header
    if (written != expected)
        fail("the journal holds " + std::to_string(r_.JournalRows) + " rows that differ from the table's " +
             std::to_string(table.rowCount()));
    journal.finish(true);
}

SoakResult Soak::run()
{
    platform_ = std::make_shared<THidSimPlatform>(THidSimPlatform::ETime::Driven);
    SimulatedCableOptions cableOptions;
    cableOptions.Meter.Seed = o_.Seed;
    cableOptions.ReportFilter = [this](uint64_t timeMs, std::vector<uint8_t>& report) { line_.filter(timeMs, report); };
    cable_ = std::make_unique<SimulatedCable>(platform_, cableOptions);
    expected_ = std::make_unique<ExpectedRows>(cable_->meter());
    cable_->plug();

    // The window's start-up: HID first (the device list is filled and the
    // cable pre-selected), then the creation step; the user picks
    // "Limitless" and connects.
    session_ = std::make_unique<MeterSession>();
    session_->setMessageSink([this](const UserMessage&) { ++messages_; });
    if (const std::string why = session_->startHid(platform_, dispatcher_); !why.empty()) {
        fail("no HID controller: " + why);
        return r_;
    }
    session_->FormCreate(".", &chart_);
    session_->setTimeOfDay([this] { return static_cast<int32_t>(platform_->Now() / 1000 % 86400); });
    session_->sampling().setlimitClick();
    std::string journalFolder = o_.JournalFolder;
    bool removeJournalFolder = false;
    if (journalFolder.empty()) {
        char pattern[] = "/tmp/zq-soak-journal-XXXXXX";
        if (::mkdtemp(pattern))
            journalFolder = pattern;
        removeJournalFolder = true;
    }
    if (const std::string why = session_->startJournal(journalFolder); !why.empty()) {
        fail("no journal: " + why);
        return r_;
    }
    session_->link().Panel2Click(CableConnection::kPortUsb);
    if (!session_->link().connected()) {
        fail("could not connect to the simulated cable");
        return r_;
    }
    rowFrame_.reserve(static_cast<std::size_t>(endMs_ / kFramePeriodMs) + 16);
    tableBytesStart_ = session_->cds1().memoryBytes();
    chartBytesStart_ = chart_.values().capacity() * sizeof(double);
    r_.RssStartBytes = rssStart_ = residentBytes();
    checkedStart_ = checkedBytes();
    hourLine(0);

    uint64_t nextWatchdog = 100, nextSecond = 1000, nextHour = 3600000;
    while (platform_->Now() < endMs_) {
        const uint64_t stepEnd = std::min<uint64_t>(platform_->Now() + kStepMs, endMs_);
        while (!agenda_.empty() && agenda_.begin()->first < stepEnd) {
            const auto [at, event] = *agenda_.begin();
            agenda_.erase(agenda_.begin());
            if (at > platform_->Now())
                cable_->advanceTime(static_cast<uint32_t>(at - platform_->Now()));
            settle();
            apply(event, platform_->Now());
            settle();
            checkNewRows(platform_->Now());
        }
        if (stepEnd > platform_->Now())
            cable_->advanceTime(static_cast<uint32_t>(stepEnd - platform_->Now()));
        settle();
        const uint64_t now = platform_->Now();
        checkNewRows(now);
        for (; nextWatchdog <= now; nextWatchdog += 100)
            session_->link().ConTimerTimer();
        for (; nextSecond <= now; nextSecond += 1000) {
            session_->sampling().SampInterTimeTimer();
            schedule(now);
        }
        checkBounds();
        if (linkCheck_.active) {
            if (session_->decoder().decodedFrames() > linkCheck_.decodedBefore) {
                linkCheck_.active = false;
                ++r_.LinkBack;
            } else if (now > linkCheck_.since + kLinkBackMs) {
                linkCheck_.active = false;
                fail("the link was not back " + std::to_string(kLinkBackMs) + " ms after the replug at " +
                     clockText(linkCheck_.since));
            }
        }
        if (now >= nextHour) {
            hourLine(now);
            if (nextHour == 3600000) {
                rssHourOne_ = checkedBytes();
                accountedHourOne_ = accountedBytes();
            }
            nextHour += 3600000;
        }
    }

    r_.SimulatedMs = platform_->Now();
    r_.RssEndBytes = residentBytes();
    const uint64_t checkedEnd = checkedBytes();
    r_.ReportsSent = cable_->reportsSent();
    r_.FramesMeterSent = r_.SimulatedMs / kFramePeriodMs;
    r_.FramesOnTheLine = line_.framesCarried;
    r_.FramesDecoded = session_->decoder().decodedFrames();
    r_.FramesDroppedMalformed = session_->decoder().droppedFrames();
    r_.RowsRecorded = session_->cds1().rowCount();
    r_.ReportsTampered = line_.reportsTampered;
    r_.Messages = messages_;
    r_.AccountedGrowthBytes = accountedBytes();
    const double slack = (o_.RssSlackMiB > 0 ? o_.RssSlackMiB : kDefaultSlackMiB) * kMiB;
    r_.RssAllowedGrowthBytes = r_.AccountedGrowthBytes + static_cast<uint64_t>(slack);
    if (r_.SimulatedMs < endMs_)
        fail("the run ended early");

    verifyAllRows();
    verifyJournal();
    if (removeJournalFolder)
        ::rmdir(journalFolder.c_str());
    r_.CheckedGrowthBytes = checkedEnd > checkedStart_ ? checkedEnd - checkedStart_ : 0;
    if (r_.CheckedGrowthBytes > r_.RssAllowedGrowthBytes)
        fail(std::string(kCheckedMemory) + " grew by " + mib(static_cast<double>(r_.CheckedGrowthBytes)) +
             ", allowed " + mib(static_cast<double>(r_.RssAllowedGrowthBytes)));
    if (rssHourOne_ != 0 && r_.SimulatedMs >= 2 * 3600000) {
        r_.RssSettledGrowthBytes = checkedEnd > rssHourOne_ ? checkedEnd - rssHourOne_ : 0;
        r_.RssSettledAllowedBytes = r_.AccountedGrowthBytes - accountedHourOne_ +
                                    static_cast<uint64_t>(kSettledSlackMiB * kMiB);
        if (r_.RssSettledGrowthBytes > r_.RssSettledAllowedBytes)
            fail(std::string(kCheckedMemory) + " grew by " + mib(static_cast<double>(r_.RssSettledGrowthBytes)) +
                 " after the first hour, allowed " +
                 mib(static_cast<double>(r_.RssSettledAllowedBytes)));
    }
    if (r_.MaxHistory > CableConnection::kHistoryLimit)
        fail("the history list grew to " + std::to_string(r_.MaxHistory) + " lines");
    if (r_.MaxFrameLog > MeterSession::kFrameLogLimit)
        fail("the frame log grew to " + std::to_string(r_.MaxFrameLog) + " lines");
    if (r_.MaxDeviceList > 1 + std::size(kOtherDevicePool))
        fail("the device list grew to " + std::to_string(r_.MaxDeviceList) + " entries");
    if (r_.MaxPending > SimulatedCableOptions{}.BufferedReports)
        fail("reports piled up unread: " + std::to_string(r_.MaxPending));
    if (r_.FramesDecoded == 0 || r_.RowsRecorded == 0)
        fail("nothing was decoded or recorded");
    if (moreFailures_ > 0)
        r_.Failures.push_back("... and " + std::to_string(moreFailures_) + " more");

    auto line = [&](const char* format, auto... values) {
        char text[256];
        std::snprintf(text, sizeof text, format, values...);
        print_(text);
    };
    using ull = unsigned long long;
    line("simulated %s, seed %llu", clockText(r_.SimulatedMs).c_str(), static_cast<ull>(o_.Seed));
    line("input reports sent      %llu (%llu garbled on the line)", static_cast<ull>(r_.ReportsSent),
         static_cast<ull>(r_.ReportsTampered));
    line("frames the meter sent   %llu (%llu carried by the cable)", static_cast<ull>(r_.FramesMeterSent),
         static_cast<ull>(r_.FramesOnTheLine));
    line("frames decoded          %llu", static_cast<ull>(r_.FramesDecoded));
    line("frames dropped malformed %llu by the decoder; %lld more lost (cut short, run together, unread at replugs)",
         static_cast<ull>(r_.FramesDroppedMalformed),
         static_cast<long long>(r_.FramesOnTheLine) - static_cast<long long>(r_.FramesDecoded) -
             static_cast<long long>(r_.FramesDroppedMalformed));
    line("rows recorded           %llu: %llu the meter's readings, %llu garbled on the line into another valid frame",
         static_cast<ull>(r_.RowsRecorded), static_cast<ull>(r_.RowsVerified),
         static_cast<ull>(r_.RowsGarbledOnTheLine));
    line("replugs                 %llu (%llu bursts of ten), link back after %llu, user reconnects %llu",
         static_cast<ull>(r_.Replugs), static_cast<ull>(r_.Bursts), static_cast<ull>(r_.LinkBack),
         static_cast<ull>(r_.Reconnects));
    line("other devices arrived   %llu; read errors injected %llu; stalls %llu",
         static_cast<ull>(r_.OtherDeviceArrivals), static_cast<ull>(r_.ReadErrorsInjected),
         static_cast<ull>(r_.Stalls));
    line("journal rows            %llu, the table's byte for byte", static_cast<ull>(r_.JournalRows));
    line("largest history %zu, frame log %zu, device list %zu, unread reports %zu; information boxes %zu",
         r_.MaxHistory, r_.MaxFrameLog, r_.MaxDeviceList, r_.MaxPending, r_.Messages);
    line("RSS start %s, end %s (grew %s); heap in use at the end %s",
         mib(static_cast<double>(r_.RssStartBytes)).c_str(), mib(static_cast<double>(r_.RssEndBytes)).c_str(),
         mib(static_cast<double>(r_.RssEndBytes) - static_cast<double>(r_.RssStartBytes)).c_str(),
         mib(static_cast<double>(heapBytes())).c_str());
    line("%s grew %s, allowed %s (table, chart and the soak's own %s)", kCheckedMemory,
         mib(static_cast<double>(r_.CheckedGrowthBytes)).c_str(),
         mib(static_cast<double>(r_.RssAllowedGrowthBytes)).c_str(),
         mib(static_cast<double>(r_.AccountedGrowthBytes)).c_str());
    if (r_.RssSettledAllowedBytes != 0)
        line("%s after the first hour grew %s, allowed %s", kCheckedMemory,
             mib(static_cast<double>(r_.RssSettledGrowthBytes)).c_str(),
             mib(static_cast<double>(r_.RssSettledAllowedBytes)).c_str());
    for (const std::string& failure : r_.Failures)
        print_("FAILED: " + failure);
    print_(r_.passed() ? "soak passed" : "soak FAILED");
    return r_;
}

}  // namespace

SoakResult runSoak(const SoakOptions& options, const std::function<void(std::string_view)>& print)
{
    Soak soak(options, print);
    SoakResult result = soak.run();
    return result;
}
