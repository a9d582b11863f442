// The main window's layout: every control with its name, place, font,
// colours and hint, created in the layout's order so that a later control
// lies above an earlier one; then the menu, the timers and the status bar.

#include "app/main_menu.h"
#include "app/ui/main_window.h"
#include "app/ui/layout_fonts.h"
#include "chart/ui/chart_look.h"
#include "record/ui/record_grid_view.h"
#include "app/ui/svg_icon.h"
#include "meter/ui/bevel_panel.h"
#include "meter/ui/dial_picture.h"
#include "meter/ui/lcd_fonts.h"
#include "meter/ui/lcd_panel.h"
#include "meter/ui/svg_picture.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <qcustomplot.h>

namespace {

constexpr QSize kClientSize{739, 479};
constexpr QColor kSkyBlue{0xA6, 0xCA, 0xF0};

QString latin1(const char* text) { return QString::fromLatin1(text); }

template <typename Widget>
Widget* named(Widget* widget, const char* name, QRect geometry)
{
    widget->setObjectName(latin1(name));
    widget->setGeometry(geometry);
    return widget;
}

/// The layout places check box captions right after a box of 13 pixels;
/// the style's wider gap would cut "Repeat" short and push the end of
/// "Sampling Interval" under the seconds box.
void tightenCheckBox(QCheckBox* box, int gap)
{
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: %1px; }").arg(gap));
}

void setTextColour(QWidget* widget, QColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

/// A hint the user sees as a tool tip; one the layout does not show is
/// kept as the "hint" property only.
void setHint(QWidget* widget, const char* hint, bool shown = true)
{
    if (shown)
        widget->setToolTip(latin1(hint));
    else
        widget->setProperty("hint", latin1(hint));
}

BevelPanel* captionPanel(QWidget* parent, const char* name, QRect geometry, const char* caption, int pixels,
                         QColor captionColour, BevelPanel::Bevel inner)
{
    auto* panel = named(new BevelPanel(parent), name, geometry);
    panel->setBevels(BevelPanel::Bevel::Raised, inner);
    panel->setCaption(latin1(caption));
    panel->setFont(lcdFont(LcdTypeface::Arial, pixels, true));
    panel->setCaptionColor(captionColour);
    panel->setCursor(Qt::PointingHandCursor);
    return panel;
}

/// A flat button; @p picture is a resource drawn at @p pictureSize, or nullptr.
QToolButton* flatButton(QWidget* parent, const char* name, QRect geometry, const char* picture = nullptr,
                        QSize pictureSize = {16, 15})
{
    auto* button = named(new QToolButton(parent), name, geometry);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (picture) {
        button->setIcon(svgIcon(latin1(picture), {pictureSize}));
        button->setIconSize(pictureSize);
    }
    return button;
}

QListWidget* listBox(QWidget* parent, const char* name, QRect geometry)
{
    auto* list = named(new QListWidget(parent), name, geometry);
    list->hide();
    return list;
}

/// A status field: the window's width is fixed, so a text longer than the
/// room its field got shows elided rather than cut off mid-letter.
class StatusField : public QLabel {
public:
    StatusField(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect room = contentsRect();
        painter.drawText(room, static_cast<int>(alignment()), fontMetrics().elidedText(text(), mode_, room.width()));
    }

private:
    Qt::TextElideMode mode_;
};

}  // namespace

void TFrmTest::buildLayout()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientSize);
    client->setAutoFillBackground(true);
    client->setFont(msSansSerif(11, true));
    setCentralWidget(client);
    setWindowIcon(svgIcon(QStringLiteral(":/pictures/bar_chart.svg"), {{16, 16}, {32, 32}}));

    Label5 = named(new QLabel(QStringLiteral("Label5"), client), "Label5", {552, 300, 32, 13});
    Label5->hide();
    ReadBtn = flatButton(client, "ReadBtn", {404, 280, 25, 25});
    ReadBtn->setText(QStringLiteral("Read"));
    ReadBtn->hide();
    USBCon = flatButton(client, "USBCon", {816, 3, 169, 25});
    USBCon->setText(QStringLiteral("USB Connect"));
    USBCon->setCheckable(true);
    USBCon->setFont(arial(13, true));
    setTextColour(USBCon, Qt::black);
    setHint(USBCon, "USB Connect");
    USBCon->hide();

    // Below the client area: out of sight and reach at the window's size.
    auto* Label6 = named(new QLabel(QStringLiteral(" STORE DATA :"), client), "Label6", {12, 508, 96, 16});
    Label6->setFont(arial(14, true, false, true));
    setTextColour(Label6, QColor(0x00, 0x00, 0xFF));
    flatButton(client, "SpeedButton6", {216, 504, 33, 21}, ":/pictures/double_up_arrow.svg", {16, 16});
    flatButton(client, "SpeedButton7", {312, 504, 33, 21}, ":/pictures/printer.svg");
    setHint(flatButton(client, "SpeedButton8", {248, 504, 32, 21}, ":/pictures/floppy_red.svg", {14, 14}),
            "Save Data");
    setHint(flatButton(client, "SpeedButton9", {280, 504, 33, 21}, ":/pictures/cross_red.svg", {16, 16}),
            "Delete Data");
    flatButton(client, "SpeedButton4", {200, 504, 17, 17});
    auto* emptyPanel = new BevelPanel(client);
    emptyPanel->setGeometry(252, 724, 41, 5);
    emptyPanel->hide();
    DBGrid2 = named(new QTableView(client), "DBGrid2", {4, 524, 341, 49});
    {
        QPalette palette = DBGrid2->palette();
        palette.setColor(QPalette::Base, kSkyBlue);
        DBGrid2->setPalette(palette);
        auto* columns = new QStandardItemModel(0, 6, DBGrid2);
        columns->setHorizontalHeaderLabels({QStringLiteral("SNo"), QStringLiteral("STime"), QStringLiteral("SValue"),
                                            QStringLiteral("SUnit"), QStringLiteral("SV_Range"),
                                            QStringLiteral("SI_Range")});
        DBGrid2->setModel(columns);
    }

    PBar2 = named(new QProgressBar(client), "PBar2", {364, 188, 369, 17});
    PBar2->setTextVisible(false);
    PBar2->setRange(0, 60);
    PBar2->setValue(20);

    Panel7 = named(new BevelPanel(client), "Panel7", {4, 314, 357, 26});
    Panel7->setBevels(BevelPanel::Bevel::Lowered, BevelPanel::Bevel::None);
    buildRecordStrip();

    DevListBox = listBox(client, "DevListBox", {404, 368, 17, 25});

    Panel1 = captionPanel(client, "Panel1", {11, 4, 89, 26}, "USB", 20, QColor(0xFF, 0xFF, 0x00),
                          BevelPanel::Bevel::Lowered);
    Panel1->setColor(palette().color(QPalette::Inactive, QPalette::Highlight));
    Panel1->hide();
    connect(Panel1, &BevelPanel::clicked, this, &TFrmTest::Panel1Click);
    Panel3 = captionPanel(client, "Panel3", {653, 4, 81, 29}, "EXIT", 19, Qt::black, BevelPanel::Bevel::Raised);
    connect(Panel3, &BevelPanel::clicked, this, &TFrmTest::Panel3Click);

    Panel40 = new LcdPanel(client);

    DBGrid1 = named(new RecordGridView(client), "DBGrid1", {4, 344, 357, 129});
    DBGrid1->applyRecordGridColumns();

    HistoryListBox = listBox(client, "HistoryListBox", {404, 396, 21, 21});
    SetFeature = named(new QPushButton(QStringLiteral("SetFeature"), client), "SetFeature", {412, 324, 29, 33});

    KD = named(new BevelPanel(client), "KD", {364, 36, 369, 153});
    KD->setColor(Qt::white);
    KD->setBevels(BevelPanel::Bevel::Raised, BevelPanel::Bevel::Lowered);
    KD1 = named(new DialPicture(KD), "KD1", {2, 2, 365, 149});
    CONok = named(new SvgPicture(QStringLiteral(":/pictures/link_up.svg"), KD), "CONok", {5, 5, 32, 32});
    CONokN = named(new SvgPicture(QStringLiteral(":/pictures/link_down.svg"), KD), "CONokN", {5, 5, 32, 32});

    // Holders of reports that nothing prints.
    for (const QRect& geometry : {QRect(120, 716, 49, 37), QRect(212, 716, 41, 33), QRect(160, 716, 53, 37)}) {
        auto* holder = new BevelPanel(client);
        holder->setGeometry(geometry);
        holder->hide();
    }
    named(new QWidget(client), "DataReport1", {-64, 624, 794, 1123});

    Panel2 = captionPanel(client, "Panel2", {8, 4, 105, 29}, "Connect", 16, Qt::black, BevelPanel::Bevel::Raised);
    connect(Panel2, &BevelPanel::clicked, this, &TFrmTest::Panel2Click);
    ListBox1 = listBox(client, "ListBox1", {480, 720, 329, 329});
    buildChart(client);

    buildMenu();
    buildTimers();
    buildStatusBar();
    adjustSize();
    setFixedSize(size());
}

void TFrmTest::buildRecordStrip()
{
    RepeatSet = named(new QCheckBox(QStringLiteral("Repeat"), Panel7), "RepeatSet", {3, 5, 54, 20});
    RepeatSet->setFont(msSansSerif(11));
    setTextColour(RepeatSet, Qt::black);
    setHint(RepeatSet, "Repeage Record", false);
    tightenCheckBox(RepeatSet, 3);

    // The seconds box sits over the blank run of the caption, so the strip
    // reads "Sampling Interval [10] 'S".
    RecordSI = named(new QCheckBox(QStringLiteral("Sampling Interval            'S"), Panel7), "RecordSI",
                     {60, 8, 149, 17});
    RecordSI->setFont(arial(11));
    setTextColour(RecordSI, Qt::black);
    tightenCheckBox(RecordSI, 0);
    RecordSITime = named(new QLineEdit(QStringLiteral("10"), Panel7), "RecordSITime", {160, 4, 24, 22});
    RecordSITime->setFont(arial(11));
    {
        QPalette palette = RecordSITime->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        RecordSITime->setPalette(palette);
    }

    SpeedButton1 = flatButton(Panel7, "SpeedButton1", {256, 3, 25, 21}, ":/pictures/floppy.svg");
    setHint(SpeedButton1, "Save Data");
    SpeedButton2 = flatButton(Panel7, "SpeedButton2", {280, 3, 25, 21}, ":/pictures/cross.svg", {16, 16});
    setHint(SpeedButton2, "Delete Data");
    SpeedButton3 = flatButton(Panel7, "SpeedButton3", {304, 3, 25, 21}, ":/pictures/open_folder.svg");
    setHint(SpeedButton3, "Open Data");
    MajPrint = flatButton(Panel7, "MajPrint", {328, 3, 25, 21}, ":/pictures/printer.svg");
    setHint(MajPrint, "Print Data");
}

void TFrmTest::buildChart(QWidget* client)
{
    Chtshow = named(new QCustomPlot(client), "Chtshow", {364, 208, 371, 265});
    applyChartLook(*Chtshow);

    // The chart's tools, on the chart itself.
    BtFill = named(new QCheckBox(QStringLiteral("Fill"), Chtshow), "BtFill", {3, 8, 36, 17});
    BtFill->setChecked(true);
    tightenCheckBox(BtFill, 3);
    setHint(BtFill, "Graphic Fill");
    Maxrecord = named(new QLineEdit(QStringLiteral("100"), Chtshow), "Maxrecord", {46, 4, 41, 21});
    BtNew = flatButton(Chtshow, "BtNew", {106, 4, 35, 21}, ":/pictures/cross.svg", {16, 16});
    setHint(BtNew, "Delete Graphic");
    BtSave = flatButton(Chtshow, "BtSave", {140, 4, 35, 21}, ":/pictures/floppy.svg");
    setHint(BtSave, "Save  Active Graphic");
    BtFirst = flatButton(Chtshow, "BtFirst", {174, 4, 25, 21}, ":/pictures/arrow_first.svg");
    setHint(BtFirst, "First");
    BTPrevious = flatButton(Chtshow, "BTPrevious", {198, 4, 25, 21}, ":/pictures/arrow_previous.svg");
    setHint(BTPrevious, "Previous");
    Bt10 = flatButton(Chtshow, "Bt10", {222, 4, 25, 21});
    Bt10->setText(QStringLiteral("1"));
    setTextColour(Bt10, QColor(0x00, 0x00, 0xFF));
    setHint(Bt10, "Page No.");
    BtNext = flatButton(Chtshow, "BtNext", {246, 4, 25, 21}, ":/pictures/arrow_next.svg");
    setHint(BtNext, "Next");
    BTlast = flatButton(Chtshow, "BTlast", {270, 4, 25, 21}, ":/pictures/arrow_last.svg");
    setHint(BTlast, "last");
    TbFd = named(new SvgPicture(QStringLiteral(":/pictures/zoom_in.svg"), Chtshow), "TbFd", {334, 3, 25, 25});
    setHint(TbFd, "Graphic Enlarge");
    TbSx = named(new SvgPicture(QStringLiteral(":/pictures/zoom_out.svg"), Chtshow), "TbSx", {334, 3, 25, 25});
    setHint(TbSx, "Graphic Restore");
    TbSx->hide();
    for (QWidget* tool : Chtshow->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        tool->setCursor(Qt::ArrowCursor);
}

void TFrmTest::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    std::map<std::string_view, QMenu*> menus;
    for (const MenuItemLayout& item : mainMenuLayout()) {
        QAction* action = nullptr;
        if (item.separator()) {
            action = menus.at(item.parent)->addSeparator();
        } else if (isSubmenu(item.name)) {
            auto* menu = new QMenu(latin1(item.caption), item.parent ? static_cast<QWidget*>(menus.at(item.parent))
                                                                     : static_cast<QWidget*>(bar));
            menu->setObjectName(latin1(item.name));
            menus[item.name] = menu;
            action = item.parent ? menus.at(item.parent)->addMenu(menu) : bar->addMenu(menu);
        } else {
            action = new QAction(latin1(item.caption), this);
            menus.at(item.parent)->addAction(action);
        }
        action->setObjectName(latin1(item.name));
        action->setVisible(item.visible);
        action->setCheckable(item.checkable);
        if (item.picture)
            action->setIcon(svgIcon(latin1(item.picture), {{16, 16}}));
        if (item.shortcut) {
            action->setShortcut(QKeySequence(latin1(item.shortcut)));
            // The shortcut works although its menu is hidden: the window
            // itself carries the action too.
            addAction(action);
        }
        menuItems_.emplace(item.name, action);
    }

    connect(menuItems_.at("HELP1"), &QAction::triggered, this, &TFrmTest::HELP1Click);
    connect(menuItems_.at("About2"), &QAction::triggered, this, &TFrmTest::About2Click);
    // A click toggles a checkable action by itself; the marks belong to the
    // units, so show them again after every click.
    for (const auto& [name, action] : menuItems_)
        if (action->isCheckable())
            connect(action, &QAction::triggered, this, &TFrmTest::renderMenuMarks);
}

void TFrmTest::buildTimers()
{
    struct TimerLayout {
        QTimer* TFrmTest::*timer;
        const char* name;
        int interval;  // [ms]
        bool running;
        std::function<void()> handler;
    };
    const TimerLayout timers[] = {
        {&TFrmTest::ConTimer, "ConTimer", 100, true, [this] { ConTimerTimer(); }},
        {&TFrmTest::SampInterTime, "SampInterTime", 1000, true, [this] { session_.sampling().SampInterTimeTimer(); }},
        // Engertimer and Timer1 never run.
        {&TFrmTest::Engertimer, "Engertimer", 500, false, nullptr},
        {&TFrmTest::Timer_range, "Timer_range", 1000, false, [this] { Timer_rangeTimer(); }},
        {&TFrmTest::Timer1, "Timer1", 1000, false, nullptr},
    };
    for (const TimerLayout& layout : timers) {
        auto* timer = new QTimer(this);
        timer->setObjectName(latin1(layout.name));
        timer->setInterval(layout.interval);
        if (layout.handler)
            connect(timer, &QTimer::timeout, this, layout.handler);
        if (layout.running)
            timer->start();
        this->*layout.timer = timer;
    }
}

// Below the client area, which keeps its size: the window grows by the bar.
void TFrmTest::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    bar->setFont(msSansSerif(11));
    struct FieldLayout {
        QLabel* TFrmTest::*label;
        const char* name;
        /// [px] the usual texts fit, so the fields do not jump as they change
        int minimumWidth;
    };
    const FieldLayout fields[] = {
        {&TFrmTest::statusLink_, "StatusLink", 160},   {&TFrmTest::statusRows_, "StatusRows", 110},
        {&TFrmTest::statusRule_, "StatusRule", 150},   {&TFrmTest::statusJournal_, "StatusJournal", 0},
        {&TFrmTest::statusLastRow_, "StatusLastRow", 100},
    };
    for (const FieldLayout& field : fields) {
        const bool journal = field.label == &TFrmTest::statusJournal_;
        // A journal's name and a failure's reason sit at the ends of the text.
        QLabel* label = new StatusField(bar, journal ? Qt::ElideMiddle : Qt::ElideRight);
        label->setObjectName(latin1(field.name));
        label->setMinimumWidth(field.minimumWidth);
        this->*field.label = label;
        if (field.label == &TFrmTest::statusLastRow_)
            bar->addPermanentWidget(label);
        else
            bar->addWidget(label, journal ? 1 : 0);
    }
    // The journal takes what the others leave; the limit's notice, wider
    // than the row count, then narrows it.
    statusJournal_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}
