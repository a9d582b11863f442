// The recovery window: the question of a left-over journal, answered by a
// click, and the window's table taking the rows back.

#include "app/journal_recovery.h"
#include "app/ui/journal_recovery_dialog.h"
#include "app/ui/main_window.h"
#include "link/hid/hid_sim_platform.h"
#include "record/leftover_journal.h"
#include "record/record_journal.h"

#include "snapshot.h"
#include "wait_for.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QTest>

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace {

/// A journal of @p rows readings left by a run that is gone.
void leaveJournal(const std::string& folder, int rows)
{
    RecordTable table;
    RecordJournal journal(table);
    ASSERT_EQ(journal.start(folder), "");
    for (int no = 1; no <= rows; ++no) {
        RecordRow row;
        row.setNo(no);
        row.setText(RecordField::Time, no == 1 ? "08:00:00" : "08:41:17");
        row.setText(RecordField::Value, "1.234");
        row.setText(RecordField::Unit, "KW");
        table.appendRow(row);
    }
    journal.finish(false);
}

QMessageBox* openBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible() &&
                                                            box->objectName() == QStringLiteral("JournalRecoveryDialog"))
            return box;
    return nullptr;
}

QAbstractButton* buttonOf(QMessageBox& box, const QString& text)
{
    for (QAbstractButton* button : box.buttons())
        if (button->text().remove(QLatin1Char('&')) == text)
            return button;
    return nullptr;
}


}  // namespace

TEST(JournalRecoveryDialog, AsksWithTheJournalsSpanAndAnswersAsClicked)
{
    TempFolder folder;
    leaveJournal(folder.path(), 3);
    std::vector<LeftoverJournal> found = LeftoverJournal::find(folder.path());
    ASSERT_EQ(found.size(), 1u);

    QWidget parent;
    parent.resize(300, 200);
    parent.show();
    struct Case {
        QString click;  // empty: Escape
        JournalRecovery::Answer answer;
    };
    for (const Case& c : {Case{"Yes", JournalRecovery::Answer::Yes}, Case{"No", JournalRecovery::Answer::No},
                          Case{"Later", JournalRecovery::Answer::Undecided}, Case{"", JournalRecovery::Answer::Undecided}}) {
        SCOPED_TRACE(c.click.toStdString());
        std::optional<JournalRecovery::Answer> answer;
        askAboutLeftoverJournal(&parent, found[0], [&](JournalRecovery::Answer a) { answer = a; });
        QMessageBox* box = openBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Recover readings"));
        EXPECT_TRUE(box->text().contains(QStringLiteral("3 readings, recorded from 08:00:00 to 08:41:17")));
        if (c.click == QStringLiteral("Yes"))
            saveSnapshot(*box, QStringLiteral("journal_recovery"));
        if (!c.click.isEmpty()) {
            QAbstractButton* button = buttonOf(*box, c.click);
            ASSERT_NE(button, nullptr);
            button->click();
        }
        else
            QTest::keyClick(box, Qt::Key_Escape);
        ASSERT_TRUE(waitFor([&] { return answer.has_value(); }));
        EXPECT_EQ(*answer, c.answer);
    }
}

TEST(JournalRecoveryDialog, YesPutsTheReadingsBackIntoTheWindowsTable)
{
    TempFolder folder;
    leaveJournal(folder.path(), 5);
    TFrmTest window(std::make_shared<THidSimPlatform>());
    window.show();
    JournalRecovery recovery(window.session(), [&window](const LeftoverJournal& journal, auto answer) {
        askAboutLeftoverJournal(&window, journal, std::move(answer));
    });
    recovery.start(folder.path(), window.session().recordFiles().post);
    ASSERT_TRUE(waitFor([] { return openBox() != nullptr; }));
    if (!qEnvironmentVariableIsEmpty("ZQ_SNAPSHOT_DIR")) {
        // The box over the window, as the user meets it at the start.
        QPixmap picture = window.grab();
        const QPixmap box = openBox()->grab();
        QPainter painter(&picture);
        painter.drawPixmap((picture.width() - box.width()) / 2, (picture.height() - box.height()) / 2, box);
        painter.end();
        picture.save(QDir(qEnvironmentVariable("ZQ_SNAPSHOT_DIR")).filePath(QStringLiteral("journal_recovery_window.png")));
    }
    buttonOf(*openBox(), QStringLiteral("Yes"))->click();
    ASSERT_TRUE(waitFor([&] { return window.session().cds1().rowCount() == 5 && !window.session().recordFiles().busy(); }));
    EXPECT_TRUE(waitFor([&] { return LeftoverJournal::find(folder.path()).empty(); }));
    EXPECT_EQ(recovery.pending(), 0u);
}
