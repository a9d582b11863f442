#include "app/ui/main_window.h"
#include "meter/ui/bevel_panel.h"
#include "meter/ui/lcd_label.h"
#include "snapshot.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

TEST(FrmTest, OpensAsTheStartUpSequenceLeavesIt)
{
    TFrmTest window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("KP-7730 Interface Program Ver:3.01"));
    EXPECT_EQ(window.centralWidget()->size(), QSize(739, 479));
    // The menu bar sits above the client area, the status bar below it.
    const QStatusBar* status = window.findChild<QStatusBar*>(QStringLiteral("StatusBar"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status, window.statusBar());
    EXPECT_GT(status->height(), 0);
    EXPECT_EQ(window.size(), QSize(739, window.menuBar()->height() + 479 + status->height()));
    EXPECT_EQ(status->geometry().top(), window.centralWidget()->geometry().bottom() + 1);
    EXPECT_EQ(status->width(), 739);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.minimumSize(), window.size());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.ports().PortKind(), 5);

    const auto* bar = window.findChild<QProgressBar*>(QStringLiteral("PBar2"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 60);
    EXPECT_EQ(bar->value(), 20);
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("CONok"))->isHidden());
    EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("CONokN"))->isHidden());
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("Panel1"))->isHidden());
    saveSnapshot(window, QStringLiteral("main-window-design"));
}

TEST(FrmTest, ShowsADecodedFrame)
{
    TFrmTest window;
    EXPECT_EQ(window.ShowDataQ7("000123422205105182075418DA"), FrameOutcome::Decoded);
    const auto* labelA = window.findChild<LcdLabel*>(QStringLiteral("LabelA"));
    ASSERT_NE(labelA, nullptr);
    EXPECT_EQ(labelA->caption(), QByteArray("1"));
    const auto* bar = window.findChild<QProgressBar*>(QStringLiteral("PBar2"));
    EXPECT_EQ(bar->maximum(), 600);
    EXPECT_EQ(bar->value(), 12);
    saveSnapshot(window, QStringLiteral("main-window-worked-example"));

    // a bar position beyond the maximum shows a full bar
    window.ShowDataQ7("000999900005105182070000DA");
    EXPECT_EQ(bar->value(), bar->maximum());
}

// The link icon is the cable's: a frame it assembled lights it, the
// watchdog's check turns it dark again.
TEST(FrmTest, FramesFromTheCableLightTheLinkIcon)
{
    TFrmTest window;
    const auto* up = window.findChild<QWidget*>(QStringLiteral("CONok"));
    const auto* down = window.findChild<QWidget*>(QStringLiteral("CONokN"));
    // 000123422205105182075418DA in four reports, closed by an idle one.
    const uint8_t reports[5][8] = {
        {0xF7, 0x30, 0x30, 0x30, 0x31, 0x32, 0x33, 0x34}, {0xF7, 0x32, 0x32, 0x32, 0x30, 0x35, 0x31, 0x30},
        {0xF7, 0x35, 0x31, 0x38, 0x32, 0x30, 0x37, 0x35}, {0xF5, 0x34, 0x31, 0x38, 0x0D, 0x0A, 0x00, 0x00},
        {0xF0}};
    for (const auto& report : reports)
        window.ReadReport(0, report, sizeof report);
    EXPECT_FALSE(up->isHidden());
    EXPECT_TRUE(down->isHidden());
    EXPECT_EQ(window.findChild<LcdLabel*>(QStringLiteral("LabelA"))->caption(), QByteArray("1"));
    for (int tick = 0; tick < 3; ++tick)
        window.ConTimerTimer();
    EXPECT_TRUE(up->isHidden());
    EXPECT_FALSE(down->isHidden());
}

TEST(FrmTest, Panel1StepsThePortKindWhileNotConnected)
{
    TFrmTest window;
    window.Panel1Click();
    EXPECT_EQ(window.ports().PortKind(), 1);
    EXPECT_EQ(window.findChild<BevelPanel*>(QStringLiteral("Panel1"))->caption(), QStringLiteral("COM1"));
}

TEST(FrmTest, ExitPanelClosesTheWindow)
{
    TFrmTest window;
    window.show();
    ASSERT_TRUE(window.isVisible());
    window.Panel3Click();
    EXPECT_FALSE(window.isVisible());
}

// The chart's picture is drawn on the main thread but written on a thread
// of its own; the confirmation comes through the message queue afterwards.
TEST(FrmTest, SavesTheChartPictureOffTheMainThread)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("chart.bmp"));
    TFrmTest window;
    window.show();
    window.ShowDataQ7("000123422205105182075418DA");
    QFileDialog* dialog = window.fileDialog("SavePictureDialog1");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    QTimer::singleShot(0, dialog, [dialog, file] {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        static_cast<QDialog*>(dialog)->accept();
    });
    window.BtSaveClick();

    QDeadlineTimer deadline(10'000);
    QMessageBox* box = nullptr;
    while (!box && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        for (QMessageBox* shown : window.findChildren<QMessageBox*>())
            if (shown->isVisible())
                box = shown;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Graphic has saved on ") + file);
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.read(2), QByteArray("BM"));
}

}  // namespace
