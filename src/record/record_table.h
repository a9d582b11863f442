#pragma once

#include "record/record_row.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RecordSegment;

/// One run of change-log entries: the records first .. first + count - 1,
/// each replacing @ref replaces and changed by @ref kind. A log read from a
/// file is kept as such runs (a saved log of a million insertions is one run).
struct RecordChangeRun {
    std::uint32_t first = 1;   ///< record number (position in the table, from 1) of the first entry
    std::uint32_t count = 1;   ///< entries in the run
    std::int32_t replaces = 0; ///< record number the entries replace, 0 for none
    std::int32_t kind = 4;     ///< 4 = inserted
};

/// The change log: the runs read from a file (oldest first), then one
/// insertion "r 0 4" for every row from @ref implicitFrom to the row count.
/// That last run is implied by the row count and never stored per row.
struct RecordChangeLog {
    std::shared_ptr<const std::vector<RecordChangeRun>> stored;  ///< never null
    std::size_t implicitFrom = 0;  ///< index of the first row logged implicitly
    std::size_t rowCount = 0;      ///< rows of the table the log belongs to

    /// Number of entries (three numbers each).
    std::size_t size() const;
    /// Calls @p entry(record, replaces, kind) for every entry in order.
    template <class Fn> void forEach(Fn&& entry) const;
};

/// What changed in the table, as its views hear of it.
struct RecordTableChange {
    bool reset = false;             ///< the whole content changed (emptied, replaced, loaded)
    std::size_t firstNewRow = 0;    ///< without reset: rows [firstNewRow, rowCount) are new
    std::size_t rowCount = 0;       ///< rows now
    std::optional<std::size_t> currentRow;  ///< the table's current row, none when empty
};

/// A view bound to the table (the grid). Called on the table's thread.
class RecordTableListener {
public:
    virtual ~RecordTableListener() = default;
    virtual void recordTableChanged(const RecordTableChange& change) = 0;
};

/// Reading the rows of a table or of a reader of one; both keep their rows
/// in segments and say where a row lies.
class RecordRowAccess {
public:
    /// No of row @p row; none when the field has no value. Row < rowCount().
    std::optional<std::int32_t> no(std::size_t row) const;
    /// Text field @p field (Time .. I_Unit) of row @p row; none when the
    /// field has no value (an empty text is an empty view). The view stays
    /// valid as long as this reader or the table's content lives.
    std::optional<std::string_view> text(std::size_t row, RecordField field) const;
    /// Any field as text: No in decimal, a text as stored; none when absent.
    std::optional<std::string> fieldText(std::size_t row, RecordField field) const;
    /// The same, the field named without regard to case; none also for an
    /// unknown name.
    std::optional<std::string> fieldText(std::size_t row, std::string_view fieldName) const;
    /// Change state of the row (4 = inserted, 0 = unchanged from a file).
    RecordRowState rowState(std::size_t row) const;
    /// The whole row.
    RecordRow row(std::size_t row) const;

protected:
    RecordRowAccess() = default;
    RecordRowAccess(const RecordRowAccess&) = default;
    RecordRowAccess& operator=(const RecordRowAccess&) = default;
    ~RecordRowAccess() = default;
    /// The segment that holds @p row, and the row's place in it.
    virtual const RecordSegment& segmentOf(std::size_t row, std::size_t& local) const = 0;
};

/// Read access to rows [0, rowCount()) of a table as they were when the
/// reader was made. Make it on the table's own thread (RecordTable::reader);
/// afterwards it may be used on any one other thread while the table goes
/// on appending, is emptied or replaced: what it reads never moves and is
/// never written again, and it keeps that storage alive.
class RecordTableReader : public RecordRowAccess {
public:
    RecordTableReader() = default;

    std::size_t rowCount() const { return rowCount_; }
    bool empty() const { return rowCount_ == 0; }

    /// The change log of these rows.
    const RecordChangeLog& changeLog() const { return log_; }

private:
    friend class RecordTable;
    const RecordSegment& segmentOf(std::size_t row, std::size_t& local) const override;

    std::vector<std::shared_ptr<const RecordSegment>> segments_;
    std::vector<std::size_t> starts_;  ///< first row of each segment
    std::size_t rowCount_ = 0;
    RecordChangeLog log_;
};

/// The record table cds1: rows of the eight fields No (32-bit integer) and
/// Time, Value, Unit, V_Value, V_Unit, I_Value, I_Unit (texts of at most 20
/// bytes, without control bytes or trailing blanks, see storedRecordText; a
/// missing value is kept apart from an empty text), in insertion order, each
/// with its change state, and the change log; a current row; views that
/// can be frozen.
///
/// Rows are only added at the end; the table is otherwise emptied or its
/// content replaced whole. Texts are dictionary-encoded: a row costs about
/// 36 bytes plus its distinct texts, and row data never moves once stored.
///
/// Threads: every member is for the thread that owns the table (the main
/// thread for cds1; a loader's thread for a table it is building, until it
/// hands the table over). Off that thread use only a RecordTableReader made
/// on it. Notifications go to listeners on the owning thread. Moving a
/// table moves its listeners too: move only tables no view is bound to
/// (a loaded one), and commit them with replaceContent or appendRowsOf.
class RecordTable : public RecordRowAccess {
public:
    RecordTable();
    ~RecordTable();
    RecordTable(RecordTable&&) noexcept;
    RecordTable& operator=(RecordTable&&) noexcept;
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    // --- reading --------------------------------------------------------
    std::size_t rowCount() const { return rowCount_; }
    bool empty() const { return rowCount_ == 0; }
    /// The change log as the data packet writes it.
    RecordChangeLog changeLog() const;
    /// A reader of the rows held now, usable on another thread (see class).
    /// Costs O(segments), a few at most for recorded tables.
    RecordTableReader reader() const;

    // --- adding ---------------------------------------------------------
    /// Adds @p row at the end with the change state 4 and an insertion in
    /// the change log; it becomes the current row. Returns its index.
    std::size_t appendRow(const RecordRow& row);
    /// The same with the state a data packet gives; the row is logged only
    /// when it follows the stored log (see setChangeLog).
    std::size_t appendRow(const RecordRow& row, RecordRowState state);
    /// appendRow for a file reader that has the fields at hand: the same
    /// result without a RecordRow in between.
    std::size_t appendFields(const RecordRowFields& fields, RecordRowState state);

    // --- whole-table changes ---------------------------------------------
    /// Removes every row and the change log; no current row.
    void clear();
    /// Replaces the whole content (rows, states, change log) by @p other's in
    /// O(segments), without copying rows; @p other is left empty. The first
    /// row becomes current. One reset goes to the views. For a load built
    /// off the main thread: build @p other there, commit it here.
    void replaceContent(RecordTable&& other);
    /// Appends @p other's rows, each keeping its state and logged as an
    /// insertion, in O(segments) without copying rows; @p other's own log is
    /// dropped and it is left empty. The last appended row becomes current;
    /// the views hear of the new rows at once.
    void appendRowsOf(RecordTable&& other);
    /// Sets the stored change log (a data packet's, in order), and makes
    /// every row added after this call an implicit insertion after it. For a
    /// table being built from a packet: append its rows, then set its log.
    void setChangeLog(std::vector<RecordChangeRun> runs);
    /// Adds one entry to a log being built, merged into the last run when it
    /// continues it (same replaces and kind, next record number).
    static void addChangeLogEntry(std::vector<RecordChangeRun>& runs, std::uint32_t record,
                                  std::int32_t replaces, std::int32_t kind);

    // --- current row ------------------------------------------------------
    std::optional<std::size_t> currentRow() const { return current_; }
    /// Moves the current row (the views follow unless frozen); @p row < rowCount().
    void setCurrentRow(std::size_t row);

    // --- bound views ------------------------------------------------------
    void addListener(RecordTableListener* listener);
    void removeListener(RecordTableListener* listener);
    /// Freezes the bound views: they hear of nothing until the matching
    /// releaseViews. Nests; the last release sends one change covering all
    /// that happened meanwhile (a reset if the content was replaced).
    void freezeViews();
    void releaseViews();
    bool viewsFrozen() const { return freeze_ > 0; }

    /// A follower hears of every change the moment it happens, frozen views
    /// or not (a journal that keeps the rows on disk must not lag behind a
    /// save that holds the grid still). Called on the table's thread.
    void addFollower(RecordTableListener* follower);
    void removeFollower(RecordTableListener* follower);

    /// Bytes held by the table's storage (rows, texts, dictionaries).
    std::size_t memoryBytes() const;

private:
    RecordSegment& writableSegment();
    void sealSegments();
    // The last row of the writable segment becomes the table's newest and
    // current row; returns its index.
    std::size_t rowAppended();
    void notify(bool reset, std::size_t firstNewRow);
    /// Empties the table without notifying its views.
    void dropContent();
    const RecordSegment& segmentOf(std::size_t row, std::size_t& local) const override;

    std::vector<std::shared_ptr<RecordSegment>> segments_;
    std::vector<std::size_t> starts_;
    std::size_t rowCount_ = 0;
    std::shared_ptr<const std::vector<RecordChangeRun>> storedLog_;
    std::size_t implicitFrom_ = 0;
    std::optional<std::size_t> current_;
    bool writable_ = false;  ///< whether the last segment takes new rows

    std::vector<RecordTableListener*> listeners_;
    std::vector<RecordTableListener*> followers_;
    int freeze_ = 0;
    bool pendingReset_ = false;
    std::size_t pendingFirstNewRow_ = 0;
    bool pendingChange_ = false;
};

template <class Fn> void RecordChangeLog::forEach(Fn&& entry) const
{
    for (const RecordChangeRun& run : *stored)
        for (std::uint32_t i = 0; i < run.count; ++i)
            entry(static_cast<std::int64_t>(run.first) + i, run.replaces, run.kind);
    for (std::size_t row = implicitFrom; row < rowCount; ++row)
        entry(static_cast<std::int64_t>(row) + 1, std::int32_t{0}, std::int32_t{4});
}
