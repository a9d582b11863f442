#pragma once

#include "record/appending_file.h"
#include "record/record_table.h"

#include <cstddef>
#include <string>

/// The journal of a record table: every row of the table also goes to a
/// file in the record text form, so a crash, a power cut or a flat battery
/// leaves the rows recorded since the last save on the disk, to be offered
/// back at the next start (LeftoverJournal).
///
/// It follows the table as it changes, frozen views or not: new rows are
/// appended, an emptied table empties the file to its header, content
/// replaced whole is written anew. A single new row is formatted on the
/// caller's thread (well under a microsecond); larger batches are handed
/// to the writer thread with a reader, so neither waits for the disk.
///
/// The file is named journal-PID-YYYYMMDD-HHMMSS.txt and is locked (flock)
/// for as long as the journal runs: a journal whose lock can be taken
/// belongs to a run that is gone, whatever its PID says now.
///
/// Table's thread only.
class RecordJournal final : private RecordTableListener {
public:
    explicit RecordJournal(RecordTable& table) : table_(table) {}
    /// Stops following and closes the file, which stays: a journal is
    /// removed only by finish(true).
    ~RecordJournal() override;
    RecordJournal(const RecordJournal&) = delete;
    RecordJournal& operator=(const RecordJournal&) = delete;

    /// The folder journals go to: $XDG_STATE_HOME/zqmeter, or
    /// ~/.local/state/zqmeter when that is unset or not an absolute path.
    static std::string defaultFolder();
    /// The prefix and suffix of journal file names.
    static constexpr std::string_view kPrefix = "journal-";
    static constexpr std::string_view kSuffix = ".txt";

    /// Starts a journal in @p folder (created, mode 0700, when missing) and
    /// writes the rows the table holds now. Returns an empty text, or why
    /// it cannot (the folder or file named, with the system's reason); the
    /// journal is then off.
    std::string start(const std::string& folder);
    /// Writes what is queued, flushes it and closes the file; removes it
    /// when @p remove (the program ends with nothing left unsaved).
    void finish(bool remove);

    bool running() const { return file_.isOpen(); }
    const std::string& path() const { return file_.path(); }
    /// Why the journal stopped writing, empty while it writes.
    std::string failure() const { return file_.failure(); }
    bool failed() const { return file_.failed(); }
    /// Waits until every row so far is on the disk (tests, the soak).
    std::string flush() { return file_.flush(); }

private:
    void recordTableChanged(const RecordTableChange& change) override;
    void appendRows(std::size_t first, std::size_t end);

    RecordTable& table_;
    AppendingFile file_;
    int lockFd_ = -1;
    std::string line_;  ///< a row's line, kept to save its allocation
};
