#include "app/ui/main_window.h"

#include "app/help_file_location.h"
#include "app/locale_decimal.h"
#include "app/main_menu.h"
#include "app/ui/frm_about.h"
#include "app/ui/help_viewer.h"
#include "app/ui/layout_file_dialog.h"
#include "app/ui/qt_hid_dispatcher.h"
#include "app/ui/statistics_window.h"
#include "chart/ui/chart_context_menu.h"
#include "chart/ui/chart_enlarger.h"
#include "chart/ui/chart_picture.h"
#include "chart/ui/qcustomplot_chart_engine.h"
#include "link/hid/hid_native_platform.h"
#include "meter/ui/bevel_panel.h"
#include "meter/ui/dial_picture.h"
#include "meter/ui/digit_key_filter.h"
#include "meter/ui/lcd_label.h"
#include "meter/ui/lcd_panel.h"
#include "meter/ui/svg_picture.h"
#include "record/ui/record_file_progress.h"
#include "record/ui/record_grid_view.h"
#include "report/ui/data_report_preview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <qcustomplot.h>

namespace {

QString fromModel(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

std::string encodedName(const QString& file) { return QFile::encodeName(file).toStdString(); }

/// A message whose text is a Qt text that may name a file.
UserMessage fileMessage(UserMessage::Icon icon, std::string caption, const QString& text)
{
    return {icon, std::move(caption), QFile::encodeName(text).toStdString(), true};
}

/// Asked before the window closes with @p rows readings not saved.
UserMessage closeQuestion(std::size_t rows, UserMessage::ReplyHandler onReply)
{
    std::string text = rows == 1 ? "1 reading recorded since the last save is not saved. Save it before closing?"
                                 : std::to_string(rows) +
                                       " readings recorded since the last save are not saved. Save them before closing?";
    return UserMessage::question(UserMessage::Icon::Question, "Confirm", std::move(text),
                                 UserMessage::Buttons::SaveDiscardCancel, std::move(onReply));
}

void setChangedText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

/// A field the user must notice: in red.
void setHighlighted(QLabel* label, bool on)
{
    QPalette palette = label->palette();
    const QColor normal = label->parentWidget()->palette().color(QPalette::WindowText);
    palette.setColor(QPalette::WindowText, on ? QColor(Qt::red) : normal);
    label->setPalette(palette);
}

}  // namespace

TFrmTest::TFrmTest(std::shared_ptr<THidPlatform> platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(QStringLiteral("ZQ9  Interface Program Ver:3.00"));
    helpShower_ = [this](const QString& path) { showHelpFile(path); };
    buildLayout();
    // Over the LCD panel, shown while the reading is beyond a limit.
    limitFrame_ = new QFrame(Panel40->parentWidget());
    limitFrame_->setObjectName(QStringLiteral("LimitFrame"));
    limitFrame_->setAttribute(Qt::WA_TransparentForMouseEvents);
    limitFrame_->setStyleSheet(QStringLiteral("#LimitFrame { border: 3px solid red; background: transparent; }"));
    limitFrame_->setGeometry(Panel40->geometry());
    limitFrame_->hide();

    // The HID controller is one of the window's components: it lists the
    // devices and runs the first device-change pass while the window is
    // built, before FormCreate. Its dispatcher is also the one way the rest
    // reaches the main thread: file jobs' endings and message boxes.
    dispatcher_ = new QtHidDispatcher(this);
    connect(dispatcher_, &QtHidDispatcher::ran, this, &TFrmTest::renderReading);
    const MessageBoxes::Post post = [this](std::function<void()> work) { dispatcher_->Post(std::move(work)); };
    messages_ = new MessageBoxes(this, post);
    session_.setMessageSink([this](const UserMessage& message) { messages_->show(message); });
    session_.sampling().setTimeSeparator(systemTimeSeparator());
    session_.dial().keepDrawings(true);
    RecordFileCommands& files = session_.recordFiles();
    files.post = post;
    files.jobStarted = [this](auto progress) { RecordFileProgress::watch(this, std::move(progress)); };
    files.repaintWindow = [this] { update(); };
    session_.onFileCommandEnded = [this](RecordFileCommand command, bool ok) { fileCommandEnded(command, ok); };
    chartEngine_ = std::make_unique<QCustomPlotChartEngine>(*Chtshow);
    chartEnlarger_ = std::make_unique<ChartEnlarger>(*this, *Chtshow, *TbFd, *TbSx);
    chartMenu_ = std::make_unique<ChartContextMenu>(*Chtshow, session_.chart());
    // A failure is in the history list; the program runs without the cable.
    session_.startHid(platform ? std::move(platform) : CreateNativeHidPlatform(), *dispatcher_);

    FormCreate();
    DBGrid1->setTable(&session_.cds1());
    connectControls();
    FrmAbout = new TFrmAbout(this);
}

TFrmTest::~TFrmTest()
{
    // The grid outlives the session (widgets go after the members): unbind it first.
    DBGrid1->setTable(nullptr);
}

void TFrmTest::connectControls()
{
    // Recording strip and record commands.
    connect(RepeatSet, &QCheckBox::toggled, this, [this](bool on) {
        session_.sampling().setRepeatSet(on);
        renderStatus();
    });
    connect(RecordSI, &QCheckBox::toggled, this, [this](bool on) {
        session_.sampling().setRecordSI(on);
        renderStatus();
    });
    connect(RecordSITime, &QLineEdit::textEdited, this, &TFrmTest::RecordSITimeChange);
    RecordSITime->installEventFilter(new DigitKeyFilter(RecordSITime));
    connect(SpeedButton1, &QToolButton::clicked, this, &TFrmTest::Save_asClick);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFrmTest::ClearRClick);
    connect(SpeedButton3, &QToolButton::clicked, this, &TFrmTest::OpenClick);
    connect(MajPrint, &QToolButton::clicked, this, &TFrmTest::MajPrintClick);
    for (const char* name : {"New1", "ClearR"})
        connect(menuItems_.at(name), &QAction::triggered, this, &TFrmTest::ClearRClick);
    connect(menuItems_.at("SaveR"), &QAction::triggered, this, &TFrmTest::Save_asClick);
    const std::pair<const char*, void (RecordSampling::*)()> limits[] = {
        {"set1k", &RecordSampling::set1kClick},     {"set5k", &RecordSampling::set5kClick},
        {"set10k", &RecordSampling::set10kClick},   {"set50k", &RecordSampling::set50kClick},
        {"set100k", &RecordSampling::set100kClick}, {"setlimit", &RecordSampling::setlimitClick},
    };
    for (const auto& [name, handler] : limits)
        connect(menuItems_.at(name), &QAction::triggered, this, [this, handler = handler] {
            (session_.sampling().*handler)();
            renderMenuMarks();
            renderStatus();
        });
    connect(menuItems_.at("StatisticsR"), &QAction::triggered, this, &TFrmTest::StatisticsRClick);
    connect(menuItems_.at("ReconnectAuto"), &QAction::triggered, this, [this](bool on) {
        session_.link().setReconnectAutomatically(on);
        renderMenuMarks();
    });

    // The hidden port menu.
    const std::pair<const char*, void (PortMenu::*)()> ports[] = {
        {"COM1", &PortMenu::COM1Click}, {"COM2", &PortMenu::COM2Click}, {"COM3", &PortMenu::COM3Click},
        {"COM4", &PortMenu::COM4Click}, {"USB", &PortMenu::USBClick},
    };
    for (const auto& [name, handler] : ports)
        connect(menuItems_.at(name), &QAction::triggered, this, [this, handler = handler] {
            (ports_.*handler)();
            renderState();
        });

    // The chart's tools, and the hidden Graph menu's.
    Maxrecord->installEventFilter(new DigitKeyFilter(Maxrecord));
    // textEdited, not textChanged: writing the text back must not re-arm the timer.
    connect(Maxrecord, &QLineEdit::textEdited, this, &TFrmTest::MaxrecordChange);
    connect(BtFill, &QCheckBox::clicked, this, [this](bool ticked) {
        session_.chart().BtFillClick(ticked);
        renderChart();
    });
    connect(BtNew, &QToolButton::clicked, this, &TFrmTest::ClearRClick);
    connect(BtSave, &QToolButton::clicked, this, &TFrmTest::BtSaveClick);
    connect(menuItems_.at("Savepicture"), &QAction::triggered, this, &TFrmTest::BtSaveClick);
    const std::tuple<QToolButton*, const char*, int32_t (ChartPanelState::*)()> pages[] = {
        {BtFirst, "FirstP", &ChartPanelState::BtFirstClick},
        {BTPrevious, "PrivousP", &ChartPanelState::BTPreviousClick},
        {BtNext, "NextP", &ChartPanelState::BtNextClick},
        {BTlast, "LastP", &ChartPanelState::BTlastClick},
    };
    for (const auto& [button, item, handler] : pages) {
        const auto page = [this, handler = handler] {
            (session_.chart().*handler)();
            renderChart();
        };
        connect(button, &QToolButton::clicked, this, page);
        connect(menuItems_.at(item), &QAction::triggered, this, page);
    }
    for (SvgPicture* picture : {TbFd, TbSx})
        connect(picture, &SvgPicture::clicked, this, [this] { chartEnlarger_->TbSxClick(); });
}

void TFrmTest::FormCreate()
{
    session_.FormCreate(systemLocaleDecimal(), chartEngine_.get());
    setWindowTitle(QStringLiteral("KP-7730 Interface Program Ver:3.01"));
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    programFolder_ = folder.toLocal8Bit().toStdString();
    ports_.FormCreate();
    renderState();
}

FrameOutcome TFrmTest::ShowDataQ7(std::string_view frame)
{
    const FrameOutcome outcome = session_.ShowDataQ7(frame);
    if (outcome != FrameOutcome::Dropped)
        renderReading();
    return outcome;
}

void TFrmTest::ReadReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    session_.link().assembleReport(ReportID, Data, Size);
    renderReading();
}

void TFrmTest::renderState()
{
    Panel1->setCaption(fromModel(ports_.Panel1Caption()));
    RepeatSet->setChecked(session_.sampling().RepeatSet());
    renderMenuMarks();
    renderReading();
}

// What reports, frames and the watchdog change: run for every delivery, so
// it touches only widgets whose state can have changed.
void TFrmTest::renderReading()
{
    const CableConnection& link = session_.link();
    Panel2->setCaption(fromModel(link.Panel2Caption()));
    Panel2->setCaptionColor(link.panel2Yellow() ? QColor(0xFF, 0xFF, 0x00) : QColor(Qt::black));
    menuItems_.at("Comset")->setEnabled(link.ComsetEnabled());
    Label5->setText(fromModel(link.Label5Caption()));
    const LcdModel::ChangeSet changes = session_.lcd().takeChanges();
    Panel40->render(session_.lcd(), changes);
    if (!link.RsUsbCaption().empty() && (changes.test(lcdIndex(LcdElement::rsUSB)) || renderedRsUsb_ != link.RsUsbCaption())) {
        Panel40->label(LcdElement::rsUSB)->setCaption(link.RsUsbCaption());
        renderedRsUsb_ = link.RsUsbCaption();
    }
    KD1->draw(session_.dial().takeDrawings());
    CONok->setVisible(link.LinkIconLit());
    CONokN->setVisible(!link.LinkIconLit());
    const AnalogDial& dial = session_.dial();
    PBar2->setRange(0, std::max(0, dial.PBar2Max()));
    PBar2->setValue(std::clamp(dial.PBar2Position(), 0, std::max(0, dial.PBar2Max())));
    renderChart();
    renderStatus();
    renderLimits();
}

void TFrmTest::renderLimits()
{
    const ReadingLimits& limits = session_.limits();
    const bool beyond = limits.any() && limits.state() != ReadingLimits::State::Inside;
    if (beyond != limitFrame_->isVisible()) {
        limitFrame_->setGeometry(Panel40->geometry());
        limitFrame_->setVisible(beyond);
        limitFrame_->raise();
    }
    const uint64_t events = session_.limitEventCount();
    if (events != limitEventsSeen_) {
        const auto& kept = session_.limitEvents();
        const uint64_t fresh = std::min<uint64_t>(events - limitEventsSeen_, kept.size());
        bool crossed = false;
        for (std::size_t i = kept.size() - static_cast<std::size_t>(fresh); i < kept.size(); ++i)
            crossed = crossed || kept[i].kind == ReadingLimits::Kind::Crossed;
        if (crossed)
            QApplication::beep();
        limitEventsSeen_ = events;
    }
    if (statistics_ && statistics_->isVisible())
        statistics_->refresh();
}

bool TFrmTest::limitMarked() const { return limitFrame_ && limitFrame_->isVisible(); }

void TFrmTest::StatisticsRClick()
{
    if (!statistics_)
        statistics_ = new StatisticsWindow(session_, this);
    statistics_->refresh();
    statistics_->show();
    statistics_->raise();
    statistics_->activateWindow();
}

void TFrmTest::renderStatus()
{
    const MeterStatus status = meterStatus(session_, std::chrono::steady_clock::now());
    setChangedText(statusLink_, status.link);
    setChangedText(statusRows_, status.rows);
    setChangedText(statusRule_, status.rule);
    setChangedText(statusJournal_, status.journal);
    setChangedText(statusLastRow_, status.lastRow);
    if (status.journal != shownStatus_.journal || status.journalPath != shownStatus_.journalPath) {
        const QString whole = status.journalPath.isEmpty() ? status.journal
                                                           : status.journal + QLatin1Char('\n') + status.journalPath;
        statusJournal_->setToolTip(whole);
    }
    if (status.limitReached != shownStatus_.limitReached)
        setHighlighted(statusRows_, status.limitReached);
    if (status.journalFailed != shownStatus_.journalFailed)
        setHighlighted(statusJournal_, status.journalFailed);
    shownStatus_ = status;
}

void TFrmTest::renderChart()
{
    const ChartPanelState& chart = session_.chart();
    const QString page = fromModel(chart.Bt10Caption());
    if (Bt10->text() != page)
        Bt10->setText(page);
    const QString maxrecord = fromModel(chart.MaxrecordText());
    if (Maxrecord->text() != maxrecord)
        Maxrecord->setText(maxrecord);
    if (BtFill->isChecked() != chart.BtFillChecked())
        BtFill->setChecked(chart.BtFillChecked());
}

void TFrmTest::renderMenuMarks()
{
    for (const MenuItemLayout& item : mainMenuLayout()) {
        if (!item.checkable)
            continue;
        bool mark = ports_.marked(item.name);
        if (const auto limit = RecordSampling::limitItemByName(item.name))
            mark = session_.sampling().marked(*limit);
        else if (std::string_view(item.name) == "FillP")
            mark = true;  // marked in the layout; its menu is hidden
        else if (std::string_view(item.name) == "ReconnectAuto")
            mark = session_.link().reconnectAutomatically();
        menuItems_.find(item.name)->second->setChecked(mark);
    }
}

void TFrmTest::RecordSITimeChange(const QString& text)
{
    session_.RecordSITimeChange(text.toLatin1().toStdString());
    renderStatus();
}

// The rows go, if at all, when the warning is answered OK: its reply runs
// through the dispatcher, which has the window rendered afterwards.
void TFrmTest::ClearRClick() { session_.ClearRClick(); }

void TFrmTest::Save_asClick()
{
    if (session_.recordFiles().busy())
        return;
    QFileDialog* dialog = fileDialog("SaveDialog2");
    dialog->selectFile(QString());
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    session_.recordFiles().Save_asClick(encodedName(dialog->selectedFiles().constFirst()));
}

void TFrmTest::OpenClick()
{
    if (session_.recordFiles().busy())
        return;
    QFileDialog* dialog = fileDialog("OpenDialog1");
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    session_.recordFiles().OpenClick(encodedName(dialog->selectedFiles().constFirst()));
}

void TFrmTest::MajPrintClick() { showDataReportPreview(session_.cds1(), this); }

void TFrmTest::MaxrecordChange(const QString& text)
{
    session_.chart().setMaxrecordText(text.toLatin1().toStdString());
    if (session_.chart().Timer_rangeEnabled())
        Timer_range->start();
}

void TFrmTest::Timer_rangeTimer()
{
    session_.chart().Timer_rangeTimer();
    Timer_range->stop();
    renderChart();
}

void TFrmTest::BtSaveClick()
{
    if (pictureJob_.running())
        return;
    QFileDialog* dialog = fileDialog("SavePictureDialog1");
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    const QString file = dialog->selectedFiles().constFirst();
    // Drawing needs the widget and so the main thread; encoding and writing
    // the bitmap, which a slow disk holds up, need neither.
    const auto write = [this, file, picture = chartPicture(*Chtshow)](RecordFileJobProgress&) {
        const QString failure = writeChartPicture(picture, file);
        return [this, file, failure] {
            messages_->show(failure.isEmpty()
                                ? fileMessage(UserMessage::Icon::Information, "Information", chartSavedMessage(file))
                                : fileMessage(UserMessage::Icon::Error, "Error", failure));
        };
    };
    pictureJob_.start(std::make_shared<RecordFileJobProgress>(RecordFileJobProgress::Kind::Save), write,
                      session_.recordFiles().post);
}

void TFrmTest::Panel2Click()
{
    session_.link().Panel2Click(ports_.PortKind());
    renderState();
}

void TFrmTest::ConTimerTimer()
{
    session_.link().ConTimerTimer();
    renderReading();
}

void TFrmTest::Panel3Click() { close(); }

void TFrmTest::closeEvent(QCloseEvent* event)
{
    if (closeAllowed_ || session_.unsavedRows() == 0) {
        session_.endNormally(closeDiscarded_);
        closeAllowed_ = false;
        closeDiscarded_ = false;
        event->accept();
        return;
    }
    // The question never waits here: the window stays open, and the answer
    // closes it or not.
    event->ignore();
    if (closeStep_ != CloseStep::None)
        return;
    closeStep_ = CloseStep::Asking;
    if (!messages_->show(closeQuestion(session_.unsavedRows(),
                                       [this](UserMessage::Reply reply) { closeQuestionAnswered(reply); })))
        closeStep_ = CloseStep::None;
}

void TFrmTest::closeQuestionAnswered(UserMessage::Reply reply)
{
    closeStep_ = CloseStep::None;
    if (reply == UserMessage::Reply::Discard) {
        closeAllowed_ = true;
        closeDiscarded_ = true;
        close();
        return;
    }
    if (reply != UserMessage::Reply::Save)
        return;
    // A running command would swallow this save, and its own ending must
    // not close the window in its stead.
    if (session_.recordFiles().busy()) {
        messages_->show(UserMessage::information(
            "A file command is still running. Close the window again once it has ended."));
        return;
    }
    Save_asClick();
    // No job when the file dialog was cancelled: the window stays open.
    if (session_.recordFiles().busy())
        closeStep_ = CloseStep::Saving;
}

void TFrmTest::fileCommandEnded(RecordFileCommand command, bool ok)
{
    if (closeStep_ != CloseStep::Saving || command != RecordFileCommand::Save)
        return;
    closeStep_ = CloseStep::None;
    // A failed save told the user why; the readings are still here.
    if (!ok)
        return;
    closeAllowed_ = true;
    close();
}

void TFrmTest::Panel1Click()
{
    ports_.Panel1Click(session_.link().Panel2Caption());
    renderState();
}

void TFrmTest::HELP1Click()
{
    helpFile_ = helpFileLocation(programFolder_, ZQ_HELP_FROM_PROGRAM, [](const std::string& path) {
        return QFileInfo(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()))).isFile();
    });
    helpShower_(QString::fromLocal8Bit(helpFile_.data(), static_cast<qsizetype>(helpFile_.size())));
}

void TFrmTest::About2Click() { FrmAbout->exec(); }

void TFrmTest::showHelpFile(const QString& path)
{
    if (!helpViewer_)
        helpViewer_ = new HelpViewer(this);
    if (!helpViewer_->load(path)) {
        messages_->show(fileMessage(UserMessage::Icon::Error, "Help", helpViewer_->errorText()));
        return;
    }
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

QFileDialog* TFrmTest::fileDialog(std::string_view name)
{
    if (const auto found = fileDialogs_.find(name); found != fileDialogs_.end())
        return found->second;
    const FileDialogLayout* layout = fileDialogLayout(name);
    if (!layout)
        return nullptr;
    return fileDialogs_.emplace(layout->name, createFileDialog(this, *layout)).first->second;
}

void TFrmTest::centreOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
