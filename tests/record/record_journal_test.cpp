// The journal of the record table: a file grown line by line that a crash
// or a power cut leaves loadable, and the left-over journals of runs that
// did not end normally.

#include "record/appending_file.h"
#include "record/leftover_journal.h"
#include "record/record_file_test_support.h"
#include "record/record_journal.h"
#include "record/record_table.h"
#include "record/text_table_file.h"

#include "temp_folder.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace record_file_test;

namespace {

RecordRow reading(std::int32_t no, const std::string& time, const std::string& value)
{
    return makeRow(no, {time, value, "V", std::nullopt, "", "0.5", "A"});
}

/// The rows of a record text file, or none when it does not load whole.
std::optional<std::vector<std::string>> loaded(const std::string& path)
{
    RecordTable table;
    if (!TextTableFile::parse(readFile(path), table))
        return std::nullopt;
    return describe(table);
}

std::string header() { return std::string(TextTableFile::header()); }

/// The rows of @p table as a saved text file reads them back: the text form
/// has no "no value" for a text, which comes back as "NULL".
std::vector<std::string> savedAndLoaded(const RecordTable& table)
{
    std::string bytes = header();
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        TextTableFile::appendLine(bytes, table, row);
    RecordTable back;
    EXPECT_TRUE(TextTableFile::parse(bytes, back));
    return describe(back);
}

}  // namespace

TEST(AppendingFile, WritesHeaderOnceThenLinesAndProducedLinesInTheirOrder)
{
    TempFolder folder;
    const std::string path = folder.file("log.txt");
    {
        AppendingFile file;
        ASSERT_EQ(file.open(path, AppendingFile::Mode::Replace, "H\n"), "");
        file.append("a\n");
        file.append([](const AppendingFile::Put& put) { put("b\n"); put("c\n"); });
        file.append("d\n");
        EXPECT_EQ(file.flush(), "");
        EXPECT_EQ(readFile(path), "H\na\nb\nc\nd\n");
        file.restart();
        file.append("e\n");
    }
    EXPECT_EQ(readFile(path), "H\ne\n");

    // Appending keeps what is there and writes no second header.
    AppendingFile again;
    ASSERT_EQ(again.open(path, AppendingFile::Mode::Append, "H\n"), "");
    again.append("f\n");
    EXPECT_EQ(again.close(), "");
    EXPECT_EQ(readFile(path), "H\ne\nf\n");
}

TEST(AppendingFile, ReplacingPutsANewFileWithItsHeaderInPlaceAtOnce)
{
    TempFolder folder;
    const std::string path = folder.file("log.txt");
    writeFile(path, "old content\n");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    AppendingFile file;
    ASSERT_EQ(file.open(path, AppendingFile::Mode::Replace, "H\n"), "");
    // The header is there the moment open returns, in a file of its own.
    EXPECT_EQ(readFile(path), "H\n");
#ifndef _WIN32  // Windows' stat tells no file number
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
#endif
    file.append("a\n");
    file.close();
    EXPECT_EQ(readFile(path), "H\na\n");
    EXPECT_EQ(filesIn(folder.path()).size(), 1u);  // no temporary file left
}

TEST(AppendingFile, AppendCutsALastLineAPowerCutLeftUnfinished)
{
    TempFolder folder;
    const std::string path = folder.file("log.txt");
    writeFile(path, "H\nrow 1\nrow 2 cu");
    AppendingFile file;
    ASSERT_EQ(file.open(path, AppendingFile::Mode::Append, "H\n"), "");
    EXPECT_EQ(file.cutBytes(), 8u);
    file.append("row 2\n");
    file.close();
    EXPECT_EQ(readFile(path), "H\nrow 1\nrow 2\n");
}

TEST(AppendingFile, FailuresNameTheSystemsReasonAndKeepWholeLines)
{
    TempFolder folder;
    {
        AppendingFile file;
        EXPECT_EQ(file.open(folder.file("missing/log.txt"), AppendingFile::Mode::Replace, "H\n"),
                  "No such file or directory");
        EXPECT_FALSE(file.isOpen());
    }
#ifndef _WIN32
    {
        // A disk that is full: every write fails.
        AppendingFile file;
        const std::string opened = file.open("/dev/full", AppendingFile::Mode::Append, "");
        ASSERT_EQ(opened, "");
        file.append("row\n");
        EXPECT_EQ(file.flush(), "No space left on device");
        EXPECT_TRUE(file.failed());
    }
    {
        // The folder removed from under the log: noticed at the next flush.
        // (Windows keeps a folder whose file is open.)
        const std::string sub = folder.file("site");
        ASSERT_TRUE(std::filesystem::create_directory(sub));
        AppendingFile file;
        ASSERT_EQ(file.open(sub + "/log.txt", AppendingFile::Mode::Replace, "H\n"), "");
        file.append("row\n");
        ASSERT_EQ(file.flush(), "");
        std::filesystem::remove_all(sub);
        file.append("row\n");
        EXPECT_EQ(file.flush(), "the file was removed");
        file.append("dropped\n");
        EXPECT_EQ(file.close(), "the file was removed");
    }
#endif
}

TEST(RecordJournal, FollowsTheTableThroughRowsClearingAndReplacementEvenWhileViewsAreFrozen)
{
    TempFolder folder;
    RecordTable table;
    table.appendRow(reading(1, "08:00:00", "1.0"));
    RecordJournal journal(table);
    ASSERT_EQ(journal.start(folder.path()), "");
    ASSERT_TRUE(journal.running());
    EXPECT_EQ(journal.path().rfind(folder.path() + "/journal-", 0), 0u);

    table.freezeViews();  // a save holds the grid still; the journal goes on
    table.appendRow(reading(2, "08:00:01", "1 2"));
    journal.flush();
    EXPECT_EQ(loaded(journal.path()), savedAndLoaded(table));
    table.releaseViews();

    table.clear();
    journal.flush();
    EXPECT_EQ(readFile(journal.path()), header());

    // A load appends many rows at once: written by the writer thread.
    RecordTable file;
    for (std::int32_t no = 1; no <= 1000; ++no)
        file.appendRow(reading(no, "09:00:00", std::to_string(no)));
    table.appendRow(reading(1, "08:59:59", "\"quoted"));
    table.appendRowsOf(std::move(file));
    journal.flush();
    EXPECT_EQ(loaded(journal.path()), savedAndLoaded(table));

    RecordTable packet;
    packet.appendRow(makeRow(std::nullopt, {"10:00:00", std::nullopt, "", "", "", "", ""}));
    table.replaceContent(std::move(packet));
    journal.flush();
    EXPECT_EQ(loaded(journal.path()), savedAndLoaded(table));

    const std::string path = journal.path();
    journal.finish(true);
    EXPECT_FALSE(journal.running());
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

#ifdef _WIN32
TEST(RecordJournal, FolderIsTheLocalApplicationDataFolder)
{
    const char* old = std::getenv("LOCALAPPDATA");
    const std::string saved = old ? old : "";
    setEnvironment("LOCALAPPDATA", "C:\\Users\\site\\AppData\\Local");
    EXPECT_EQ(RecordJournal::defaultFolder(), "C:\\Users\\site\\AppData\\Local\\zqmeter");
    setEnvironment("LOCALAPPDATA", saved);
}
#else
TEST(RecordJournal, FolderComesFromTheStateHomeOrTheHomeFolder)
{
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string savedState = oldState ? oldState : "";
    ::setenv("XDG_STATE_HOME", "/var/state", 1);
    EXPECT_EQ(RecordJournal::defaultFolder(), "/var/state/zqmeter");
    ::setenv("XDG_STATE_HOME", "relative", 1);  // only an absolute path counts
    ::setenv("HOME", ::getenv("HOME") ? ::getenv("HOME") : "/root", 1);
    EXPECT_EQ(RecordJournal::defaultFolder(), std::string(::getenv("HOME")) + "/.local/state/zqmeter");
    if (oldState)
        ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}
#endif

TEST(LeftoverJournal, ARunningJournalIsNotOfferedOneLeftBehindIsWithItsSpan)
{
    TempFolder folder;
    RecordTable table;
    RecordJournal running(table);
    ASSERT_EQ(running.start(folder.path()), "");
    table.appendRow(reading(1, "08:00:00", "1.0"));
    running.flush();
    EXPECT_TRUE(LeftoverJournal::find(folder.path()).empty());

    // Left behind: closed without being removed, as after a crash.
    table.appendRow(reading(2, "08:00:01", "1.1"));
    table.appendRow(reading(3, "08:07:30", "1.2"));
    const std::string path = running.path();
    running.finish(false);

    std::vector<LeftoverJournal> found = LeftoverJournal::find(folder.path());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].path(), path);
    EXPECT_EQ(found[0].rows(), 3u);
    EXPECT_EQ(found[0].firstTime(), "08:00:00");
    EXPECT_EQ(found[0].lastTime(), "08:07:30");
    EXPECT_NE(found[0].question().find("3 readings, recorded from 08:00:00 to 08:07:30"), std::string::npos);
    // Held while offered: another run does not offer it too.
    EXPECT_TRUE(LeftoverJournal::find(folder.path()).empty());

    found[0].discard();
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

TEST(LeftoverJournal, EmptyOnesAreRemovedOnlyJournalsAreLookedAt)
{
    TempFolder folder;
    writeFile(folder.file("journal-1-20261210-080000.txt"), header());
    writeFile(folder.file("notes.txt"), header() + "1\t08:00:00\t1\tV\tNULL\tNULL\tNULL\tNULL\r\n");
    EXPECT_TRUE(LeftoverJournal::find(folder.path()).empty());
    EXPECT_NE(::access(folder.file("journal-1-20261210-080000.txt").c_str(), F_OK), 0);
    EXPECT_EQ(::access(folder.file("notes.txt").c_str(), F_OK), 0);
    EXPECT_TRUE(LeftoverJournal::find(folder.file("missing")).empty());
}

// A power cut may leave the file cut at any byte: what is offered always
// loads, and holds every row whose line was whole.
TEST(LeftoverJournal, AJournalCutAtAnyByteLosesOnlyTheCutLineAndLoads)
{
    TempFolder folder;
    RecordTable table;
    for (std::int32_t no = 1; no <= 3; ++no)
        table.appendRow(reading(no, "08:00:0" + std::to_string(no), "value " + std::to_string(no)));
    std::string whole(TextTableFile::header());
    std::vector<std::size_t> lineEnds{whole.size()};
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        TextTableFile::appendLine(whole, table, row);
        lineEnds.push_back(whole.size());
    }
    const std::vector<std::string> rowsOfTable = savedAndLoaded(table);
    const std::string path = folder.file("journal-7-20261210-080000.txt");
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        writeFile(path, whole.substr(0, cut));
        std::size_t wholeRows = 0;
        while (wholeRows + 1 < lineEnds.size() && lineEnds[wholeRows + 1] <= cut)
            ++wholeRows;
        std::vector<LeftoverJournal> found = LeftoverJournal::find(folder.path());
        if (wholeRows == 0) {
            EXPECT_TRUE(found.empty());
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].rows(), wholeRows);
        const std::optional<std::vector<std::string>> rows = loaded(path);
        ASSERT_TRUE(rows);
        EXPECT_EQ(*rows, std::vector<std::string>(rowsOfTable.begin(),
                                                  rowsOfTable.begin() + static_cast<std::ptrdiff_t>(wholeRows)));
    }
}

#ifndef _WIN32
// kill -9 in the middle of recording: the journal on the disk loads, and
// holds the rows up to the kill.
TEST(LeftoverJournal, AKilledRunLeavesAJournalThatLoads)
{
    TempFolder folder;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RecordTable table;
        RecordJournal journal(table);
        if (!journal.start(folder.path()).empty())
            ::_exit(2);
        for (std::int32_t no = 1; no <= 500; ++no) {
            table.appendRow(reading(no, "08:00:00", std::to_string(no)));
            if (no == 250) {
                journal.flush();
                (void)::write(ready[1], "r", 1);
            }
        }
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    std::vector<LeftoverJournal> found = LeftoverJournal::find(folder.path());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_GE(found[0].rows(), 250u);
    const std::optional<std::vector<std::string>> rows = loaded(found[0].path());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->size(), found[0].rows());
}
#endif
