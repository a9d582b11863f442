#include "app/journal_recovery.h"

#include "app/meter_session.h"

#include <memory>

void JournalRecovery::start(const std::string& folder, const RecordFileJob::Post& post)
{
    if (search_.running())
        return;
    search_.start(std::make_shared<RecordFileJobProgress>(RecordFileJobProgress::Kind::Load),
                  [this, folder](RecordFileJobProgress&) {
                      auto found = std::make_shared<std::vector<LeftoverJournal>>(LeftoverJournal::find(folder));
                      return [this, found] { offer(std::move(*found)); };
                  },
                  post);
}

void JournalRecovery::offer(std::vector<LeftoverJournal> journals)
{
    for (LeftoverJournal& journal : journals)
        journals_.push_back(std::move(journal));
    askNext();
}

void JournalRecovery::askNext()
{
    if (asking_ || journals_.empty() || !ask_)
        return;
    asking_ = true;
    ask_(journals_.front(), [this](Answer answer) { answered(answer); });
}

void JournalRecovery::answered(Answer answer)
{
    LeftoverJournal journal = std::move(journals_.front());
    journals_.pop_front();
    if (answer == Answer::No)
        journal.discard();
    if (answer != Answer::Yes) {
        asking_ = false;
        askNext();
        return;
    }
    const std::string path = journal.path();
    if (session_.recordFiles().busy()) {
        session_.raiseMessage({UserMessage::Icon::Error, "Journal",
                               "Another file command is running; " + path + " is kept and offered again at the next start.",
                               true});
        asking_ = false;
        askNext();
        return;
    }
    auto held = std::make_shared<LeftoverJournal>(std::move(journal));
    session_.recordFiles().OpenClick(path, [this, held](bool ok) {
        if (ok)
            held->discard();
        else
            session_.raiseMessage(UserMessage{UserMessage::Icon::Error, "Journal",
                                              "The readings of " + held->path() +
                                                  " could not all be added; the file is kept there.",
                                              true});
        asking_ = false;
        askNext();
    });
}
