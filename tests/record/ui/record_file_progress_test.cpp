#include "record/record_file.h"
#include "record/record_file_commands.h"
#include "record/ui/record_file_progress.h"
#include "snapshot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void runEventsFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

template <class Pred> bool runEventsUntil(Pred done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(RecordFileProgress, AppearsAfterHalfASecondAndGoesWhenDone)
{
    QWidget window;
    window.show();
    auto progress = std::make_shared<RecordFileJobProgress>(RecordFileJobProgress::Kind::Save);
    progress->total = 100;
    QPointer<RecordFileProgress> dialog = RecordFileProgress::watch(&window, progress);
    runEventsFor(200);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->isVisible());
    runEventsFor(500);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    progress->done = 40;
    runEventsFor(100);
    saveSnapshot(*dialog, QStringLiteral("record_file_progress"));
    dialog->reject();  // Escape does not end it
    EXPECT_TRUE(dialog->isVisible());
    progress->finished = true;
    EXPECT_TRUE(runEventsUntil([&] { return dialog.isNull(); }, 2000));
}

TEST(RecordFileProgress, QuickJobShowsNoDialog)
{
    QWidget window;
    auto progress = std::make_shared<RecordFileJobProgress>(RecordFileJobProgress::Kind::Load);
    QPointer<RecordFileProgress> dialog = RecordFileProgress::watch(&window, progress);
    progress->finished = true;
    runEventsFor(700);
    EXPECT_TRUE(dialog.isNull());
}

// Work on a thread, its ending on the event loop, as in the window.
TEST(RecordFileProgress, CommandsRunThroughTheEventLoop)
{
    QWidget window;
    RecordTable table;
    for (int i = 1; i <= 1000; ++i) {
        RecordRow row;
        row.setNo(i);
        table.appendRow(row);
    }
    RecordFileCommands files(table);
    files.post = [&window](std::function<void()> f) {
        QMetaObject::invokeMethod(&window, std::move(f), Qt::QueuedConnection);
    };
    int watched = 0;
    files.jobStarted = [&](std::shared_ptr<const RecordFileJobProgress> progress) {
        ++watched;
        RecordFileProgress::watch(&window, std::move(progress));
    };
    const std::string name = ::testing::TempDir() + "zq_progress_" + std::to_string(::getpid()) + ".xml";
    files.Save_asClick(name);
    EXPECT_TRUE(files.busy());
    ASSERT_TRUE(runEventsUntil([&] { return !files.busy(); }));
    EXPECT_EQ(watched, 1);
    EXPECT_TRUE(files.messages().empty());
    EXPECT_FALSE(table.viewsFrozen());
    RecordTable loaded;
    EXPECT_TRUE(LoadTable(name, loaded, false));
    EXPECT_EQ(loaded.rowCount(), 1000u);
    ::unlink(name.c_str());
}

}  // namespace
