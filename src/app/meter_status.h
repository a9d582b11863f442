#pragma once

#include "app/meter_session.h"

#include <QString>

#include <chrono>
#include <optional>

/// What the window's status bar says about a session, one text a field.
/// The session's model texts (Latin-1) and file names (the system's
/// spelling) are turned into QStrings here, so the window only shows them.
struct MeterStatus {
    /// "Connected, reading", "Connected, no frame for N s", "Not connected".
    QString link;
    /// "Rows 123 / 10000"; once the limit stopped recording, the notice
    /// "Record limit 10000 reached: recording stopped" instead.
    QString rows;
    /// The rows field shows the limit notice and wants to be seen.
    bool limitReached = false;
    /// "Repeat on, interval off", "Repeat off, interval 10 s".
    QString rule;
    /// "Journal off", "Journal: NAME", "Journal failed: REASON".
    QString journal;
    /// The journal's whole path, empty when off.
    QString journalPath;
    bool journalFailed = false;
    /// "Last row 13:05:09", "Last row —" while the table is empty.
    QString lastRow;

    friend bool operator==(const MeterStatus&, const MeterStatus&) = default;
};

/// A frame handed over less than this long ago counts as reading; the
/// meter sends two a second.
inline constexpr std::chrono::milliseconds kReadingFrameGap{2000};

/// The status of @p session at @p now (steady clock).
MeterStatus meterStatus(const MeterSession& session, std::chrono::steady_clock::time_point now);

// The fields' rules, one by one.
QString linkStatus(bool connected, std::optional<std::chrono::steady_clock::time_point> lastFrameAt,
                   std::chrono::steady_clock::time_point now);
/// Rows @p rows against @p limit; "Limitless" for the limit of that item.
QString rowsStatus(std::size_t rows, std::int32_t limit, bool limitReached);
/// @p intervalText is RecordSITime's text, which need not be a number.
QString ruleStatus(bool repeat, bool interval, std::string_view intervalText);
QString journalStatus(const MeterSession::JournalState& journal);
/// @p time is the last row's Time field, none when there is no row.
QString lastRowStatus(const std::optional<std::string>& time);
