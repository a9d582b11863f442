#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

/// A journal left by a run that did not end normally (see RecordJournal),
/// held locked while it is offered back, so no other run offers it too.
///
/// When it is found, a last line that a power cut left without its line end
/// is cut off the file, so that what is offered loads as a text file does.
class LeftoverJournal {
public:
    LeftoverJournal() = default;
    /// Unlocks the file and leaves it where it is.
    ~LeftoverJournal();
    LeftoverJournal(LeftoverJournal&& other) noexcept;
    LeftoverJournal& operator=(LeftoverJournal&& other) noexcept;
    LeftoverJournal(const LeftoverJournal&) = delete;
    LeftoverJournal& operator=(const LeftoverJournal&) = delete;

    /// The left-over journals in @p folder, oldest first, each locked; those
    /// another run holds are not among them, nor are the empty ones, which
    /// are removed. A missing folder has none.
    static std::vector<LeftoverJournal> find(const std::string& folder);

    const std::string& path() const { return path_; }
    /// Rows the file holds (lines after the header).
    std::size_t rows() const { return rows_; }
    /// The Time fields of its first and last rows, as recorded.
    const std::string& firstTime() const { return firstTime_; }
    const std::string& lastTime() const { return lastTime_; }
    /// When the file was last written.
    std::time_t lastWritten() const { return lastWritten_; }
    /// Bytes of a cut last line dropped when it was found.
    std::uint64_t cutBytes() const { return cutBytes_; }

    /// The question of the recovery window: how many readings, from when
    /// to when, and whether to add them.
    std::string question() const;

    /// Removes the file (the user said No, or its rows are in the table).
    void discard();

private:
    void release();

    std::string path_;
    int lockFd_ = -1;
    std::size_t rows_ = 0;
    std::string firstTime_;
    std::string lastTime_;
    std::time_t lastWritten_ = 0;
    std::uint64_t cutBytes_ = 0;
};
