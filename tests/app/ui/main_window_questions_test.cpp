// The window's questions: the delete command's warning and the one asked
// before closing with readings not saved. Both are boxes opened without a
// loop of their own; their answers arrive afterwards, on the main thread.

#include "app/ui/main_window.h"
#include "record/ui/record_grid_view.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr std::string_view kFrame = "000123422205105182075418DA";

QList<QMessageBox*> openBoxes(const QWidget& window)
{
    QList<QMessageBox*> open;
    for (QMessageBox* box : window.findChildren<QMessageBox*>())
        if (box->isVisible())
            open << box;
    return open;
}

/// The one box open once the posted calls ran; nullptr when there is none.
QMessageBox* shownBox(const QWidget& window)
{
    QCoreApplication::processEvents();
    const QList<QMessageBox*> open = openBoxes(window);
    EXPECT_LE(open.size(), 1);
    return open.isEmpty() ? nullptr : open.front();
}

/// How a user answers a box.
struct Answer {
    const char* name;
    std::function<void(QMessageBox&)> give;
};

Answer clicking(const char* name, QMessageBox::StandardButton button)
{
    return {name, [button](QMessageBox& box) { box.button(button)->click(); }};
}

const Answer kEscape{"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }};
const Answer kClosingTheBox{"closing the box", [](QMessageBox& box) { box.close(); }};

struct Window {
    TFrmTest frmTest;
    explicit Window(int rows)
    {
        frmTest.show();
        for (int i = 0; i < rows; ++i)
            frmTest.ShowDataQ7(kFrame);
    }
};

TEST(WindowQuestions, DeleteAsksAndOnlyOkDeletes)
{
    for (const Answer& keeps : {clicking("Cancel", QMessageBox::Cancel), kEscape, kClosingTheBox}) {
        SCOPED_TRACE(keeps.name);
        Window w(3);
        const ChartEngine& chart = w.frmTest.session().chart().ChartControl().Chart();
        const int64_t points = chart.pointCount();
        w.frmTest.ClearRClick();
        QMessageBox* box = shownBox(w.frmTest);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral(" Warning:all Records will be deleted! "));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Cancel));
        EXPECT_EQ(w.frmTest.session().cds1().rowCount(), 3u);  // nothing goes before the answer
        keeps.give(*box);
        QCoreApplication::processEvents();
        EXPECT_EQ(shownBox(w.frmTest), nullptr);
        EXPECT_EQ(w.frmTest.session().cds1().rowCount(), 3u);
        EXPECT_EQ(w.frmTest.session().sampling().NextRecordNo(), 4);
        EXPECT_EQ(chart.pointCount(), points);
    }

    Window w(3);
    const ChartEngine& chart = w.frmTest.session().chart().ChartControl().Chart();
    w.frmTest.ClearRClick();
    QMessageBox* box = shownBox(w.frmTest);
    ASSERT_NE(box, nullptr);
    w.frmTest.ShowDataQ7(kFrame);  // recorded while the box waits: goes too, as it says
    box->button(QMessageBox::Ok)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.frmTest.session().cds1().empty());
    EXPECT_EQ(w.frmTest.findChild<RecordGridView*>(QStringLiteral("DBGrid1"))->shownRowCount(), 0u);
    EXPECT_EQ(chart.pointCount(), 1);  // only the placeholder
    w.frmTest.ShowDataQ7(kFrame);
    EXPECT_EQ(w.frmTest.session().cds1().no(0), 1);
}

TEST(WindowQuestions, ClosingWithNothingUnsavedClosesAtOnce)
{
    Window w(0);
    EXPECT_TRUE(w.frmTest.close());
    EXPECT_FALSE(w.frmTest.isVisible());
    EXPECT_EQ(shownBox(w.frmTest), nullptr);
}

TEST(WindowQuestions, ClosingWithUnsavedReadingsAsksUntilDiscarded)
{
    for (const Answer& keeps : {clicking("Cancel", QMessageBox::Cancel), kEscape, kClosingTheBox}) {
        SCOPED_TRACE(keeps.name);
        Window w(2);
        ASSERT_EQ(w.frmTest.session().unsavedRows(), 2u);
        EXPECT_FALSE(w.frmTest.close());
        EXPECT_TRUE(w.frmTest.isVisible());
        QMessageBox* box = shownBox(w.frmTest);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Confirm"));
        EXPECT_EQ(box->text(),
                  QStringLiteral("2 readings recorded since the last save are not saved. Save them before closing?"));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        // Asked again while the question waits: still one question.
        EXPECT_FALSE(w.frmTest.close());
        EXPECT_EQ(shownBox(w.frmTest), box);
        EXPECT_EQ(w.frmTest.messages().waiting(), 0u);

        keeps.give(*box);
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.frmTest.isVisible());
        EXPECT_EQ(shownBox(w.frmTest), nullptr);
        EXPECT_EQ(w.frmTest.session().cds1().rowCount(), 2u);
    }

    Window w(1);
    EXPECT_FALSE(w.frmTest.close());
    QMessageBox* box = shownBox(w.frmTest);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("1 reading recorded since the last save is not saved. Save it before closing?"));
    box->button(QMessageBox::Discard)->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.frmTest.isVisible());
}

/// Accepts the save dialog with @p file once it is open, or cancels it when
/// @p file is empty.
void answerSaveDialog(TFrmTest& window, const QString& file)
{
    QFileDialog* dialog = window.fileDialog("SaveDialog2");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    auto* poll = new QTimer(dialog);
    QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, file] {
        if (!dialog->isVisible())
            return;
        poll->deleteLater();
        if (file.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        static_cast<QDialog*>(dialog)->accept();
    });
    poll->start(10);
}

/// Answers the close question with Save, and the file dialog with @p file.
void closeAndSave(TFrmTest& window, const QString& file)
{
    answerSaveDialog(window, file);
    EXPECT_FALSE(window.close());
    QMessageBox* box = shownBox(window);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Save));
    box->button(QMessageBox::Save)->click();
}

void runUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Save closes the window only once the save succeeded; a failed or
// cancelled save leaves it open with the readings.
TEST(WindowQuestions, SaveBeforeClosingClosesOnceSaved)
{
    QTemporaryDir folder;
    {
        Window w(2);
        closeAndSave(w.frmTest, QString());
        QFileDialog* dialog = w.frmTest.fileDialog("SaveDialog2");
        runUntil([&] { return !dialog->isVisible() && shownBox(w.frmTest) == nullptr; });
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.frmTest.isVisible()) << "the save dialog was cancelled";
        EXPECT_FALSE(w.frmTest.session().recordFiles().busy());
    }
    {
        Window w(2);
        const QString unwritable = folder.filePath(QStringLiteral("no such folder/rows.txt"));
        closeAndSave(w.frmTest, unwritable);
        QMessageBox* failure = nullptr;
        runUntil([&] { return (failure = shownBox(w.frmTest)) != nullptr; });
        ASSERT_NE(failure, nullptr);
        EXPECT_EQ(failure->icon(), QMessageBox::Critical);
        EXPECT_TRUE(w.frmTest.isVisible());
        failure->button(QMessageBox::Ok)->click();
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.frmTest.isVisible());
        EXPECT_EQ(w.frmTest.session().unsavedRows(), 2u);
    }
    Window w(2);
    const QString file = folder.filePath(QStringLiteral("rows.txt"));
    closeAndSave(w.frmTest, file);
    runUntil([&] { return !w.frmTest.isVisible(); });
    EXPECT_FALSE(w.frmTest.isVisible());
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(w.frmTest.session().unsavedRows(), 0u);
}

}  // namespace
