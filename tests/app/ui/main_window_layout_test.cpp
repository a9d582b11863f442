// The main window as laid out: its controls, menu, timers, dialogs, grid,
// chart and the help key.

#include "app/ui/main_window.h"
#include "app/ui/help_viewer.h"
#include "record/ui/record_grid_view.h"
#include "meter/ui/bevel_panel.h"
#include "snapshot.h"
#include "test_case_name.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

/// The caption a control shows, for the kinds that have one.
QString captionOf(const QWidget* widget)
{
    if (const auto* panel = qobject_cast<const BevelPanel*>(widget))
        return panel->caption();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    return {};
}

struct ControlCase {
    const char* name;
    const char* parent;
    QRect geometry;
    bool hidden;
    const char* caption;
    const char* hint;  // tool tip
};

// Children of one parent are listed in stacking order, the lowest first.
const ControlCase kControls[] = {
    {"Label5", "client", {552, 300, 32, 13}, true, "Label5", ""},
    {"ReadBtn", "client", {404, 280, 25, 25}, true, "Read", ""},
    {"USBCon", "client", {816, 3, 169, 25}, true, "USB Connect", "USB Connect"},
    {"Label6", "client", {12, 508, 96, 16}, false, " STORE DATA :", ""},
    {"SpeedButton6", "client", {216, 504, 33, 21}, false, "", ""},
    {"SpeedButton7", "client", {312, 504, 33, 21}, false, "", ""},
    {"SpeedButton8", "client", {248, 504, 32, 21}, false, "", "Save Data"},
    {"SpeedButton9", "client", {280, 504, 33, 21}, false, "", "Delete Data"},
    {"SpeedButton4", "client", {200, 504, 17, 17}, false, "", ""},
    {"DBGrid2", "client", {4, 524, 341, 49}, false, "", ""},
    {"PBar2", "client", {364, 188, 369, 17}, false, "", ""},
    {"Panel7", "client", {4, 314, 357, 26}, false, "", ""},
    {"DevListBox", "client", {404, 368, 17, 25}, true, "", ""},
    {"Panel1", "client", {11, 4, 89, 26}, true, "USB", ""},
    {"Panel3", "client", {653, 4, 81, 29}, false, "EXIT", ""},
    {"Panel40", "client", {4, 36, 357, 275}, false, "", ""},
    {"DBGrid1", "client", {4, 344, 357, 129}, false, "", ""},
    {"HistoryListBox", "client", {404, 396, 21, 21}, true, "", ""},
    {"SetFeature", "client", {412, 324, 29, 33}, false, "SetFeature", ""},
    {"KD", "client", {364, 36, 369, 153}, false, "", ""},
    {"DataReport1", "client", {-64, 624, 794, 1123}, false, "", ""},
    {"Panel2", "client", {8, 4, 105, 29}, false, "Connect", ""},
    {"ListBox1", "client", {480, 720, 329, 329}, true, "", ""},
    {"Chtshow", "client", {364, 208, 371, 265}, false, "", ""},
    {"RepeatSet", "Panel7", {3, 5, 54, 20}, false, "Repeat", ""},
    {"RecordSI", "Panel7", {60, 8, 149, 17}, false, "Sampling Interval            'S", ""},
    {"RecordSITime", "Panel7", {160, 4, 24, 22}, false, "10", ""},
    {"SpeedButton1", "Panel7", {256, 3, 25, 21}, false, "", "Save Data"},
    {"SpeedButton2", "Panel7", {280, 3, 25, 21}, false, "", "Delete Data"},
    {"SpeedButton3", "Panel7", {304, 3, 25, 21}, false, "", "Open Data"},
    {"MajPrint", "Panel7", {328, 3, 25, 21}, false, "", "Print Data"},
    {"KD1", "KD", {2, 2, 365, 149}, false, "", ""},
    {"CONok", "KD", {5, 5, 32, 32}, true, "", ""},
    {"CONokN", "KD", {5, 5, 32, 32}, false, "", ""},
    {"BtFill", "Chtshow", {3, 8, 36, 17}, false, "Fill", "Graphic Fill"},
    {"Maxrecord", "Chtshow", {46, 4, 41, 21}, false, "100", ""},
    {"BtNew", "Chtshow", {106, 4, 35, 21}, false, "", "Delete Graphic"},
    {"BtSave", "Chtshow", {140, 4, 35, 21}, false, "", "Save  Active Graphic"},
    {"BtFirst", "Chtshow", {174, 4, 25, 21}, false, "", "First"},
    {"BTPrevious", "Chtshow", {198, 4, 25, 21}, false, "", "Previous"},
    {"Bt10", "Chtshow", {222, 4, 25, 21}, false, "1", "Page No."},
    {"BtNext", "Chtshow", {246, 4, 25, 21}, false, "", "Next"},
    {"BTlast", "Chtshow", {270, 4, 25, 21}, false, "", "last"},
    {"TbFd", "Chtshow", {334, 3, 25, 25}, false, "", "Graphic Enlarge"},
    {"TbSx", "Chtshow", {334, 3, 25, 25}, true, "", "Graphic Restore"},
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

class ControlTable : public testing::TestWithParam<ControlCase> {};

TEST_P(ControlTable, IsLaidOut)
{
    const ControlCase& expected = GetParam();
    TFrmTest window;
    const auto* widget = window.findChild<QWidget*>(QString::fromLatin1(expected.name));
    ASSERT_NE(widget, nullptr);
    ASSERT_NE(widget->parentWidget(), nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(expected.parent));
    EXPECT_EQ(widget->geometry(), expected.geometry);
    EXPECT_EQ(widget->isHidden(), expected.hidden);
    EXPECT_EQ(captionOf(widget), QString::fromLatin1(expected.caption));
    EXPECT_EQ(widget->toolTip(), QString::fromLatin1(expected.hint));
}

INSTANTIATE_TEST_SUITE_P(Layout, ControlTable, testing::ValuesIn(kControls), CaseName());

TEST(FrmTestLayout, ControlsStackInLayoutOrder)
{
    TFrmTest window;
    for (const char* parent : {"client", "Panel7", "KD", "Chtshow"}) {
        const auto* holder = window.findChild<QWidget*>(QString::fromLatin1(parent));
        ASSERT_NE(holder, nullptr) << parent;
        QStringList expected;
        for (const ControlCase& control : kControls)
            if (std::string_view(control.parent) == parent)
                expected << QString::fromLatin1(control.name);
        QStringList stacked;
        for (const QObject* child : holder->children())
            if (expected.contains(child->objectName()))
                stacked << child->objectName();
        EXPECT_EQ(stacked, expected) << parent;
    }
    // The controls placed at a top of 504 or more lie outside the client area.
    const QRect client = window.centralWidget()->rect();
    for (const ControlCase& control : kControls)
        if (std::string_view(control.parent) == "client" && control.geometry.top() >= 504) {
            EXPECT_FALSE(client.intersects(control.geometry)) << control.name;
        }
}

struct FontCase {
    const char* name;
    int pixels;
    bool bold;
    bool underline;
    QColor colour;  // of the text
};

const FontCase kFonts[] = {
    {"Panel2", 16, true, false, Qt::black},
    {"Panel3", 19, true, false, Qt::black},
    {"Panel1", 20, true, false, QColor(0xFF, 0xFF, 0x00)},
    {"USBCon", 13, true, false, Qt::black},
    {"Label6", 14, true, true, QColor(0x00, 0x00, 0xFF)},
    {"Label5", 11, false, true, {}},  // the window's default font
    {"RepeatSet", 11, false, false, Qt::black},
    {"RecordSI", 11, false, false, Qt::black},
    {"RecordSITime", 11, false, false, Qt::black},
    {"Bt10", 11, false, true, QColor(0x00, 0x00, 0xFF)},
};

TEST(FrmTestLayout, FontsAndTextColours)
{
    TFrmTest window;
    for (const FontCase& expected : kFonts) {
        SCOPED_TRACE(expected.name);
        const auto* widget = window.findChild<QWidget*>(QString::fromLatin1(expected.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->font().pixelSize(), expected.pixels);
        EXPECT_EQ(widget->font().bold(), expected.bold);
        EXPECT_EQ(widget->font().underline(), expected.underline);
        if (!expected.colour.isValid())
            continue;
        if (qobject_cast<const BevelPanel*>(widget))
            continue;  // the panels draw their captions themselves; see their snapshot
        const QPalette::ColorRole role =
            qobject_cast<const QLineEdit*>(widget) ? QPalette::Text
            : qobject_cast<const QAbstractButton*>(widget) ? QPalette::ButtonText
                                                           : QPalette::WindowText;
        EXPECT_EQ(widget->palette().color(role), expected.colour);
    }
}

struct MenuCase {
    const char* name;
    const char* caption;
    bool visible;
    bool checked;
};

const MenuCase kMenu[] = {
    {"Comset", "ComSet", false, false},       {"COM", " COM", true, false},
    {"COM1", "COM1", true, true},             {"COM2", "COM2", true, false},
    {"COM3", "COM3", true, false},            {"COM4", "COM4", true, false},
    {"USB", " USB", true, false},             {"Grap", "Graph", false, false},
    {"Savepicture", " Save Whole", true, false}, {"Move", " GoTo", true, false},
    {"FirstP", "First", true, false},         {"NextP", "Next", true, false},
    {"LastP", "Last", true, false},           {"PrivousP", "Privous", true, false},
    {"FillP", " Fill", true, true},           {"ClearP", " Clear", true, false},
    {"Rec", "Record", true, false},           {"New1", " New", false, false},
    {"SaveR", " Save", false, false},         {"RecSet", " RecordSet", true, false},
    {"set1k", "1000", true, false},           {"set5k", "5000", true, false},
    {"set10k", "10000", true, true},          {"set50k", "50000", true, false},
    {"set100k", "100000", true, false},       {"setlimit", "Limitless", true, false},
    {"ClearR", " Clear All", false, false},   {"SearchR", " Search", false, false},
    {"ReconnectAuto", " Reconnect automatically", true, false},
    {"StatisticsR", " Statistics...", true, false},
    {"About1", "About", false, false},        {"HELP1", "  Help     ", true, false},
    {"About2", "  About...", false, false},
};

QStringList visibleCaptions(const QList<QAction*>& actions)
{
    QStringList captions;
    for (const QAction* action : actions)
        if (action->isVisible())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

TEST(FrmTestLayout, MenuCaptionsMarksAndVisibility)
{
    TFrmTest window;
    for (const MenuCase& expected : kMenu) {
        SCOPED_TRACE(expected.name);
        const auto* item = window.findChild<QAction*>(QString::fromLatin1(expected.name));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), QString::fromLatin1(expected.caption));
        EXPECT_EQ(item->isVisible(), expected.visible);
        EXPECT_EQ(item->isChecked(), expected.checked);
    }

    // What a user sees: only "Record", and in it " RecordSet" with the six
    // limits and, apart, the switch for reconnecting and the statistics.
    EXPECT_EQ(visibleCaptions(window.menuBar()->actions()), QStringList{QStringLiteral("Record")});
    const auto* record = window.findChild<QMenu*>(QStringLiteral("Rec"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(visibleCaptions(record->actions()),
              (QStringList{QStringLiteral(" RecordSet"), QStringLiteral("-"), QStringLiteral(" Reconnect automatically"),
                           QStringLiteral(" Statistics...")}));
    EXPECT_TRUE(window.findChild<QAction*>(QStringLiteral("ReconnectAuto"))->isCheckable());
    const auto* limits = window.findChild<QMenu*>(QStringLiteral("RecSet"));
    ASSERT_NE(limits, nullptr);
    EXPECT_EQ(visibleCaptions(limits->actions()),
              (QStringList{QStringLiteral("1000"), QStringLiteral("5000"), QStringLiteral("10000"),
                           QStringLiteral("50000"), QStringLiteral("100000"), QStringLiteral("Limitless")}));
    const auto* about = window.findChild<QMenu*>(QStringLiteral("About1"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(visibleCaptions(about->actions()), (QStringList{QStringLiteral("  Help     "), QStringLiteral("-")}));
    EXPECT_EQ(window.findChild<QAction*>(QStringLiteral("HELP1"))->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST(FrmTestLayout, MenuClicksShowTheStatesMarks)
{
    TFrmTest window;
    window.findChild<QAction*>(QStringLiteral("COM2"))->trigger();
    EXPECT_EQ(window.ports().PortKind(), 2);
    EXPECT_TRUE(window.findChild<QAction*>(QStringLiteral("COM2"))->isChecked());
    EXPECT_FALSE(window.findChild<QAction*>(QStringLiteral("COM1"))->isChecked());
    EXPECT_EQ(window.findChild<BevelPanel*>(QStringLiteral("Panel1"))->caption(), QStringLiteral("COM2"));

    // A click toggles the action by itself, yet the mark follows the state.
    window.findChild<QAction*>(QStringLiteral("COM2"))->trigger();
    EXPECT_EQ(window.findChild<QAction*>(QStringLiteral("COM2"))->isChecked(), window.ports().marked("COM2"));
}

// The switch is the cable connection's own; the mark shows it.
TEST(FrmTestLayout, ReconnectAutomaticallySwitchesTheLink)
{
    TFrmTest window;
    auto* item = window.findChild<QAction*>(QStringLiteral("ReconnectAuto"));
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(window.session().link().reconnectAutomatically());
    for (const bool on : {true, false}) {
        item->trigger();
        EXPECT_EQ(window.session().link().reconnectAutomatically(), on);
        EXPECT_EQ(item->isChecked(), on);
    }
}

TEST(FrmTestLayout, F1OpensTheHelpBesideTheProgramAlthoughItsMenuIsHidden)
{
    // Started from another working folder, help still looks beside the program.
    const QString previous = QDir::currentPath();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));

    TFrmTest window;
    QStringList shown;
    window.setHelpShower([&shown](const QString& path) { shown << path; });
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_FALSE(window.findChild<QAction*>(QStringLiteral("About1"))->isVisible());

    QTest::keyClick(&window, Qt::Key_F1);
    QDir::setCurrent(previous);

    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(QDir::cleanPath(shown.front()), QDir(QCoreApplication::applicationDirPath()).filePath("zq7.hlp"));
    EXPECT_EQ(window.HelpFile(), shown.front().toLocal8Bit().toStdString());
}

TEST(FrmTestLayout, HelpViewerShowsTheInstalledHelpFile)
{
    // The build puts the help file beside the program.
    const QString installed = QStringLiteral(ZQ_PROGRAM_DIR "/zq7.hlp");
    HelpViewer viewer;
    ASSERT_TRUE(viewer.load(installed)) << viewer.errorText().toStdString();
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("zqmeter Help"));
    const QString text = viewer.browser()->toPlainText();
    for (const char* topic : {"Connecting the cable", "70-zqmeter.rules", "1a86:e008", "04fa:2490", "Recording",
                              "Files", "Printing"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(topic))) << topic;

    // A missing file leaves what is shown and names the path.
    const QString missing = QStringLiteral("/nowhere/zq7.hlp");
    EXPECT_FALSE(viewer.load(missing));
    EXPECT_TRUE(viewer.errorText().contains(QDir::toNativeSeparators(missing)));
    EXPECT_EQ(viewer.browser()->toPlainText(), text);
}

TEST(FrmTestLayout, HelpWindowClosesWithEscapeOrItsCloseButton)
{
    HelpViewer viewer;
    ASSERT_TRUE(viewer.load(QStringLiteral(ZQ_PROGRAM_DIR "/zq7.hlp")));
    auto* close = viewer.findChild<QDialogButtonBox*>(QStringLiteral("HelpButtons"))->button(QDialogButtonBox::Close);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text().remove(QLatin1Char('&')), QStringLiteral("Close"));  // the mnemonic is the theme's
    const std::pair<const char*, std::function<void()>> ways[] = {
        // With the focus in the page, as after a click on it.
        {"Escape", [&] { QTest::keyClick(viewer.browser(), Qt::Key_Escape); }},
        {"Close", [&] { close->click(); }},
    };
    for (const auto& [name, closeIt] : ways) {
        SCOPED_TRACE(name);
        viewer.show();
        viewer.browser()->setFocus();
        ASSERT_TRUE(viewer.isVisible());
        closeIt();
        EXPECT_FALSE(viewer.isVisible());
    }
    // Shown again, it still holds the help.
    viewer.show();
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Connecting the cable")));
    saveSnapshot(viewer, QStringLiteral("help-window"));
}

TEST(FrmTestLayout, DefaultHelpShowerOpensTheViewerWindow)
{
    TFrmTest window;
    EXPECT_EQ(window.helpViewer(), nullptr);
    window.showHelpFile(QStringLiteral(ZQ_PROGRAM_DIR "/zq7.hlp"));
    ASSERT_NE(window.helpViewer(), nullptr);
    EXPECT_TRUE(window.helpViewer()->isVisible());
    EXPECT_TRUE(window.helpViewer()->isWindow());
    saveSnapshot(*window.helpViewer(), QStringLiteral("help-window"));
}

TEST(FrmTestLayout, TimersWithTheirIntervalsAndStartStates)
{
    TFrmTest window;
    const std::tuple<const char*, int, bool> timers[] = {
        {"ConTimer", 100, true},     {"SampInterTime", 1000, true}, {"Engertimer", 500, false},
        {"Timer_range", 1000, false}, {"Timer1", 1000, false},
    };
    for (const auto& [name, interval, active] : timers) {
        const auto* timer = window.findChild<QTimer*>(QString::fromLatin1(name));
        ASSERT_NE(timer, nullptr) << name;
        EXPECT_EQ(timer->interval(), interval) << name;
        EXPECT_EQ(timer->isActive(), active) << name;
    }
}

TEST(FrmTestLayout, FileDialogsWithFiltersExtensionsAndOptions)
{
    TFrmTest window;
    const QStringList records{QStringLiteral("Excel File(*.xls)"), QStringLiteral("XML(*.xml)"),
                              QStringLiteral("Txt File(*.txt)")};
    const std::tuple<const char*, QStringList, const char*, QFileDialog::AcceptMode, bool> dialogs[] = {
        {"SaveDialog2", records, "xls", QFileDialog::AcceptSave, true},
        {"OpenDialog1", records, "", QFileDialog::AcceptOpen, true},
        {"SavePictureDialog1", {QStringLiteral("Bitmaps (*.bmp)")}, "bmp", QFileDialog::AcceptSave, false},
    };
    for (const auto& [name, filters, suffix, mode, confirms] : dialogs) {
        SCOPED_TRACE(name);
        QFileDialog* dialog = window.fileDialog(name);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QString::fromLatin1(name));
        EXPECT_EQ(dialog->nameFilters(), filters);
        EXPECT_EQ(dialog->selectedNameFilter(), filters.front());
        EXPECT_EQ(dialog->defaultSuffix(), QString::fromLatin1(suffix));
        EXPECT_EQ(dialog->acceptMode(), mode);
        if (mode == QFileDialog::AcceptSave) {
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite), !confirms);
        }
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(window.fileDialog(name), dialog);  // one dialog each
    }
    EXPECT_EQ(window.fileDialog("SaveDialog1"), nullptr);
}

// A name typed without an extension gets the one of the file type chosen:
// "XML(*.xml)" and "data" save data.xml, not data.xls as text.
TEST(FrmTestLayout, TheSaveDialogsSuffixFollowsTheChosenType)
{
    TFrmTest window;
    QTemporaryDir folder;
    QFileDialog* dialog = window.fileDialog("SaveDialog2");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(folder.path());
    for (const auto& [filter, suffix] : {std::pair{"XML(*.xml)", "xml"}, std::pair{"Txt File(*.txt)", "txt"},
                                         std::pair{"Excel File(*.xls)", "xls"}}) {
        SCOPED_TRACE(filter);
        dialog->show();
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        const int index = types->findText(QString::fromLatin1(filter));
        ASSERT_GE(index, 0);
        // As the user picks it from the list: the box changes and says so.
        types->setCurrentIndex(index);
        emit types->activated(index);
        emit types->textActivated(types->itemText(index));
        EXPECT_EQ(dialog->defaultSuffix(), QString::fromLatin1(suffix));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("data"));
        static_cast<QDialog*>(dialog)->accept();  // the dialog's own accept, as its Save button does
        ASSERT_EQ(dialog->selectedFiles().size(), 1);
        EXPECT_EQ(QFileInfo(dialog->selectedFiles().constFirst()).fileName(),
                  QStringLiteral("data.") + QString::fromLatin1(suffix));
    }
}

TEST(FrmTestLayout, RecordGridHasItsColumnsAndFixedRows)
{
    TFrmTest window;
    auto* grid = window.findChild<RecordGridView*>(QStringLiteral("DBGrid1"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->table(), &window.session().cds1());
    EXPECT_EQ(grid->shownRowCount(), 0u);
    const std::pair<const char*, int> columns[] = {{"No", 35},     {"Time", 50},   {"Value", 48},   {"Unit", 40},
                                                   {"V_Value", 51}, {"V_Unit", 35}, {"I_Value", 51}, {"I_Unit", 35}};
    ASSERT_EQ(RecordGridView::columns().size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_STREQ(RecordGridView::columns()[static_cast<std::size_t>(i)].title, columns[i].first);
        EXPECT_EQ(grid->columnWidth(i), columns[i].second) << columns[i].first;
    }

    auto* strip = window.findChild<QTableView*>(QStringLiteral("DBGrid2"));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->palette().color(QPalette::Base), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(strip->model()->columnCount(), 6);
    EXPECT_EQ(strip->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("SI_Range"));
}

TEST(FrmTestLayout, ChartWithItsAxesAndSeries)
{
    TFrmTest window;
    auto* chart = window.findChild<QCustomPlot*>(QStringLiteral("Chtshow"));
    ASSERT_NE(chart, nullptr);
    EXPECT_FALSE(chart->legend->visible());
    EXPECT_EQ(chart->interactions(), QCP::Interactions());
    // FormCreate has ChartControl show page 1.
    EXPECT_EQ(chart->xAxis->range(), QCPRange(1, 100));
    EXPECT_EQ(chart->yAxis->range(), QCPRange(-11000, 11000));
    EXPECT_EQ(chart->yAxis->tickLengthOut(), 3);
    EXPECT_EQ(chart->yAxis->subTickLengthOut(), 3);
    ASSERT_EQ(chart->graphCount(), 2);
    EXPECT_EQ(chart->graph(0)->name(), QStringLiteral("Series2"));
    EXPECT_EQ(chart->graph(0)->brush().color(), QColor(255, 255, 128));
    EXPECT_EQ(chart->graph(0)->pen().color(), QColor(0, 128, 255));
    EXPECT_EQ(chart->graph(1)->name(), QStringLiteral("Series1"));
    EXPECT_EQ(chart->graph(1)->brush().style(), Qt::NoBrush);
    EXPECT_EQ(chart->graph(1)->pen().color(), QColor(128, 255, 0));
    EXPECT_EQ(chart->graph(0)->dataCount(), 1);  // the placeholder
    for (const char* tool : {"BtFill", "Maxrecord", "BtNew", "Bt10", "TbFd"})
        EXPECT_EQ(chart->findChild<QWidget*>(QString::fromLatin1(tool))->cursor().shape(), Qt::ArrowCursor) << tool;
}

}  // namespace
