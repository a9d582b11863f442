#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// How a soak run goes: how long, which course, and how often each fault
/// strikes. Rates of events are per simulated hour; rates of line faults are
/// per input report (the cable sends 300 000 an hour).
struct SoakOptions {
    double Hours = 24;
    uint64_t Seed = 1;

    double ReplugsPerHour = 12;
    /// Share of replugs that come as a burst of ten within a second.
    double BurstShare = 0.15;
    double OtherDevicesPerHour = 12;
    double ReadErrorsPerHour = 12;

    double GarbledCountRate = 1e-4;
    double CutShortRate = 1e-4;
    double RunLongRate = 1e-4;
    double FlipRate = 1e-4;

    /// The user clicks "Connect" again after a replug (the window does not
    /// reconnect by itself once the cable's link was lost).
    bool UserReconnects = true;

    /// Folder of the journal the session records through; empty: a new
    /// folder under /tmp, removed at the end.
    std::string JournalFolder;

    /// RSS growth allowed beyond what the table, the chart and the soak's
    /// own bookkeeping account for [MiB]; 0 picks the build's default.
    double RssSlackMiB = 0;
    /// Seconds of real time a step may take to settle before it counts as a stall.
    double SettleTimeoutSeconds = 5;
};

/// What a soak run counted and found.
struct SoakResult {
    uint64_t SimulatedMs = 0;
    uint64_t ReportsSent = 0;
    uint64_t FramesMeterSent = 0;
    /// Frames whose last byte the bridge put in a report someone kept.
    uint64_t FramesOnTheLine = 0;
    uint64_t FramesDecoded = 0;
    uint64_t FramesDroppedMalformed = 0;
    uint64_t RowsRecorded = 0;
    /// Rows that are a reading the meter sent, compared field by field.
    uint64_t RowsVerified = 0;
    /// Rows from a frame the line garbled into another valid frame: a frame
    /// carries no check sum, so no receiver can tell them (low 4 bits hit).
    uint64_t RowsGarbledOnTheLine = 0;

    uint64_t Replugs = 0;
    uint64_t Bursts = 0;
    uint64_t LinkBack = 0;
    uint64_t OtherDeviceArrivals = 0;
    uint64_t ReadErrorsInjected = 0;
    uint64_t ReportsTampered = 0;
    uint64_t Reconnects = 0;
    uint64_t Stalls = 0;
    /// Rows of the journal at the end; it must hold the table byte for byte.
    uint64_t JournalRows = 0;

    std::size_t MaxHistory = 0;
    std::size_t MaxFrameLog = 0;
    std::size_t MaxDeviceList = 0;
    std::size_t MaxPending = 0;
    std::size_t Messages = 0;

    uint64_t RssStartBytes = 0;
    uint64_t RssEndBytes = 0;
    uint64_t AccountedGrowthBytes = 0;
    /// Growth of what the memory checks compare: RSS, or under AddressSanitizer
    /// the heap in use (its own memory swings the resident size).
    uint64_t CheckedGrowthBytes = 0;
    uint64_t RssAllowedGrowthBytes = 0;
    /// The same from the end of the first simulated hour on (runs of two hours or more).
    uint64_t RssSettledGrowthBytes = 0;
    uint64_t RssSettledAllowedBytes = 0;

    /// Every failed check, in words; empty when the run passed.
    std::vector<std::string> Failures;
    bool passed() const { return Failures.empty(); }
};

/// Runs the meter session as the window does, on the simulated HID
/// platform with a driven clock: the HID controller, the cable connection,
/// the decoder, the dial, the chart (in memory) and the record table with
/// "Limitless", connected to a simulated cable whose meter sends at 2400
/// bit/s, while faults strike at random. Checks as it goes and at the end;
/// @p print gets the progress lines (one per simulated hour) and the summary.
/// Uses the one HID controller a process may have.
SoakResult runSoak(const SoakOptions& options, const std::function<void(std::string_view)>& print);
