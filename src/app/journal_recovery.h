#pragma once

#include "record/leftover_journal.h"
#include "record/record_file_job.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class MeterSession;

/// Offers the journals that earlier runs left behind back to the user, one
/// after the other, at the start. Yes appends a journal's rows to the
/// table as a text load does and then removes it; No removes it; a window
/// closed without an answer keeps it for the next start. A journal whose
/// load fails is kept, and the user told where it lies.
///
/// Main thread; the folder is searched off it, since a journal of days
/// holds millions of rows.
class JournalRecovery {
public:
    enum class Answer : std::uint8_t { Yes, No, Undecided };
    /// Shows the question of @p journal in a window of its own and calls
    /// the answer once the user gave it; must not wait for it.
    using Ask = std::function<void(const LeftoverJournal& journal, std::function<void(Answer)> answer)>;

    JournalRecovery(MeterSession& session, Ask ask) : session_(session), ask_(std::move(ask)) {}

    /// Searches @p folder for left-over journals on a thread of its own and
    /// offers them on the main thread through @p post; without @p post,
    /// here and now.
    void start(const std::string& folder, const RecordFileJob::Post& post);
    /// Offers @p journals, oldest first.
    void offer(std::vector<LeftoverJournal> journals);

    /// Journals still to be offered, the one being asked about included.
    std::size_t pending() const { return journals_.size(); }

private:
    void askNext();
    void answered(Answer answer);

    MeterSession& session_;
    Ask ask_;
    std::deque<LeftoverJournal> journals_;
    RecordFileJob search_;
    bool asking_ = false;
};
