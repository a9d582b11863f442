// The session's journal, what it counts as unsaved, and the offer of the
// journals that runs which did not end normally left behind.

#include "app/journal_recovery.h"
#include "app/meter_session.h"
#include "record/leftover_journal.h"
#include "record/record_journal.h"
#include "record/text_table_file.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kFrame = "000123422205105182075418DA";


std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

/// The rows of a record text file, each "No|Time|Value|...".
std::vector<std::string> rowsOf(const std::string& bytes)
{
    RecordTable table;
    EXPECT_TRUE(TextTableFile::parse(bytes, table));
    std::vector<std::string> rows;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        std::string line;
        for (std::size_t field = 0; field < kRecordFieldCount; ++field)
            line += table.fieldText(row, recordField(field)).value_or("~") + "|";
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> rowsOf(const RecordTable& table)
{
    std::string bytes(TextTableFile::header());
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        TextTableFile::appendLine(bytes, table, row);
    return rowsOf(bytes);
}

struct Session {
    MeterSession session;
    std::vector<UserMessage> messages;

    Session()
    {
        session.setMessageSink([this](const UserMessage& m) { messages.push_back(m); });
        session.FormCreate(".");
        session.setTimeOfDay([] { return 8 * 3600; });
    }
    void record(int readings)
    {
        for (int i = 0; i < readings; ++i)
            session.ShowDataQ7(kFrame);
    }
};

/// A journal left by a run that is gone, holding @p rows rows.
std::string leaveJournal(const std::string& folder, int rows)
{
    Session earlier;
    EXPECT_EQ(earlier.session.startJournal(folder), "");
    earlier.record(rows);
    const std::string path = earlier.session.journal().path();
    earlier.session.journal().finish(false);
    return path;
}

}  // namespace

TEST(SessionJournal, UnsavedRowsAreThoseRecordedSinceASaveOrSinceTheContentWasReplaced)
{
    TempFolder folder;
    Session s;
    MeterSession& session = s.session;
    s.record(3);
    EXPECT_EQ(session.unsavedRows(), 3u);

    std::vector<std::pair<RecordFileCommand, bool>> ended;
    session.onFileCommandEnded = [&](RecordFileCommand command, bool ok) { ended.emplace_back(command, ok); };
    session.recordFiles().Save_asClick(folder.file("day.txt"));
    EXPECT_EQ(session.unsavedRows(), 0u);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0], std::make_pair(RecordFileCommand::Save, true));

    // A failed save leaves the rows unsaved.
    s.record(2);
    session.recordFiles().Save_asClick(folder.file("missing/day.txt"));
    EXPECT_EQ(session.unsavedRows(), 2u);

    // A text load appends rows of a file: they are saved already, the
    // recorded ones still are not.
    session.recordFiles().OpenClick(folder.file("day.txt"));
    EXPECT_EQ(session.cds1().rowCount(), 8u);
    EXPECT_EQ(session.unsavedRows(), 2u);

    // A data packet replaces the content; emptying the table drops all.
    session.recordFiles().Save_asClick(folder.file("day.xml"));
    s.record(1);
    session.recordFiles().OpenClick(folder.file("day.xml"));
    EXPECT_EQ(session.unsavedRows(), 0u);
    s.record(4);
    session.cds1().clear();
    EXPECT_EQ(session.unsavedRows(), 0u);
}

TEST(SessionJournal, KeepsEveryRecordedRowAndGoesOnlyWhenNothingIsLeftUnsaved)
{
    TempFolder folder;
    {
        Session s;
        ASSERT_EQ(s.session.startJournal(folder.path()), "");
        const MeterSession::JournalState state = s.session.journalState();
        EXPECT_EQ(state.kind, MeterSession::JournalState::Kind::Writing);
        s.record(5);
        s.session.journal().flush();
        EXPECT_EQ(rowsOf(readFile(state.path)), rowsOf(s.session.cds1()));
        // Ended normally with rows unsaved: the journal stays for the next start.
        s.session.endNormally(false);
        EXPECT_TRUE(exists(state.path));
        EXPECT_EQ(s.session.journalState().kind, MeterSession::JournalState::Kind::Off);
    }
    EXPECT_EQ(LeftoverJournal::find(folder.path()).size(), 1u);
    for (LeftoverJournal& journal : LeftoverJournal::find(folder.path()))
        journal.discard();

    for (const bool discarded : {false, true}) {
        Session s;
        ASSERT_EQ(s.session.startJournal(folder.path()), "");
        const std::string path = s.session.journalState().path;
        s.record(2);
        if (!discarded)
            s.session.recordFiles().Save_asClick(folder.file("saved.txt"));
        s.session.endNormally(discarded);
        EXPECT_FALSE(exists(path)) << (discarded ? "discarded" : "saved");
    }
}

TEST(SessionJournal, AJournalThatCannotBeWrittenNeverStopsRecording)
{
    TempFolder folder;
    const std::string notAFolder = folder.file("file");
    std::ofstream(notAFolder) << "x";
    Session s;
    const std::string failure = s.session.startJournal(notAFolder + "/zqmeter");
    EXPECT_NE(failure.find(notAFolder), std::string::npos);
    EXPECT_NE(failure.find("Not a directory"), std::string::npos);
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0].icon, UserMessage::Icon::Error);
    EXPECT_EQ(s.session.journalState().kind, MeterSession::JournalState::Kind::Off);
    s.record(3);
    EXPECT_EQ(s.session.cds1().rowCount(), 3u);
    EXPECT_EQ(s.messages.size(), 1u);
}

TEST(JournalRecovery, OffersEachLeftOverJournalInTurnAndDoesWhatTheUserSaid)
{
    TempFolder folder;
    const std::string first = leaveJournal(folder.path(), 2);
    ::sleep(1);  // a later last write: offered after the first
    const std::string second = leaveJournal(folder.path(), 3);
    const std::string third = leaveJournal(folder.path(), 1);

    Session s;
    s.record(1);
    std::vector<std::string> asked;
    std::vector<JournalRecovery::Answer> answers{JournalRecovery::Answer::Yes, JournalRecovery::Answer::No,
                                                 JournalRecovery::Answer::Undecided};
    JournalRecovery recovery(s.session, [&](const LeftoverJournal& journal, auto answer) {
        asked.push_back(journal.path());
        answer(answers[asked.size() - 1]);
    });
    recovery.start(folder.path(), {});

    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], first);
    // Yes: its rows follow the table's own, as a text load adds them; the file goes.
    EXPECT_EQ(s.session.cds1().rowCount(), 1u + 2u);
    EXPECT_FALSE(exists(first));
    // No: nothing added, the file goes.
    EXPECT_FALSE(exists(asked[1]));
    // No answer: kept for the next start.
    EXPECT_TRUE(exists(asked[2]));
    EXPECT_EQ(recovery.pending(), 0u);
    EXPECT_TRUE(second == asked[1] || second == asked[2]);
    EXPECT_TRUE(third == asked[1] || third == asked[2]);
}
