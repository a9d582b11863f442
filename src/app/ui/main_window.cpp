#include "app/ui/main_window.h"

#include "app/file_dialogs.h"
#include "app/locale_decimal.h"
#include "app/main_menu.h"
#include "app/ui/frm_about.h"
#include "app/ui/help_viewer.h"
#include "app/ui/qt_hid_dispatcher.h"
#include "chart/ui/chart_enlarger.h"
#include "chart/ui/chart_picture.h"
#include "chart/ui/maxrecord_key_filter.h"
#include "chart/ui/qcustomplot_chart_engine.h"
#include "record/ui/record_file_progress.h"
#include "record/ui/record_grid_view.h"
#include "report/ui/data_report_preview.h"
#include "link/hid/hid_native_platform.h"
#include "meter/ui/dial_picture.h"
#include "meter/ui/bevel_panel.h"
#include "meter/ui/lcd_label.h"
#include "meter/ui/lcd_panel.h"
#include "meter/ui/svg_picture.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>

#include <qcustomplot.h>

namespace {

QString fromModel(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

QStringList toQt(const std::vector<std::string>& texts)
{
    QStringList list;
    for (const std::string& text : texts)
        list << QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return list;
}

/// RecordSITimeKeyPress on the interval edit: drops every typed character
/// the state's filter turns into 0. Shortcuts and keys that type nothing
/// pass; pasted text meets the interval rule in RecordSITimeChange.
class RecordSITimeKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            if (text.size() == 1 && text[0].unicode() < 0x100 && !(key->modifiers() & Qt::ControlModifier)) {
                char typed = static_cast<char>(text[0].unicode());
                MainWindowState::RecordSITimeKeyPress(typed);
                if (typed == 0)
                    return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

/// Turns a left click on a picture into a call.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> click) : QObject(parent), click_(std::move(click)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            click_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> click_;
};

std::string encodedName(const QString& file) { return QFile::encodeName(file).toStdString(); }

}  // namespace

TFrmTest::TFrmTest(std::shared_ptr<THidPlatform> platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(QStringLiteral("ZQ9  Interface Program Ver:3.00"));
    helpShower_ = [this](const QString& path) { showHelpFile(path); };
    buildLayout();

    // The HID controller is one of the window's components: it lists the
    // devices and runs the first device-change pass while the window is
    // built, before FormCreate.
    dispatcher_ = new QtHidDispatcher(this);
    connect(dispatcher_, &QtHidDispatcher::ran, this, &TFrmTest::renderReading);
    state_.setInformationBox([this](std::string_view text) {
        QMessageBox::information(this, QStringLiteral("Information"),
                                 QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    });
    state_.setErrorBox([this](std::string_view text) { showError(text); });
    state_.setTimeSeparator(systemTimeSeparator());
    state_.keepDialDrawings(true);
    RecordFileCommands& files = state_.recordFiles();
    files.post = RecordFileProgress::poster(this);
    files.jobStarted = [this](auto progress) { RecordFileProgress::watch(this, std::move(progress)); };
    files.messageBox = [this](const RecordFileMessage& m) { showRecordFileMessage(this, m); };
    files.repaintWindow = [this] { update(); };
    chartEngine_ = std::make_unique<QCustomPlotChartEngine>(*Chtshow);
    chartEnlarger_ = std::make_unique<ChartEnlarger>(*this, *Chtshow, *TbFd, *TbSx);
    // A failure is in the history list; the program runs without the cable.
    state_.startHid(platform ? std::move(platform) : CreateNativeHidPlatform(), *dispatcher_);

    FormCreate();
    DBGrid1->setTable(&state_.cds1());

    // Recording strip and record commands.
    connect(RepeatSet, &QCheckBox::toggled, this, [this](bool on) { state_.sampling().RepeatSet = on; });
    connect(RecordSI, &QCheckBox::toggled, this, [this](bool on) { state_.sampling().RecordSI = on; });
    connect(RecordSITime, &QLineEdit::textEdited, this, &TFrmTest::RecordSITimeChange);
    RecordSITime->installEventFilter(new RecordSITimeKeyFilter(RecordSITime));
    connect(SpeedButton1, &QToolButton::clicked, this, &TFrmTest::Save_asClick);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFrmTest::ClearRClick);
    connect(SpeedButton3, &QToolButton::clicked, this, &TFrmTest::OpenClick);
    connect(MajPrint, &QToolButton::clicked, this, &TFrmTest::MajPrintClick);

    // The chart's tools.
    Maxrecord->installEventFilter(new MaxrecordKeyFilter(Maxrecord));
    // textEdited, not textChanged: writing the text back must not re-arm the timer.
    connect(Maxrecord, &QLineEdit::textEdited, this, &TFrmTest::MaxrecordChange);
    connect(BtFill, &QCheckBox::clicked, this, &TFrmTest::BtFillClick);
    connect(BtNew, &QToolButton::clicked, this, &TFrmTest::ClearRClick);
    connect(BtSave, &QToolButton::clicked, this, &TFrmTest::BtSaveClick);
    connect(BtFirst, &QToolButton::clicked, this, &TFrmTest::BtFirstClick);
    connect(BTPrevious, &QToolButton::clicked, this, &TFrmTest::BTPreviousClick);
    connect(BtNext, &QToolButton::clicked, this, &TFrmTest::BtNextClick);
    connect(BTlast, &QToolButton::clicked, this, &TFrmTest::BTlastClick);
    for (SvgPicture* picture : {TbFd, TbSx})
        picture->installEventFilter(new ClickFilter(picture, [this] { TbSxClick(); }));

    const std::pair<const char*, void (TFrmTest::*)()> items[] = {
        {"Savepicture", &TFrmTest::BtSaveClick}, {"FirstP", &TFrmTest::BtFirstClick},
        {"NextP", &TFrmTest::BtNextClick},       {"LastP", &TFrmTest::BTlastClick},
        {"PrivousP", &TFrmTest::BTPreviousClick}, {"New1", &TFrmTest::ClearRClick},
        {"SaveR", &TFrmTest::Save_asClick},      {"ClearR", &TFrmTest::ClearRClick},
    };
    for (const auto& [name, handler] : items)
        connect(menuItems_.at(name), &QAction::triggered, this, handler);
    const std::pair<const char*, void (MainWindowState::*)()> limits[] = {
        {"set1k", &MainWindowState::set1kClick},     {"set5k", &MainWindowState::set5kClick},
        {"set10k", &MainWindowState::set10kClick},   {"set50k", &MainWindowState::set50kClick},
        {"set100k", &MainWindowState::set100kClick}, {"setlimit", &MainWindowState::setlimitClick},
    };
    for (const auto& [name, handler] : limits)
        connect(menuItems_.at(name), &QAction::triggered, this, [this, handler = handler] {
            (state_.*handler)();
            renderMenuMarks();
        });

    FrmAbout = new TFrmAbout(this);
}

TFrmTest::~TFrmTest()
{
    // The grid outlives the state (widgets go after the members): unbind it first.
    DBGrid1->setTable(nullptr);
}

void TFrmTest::FormCreate()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    state_.FormCreate(systemLocaleDecimal(), folder.toLocal8Bit().toStdString(), chartEngine_.get());
    renderState();
}

FrameOutcome TFrmTest::ShowDataQ7(std::string_view frame)
{
    const FrameOutcome outcome = state_.ShowDataQ7(frame);
    if (outcome != FrameOutcome::Dropped)
        renderReading();
    return outcome;
}

void TFrmTest::ReadReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size)
{
    state_.ReadReport(ReportID, Data, Size);
    renderReading();
}

void TFrmTest::renderState()
{
    const QString title = fromModel(state_.Caption());
    if (windowTitle() != title)
        setWindowTitle(title);
    Panel1->setCaption(fromModel(state_.Panel1Caption()));
    RepeatSet->setChecked(state_.RepeatSetChecked());
    renderMenuMarks();
    renderReading();
}

// What reports, frames and the watchdog change: run for every delivery, so
// it touches only widgets whose state can have changed.
void TFrmTest::renderReading()
{
    const CableConnection& link = state_.link();
    Panel2->setCaption(fromModel(link.Panel2Caption()));
    Panel2->setCaptionColor(link.panel2Yellow() ? QColor(0xFF, 0xFF, 0x00) : QColor(Qt::black));
    menuItems_.at("Comset")->setEnabled(link.ComsetEnabled());
    Label5->setText(fromModel(link.Label5Caption()));
    const LcdModel::ChangeSet changes = state_.takeLcdChanges();
    Panel40->render(state_.lcd(), changes);
    if (!link.RsUsbCaption().empty() && (changes.test(lcdIndex(LcdElement::rsUSB)) || renderedRsUsb_ != link.RsUsbCaption())) {
        Panel40->label(LcdElement::rsUSB)->setCaption(link.RsUsbCaption());
        renderedRsUsb_ = link.RsUsbCaption();
    }
    KD1->draw(state_.takeDialDrawings());
    CONok->setVisible(link.LinkIconLit());
    CONokN->setVisible(!link.LinkIconLit());
    PBar2->setRange(0, std::max(0, state_.BarMaxSet()));
    PBar2->setValue(std::clamp(state_.BarPosition(), 0, std::max(0, state_.BarMaxSet())));
    renderChart();
}

void TFrmTest::renderChart()
{
    const ChartPanelState& chart = state_.chart();
    const QString page = fromModel(chart.Bt10Caption());
    if (Bt10->text() != page)
        Bt10->setText(page);
    const QString maxrecord = fromModel(chart.MaxrecordText());
    if (Maxrecord->text() != maxrecord)
        Maxrecord->setText(maxrecord);
    if (BtFill->isChecked() != chart.BtFillChecked())
        BtFill->setChecked(chart.BtFillChecked());
}

void TFrmTest::showError(std::string_view text)
{
    // While a box is open readings go on arriving and may fail the same
    // way; one box at a time is enough.
    if (errorShown_)
        return;
    errorShown_ = true;
    QMessageBox::critical(this, QStringLiteral("Error"), fromModel(std::string(text)));
    errorShown_ = false;
}

void TFrmTest::RecordSITimeChange(const QString& text)
{
    const std::string latin = text.toLatin1().toStdString();
    state_.RecordSITimeChange(latin);
}

void TFrmTest::ClearRClick()
{
    state_.ClearRClick();
    renderChart();
}

void TFrmTest::Save_asClick()
{
    if (state_.recordFiles().busy())
        return;
    QFileDialog* dialog = fileDialog("SaveDialog2");
    dialog->selectFile(QString());
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    state_.Save_asClick(encodedName(dialog->selectedFiles().constFirst()));
}

void TFrmTest::OpenClick()
{
    if (state_.recordFiles().busy())
        return;
    QFileDialog* dialog = fileDialog("OpenDialog1");
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    state_.OpenClick(encodedName(dialog->selectedFiles().constFirst()));
}

void TFrmTest::MajPrintClick() { showDataReportPreview(state_.cds1(), this); }

void TFrmTest::BtFillClick(bool ticked)
{
    state_.BtFillClick(ticked);
    renderChart();
}

void TFrmTest::BtFirstClick()
{
    state_.BtFirstClick();
    renderChart();
}

void TFrmTest::BTPreviousClick()
{
    state_.BTPreviousClick();
    renderChart();
}

void TFrmTest::BtNextClick()
{
    state_.BtNextClick();
    renderChart();
}

void TFrmTest::BTlastClick()
{
    state_.BTlastClick();
    renderChart();
}

void TFrmTest::MaxrecordChange(const QString& text)
{
    state_.MaxrecordChange(text.toLatin1().toStdString());
    if (state_.chart().Timer_rangeEnabled())
        Timer_range->start();
}

void TFrmTest::Timer_rangeTimer()
{
    state_.Timer_rangeTimer();
    Timer_range->stop();
    renderChart();
}

void TFrmTest::TbSxClick() { chartEnlarger_->TbSxClick(); }

void TFrmTest::BtSaveClick()
{
    QFileDialog* dialog = fileDialog("SavePictureDialog1");
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    const QString file = dialog->selectedFiles().constFirst();
    const QString failure = saveChartPicture(*Chtshow, file);
    if (failure.isEmpty())
        QMessageBox::information(this, QStringLiteral("Information"), chartSavedMessage(file));
    else
        QMessageBox::critical(this, QStringLiteral("Error"), failure);
}

void TFrmTest::renderMenuMarks()
{
    for (const MenuItemLayout& item : mainMenuLayout())
        if (item.checkable)
            menuItems_.find(item.name)->second->setChecked(state_.marked(item.name));
}

void TFrmTest::Panel2Click()
{
    state_.Panel2Click();
    renderState();
}

void TFrmTest::ConTimerTimer()
{
    state_.ConTimerTimer();
    renderReading();
}

void TFrmTest::Panel3Click() { close(); }

void TFrmTest::closeEvent(QCloseEvent* event) { event->accept(); }

void TFrmTest::COM1Click()
{
    state_.COM1Click();
    renderState();
}

void TFrmTest::COM2Click()
{
    state_.COM2Click();
    renderState();
}

void TFrmTest::COM3Click()
{
    state_.COM3Click();
    renderState();
}

void TFrmTest::COM4Click()
{
    state_.COM4Click();
    renderState();
}

void TFrmTest::USBClick()
{
    state_.USBClick();
    renderState();
}

void TFrmTest::Panel1Click()
{
    state_.Panel1Click();
    renderState();
}

void TFrmTest::HELP1Click()
{
    const std::string& file = state_.HELP1Click();
    helpShower_(QString::fromLocal8Bit(file.data(), static_cast<qsizetype>(file.size())));
}

void TFrmTest::About2Click() { FrmAbout->exec(); }

void TFrmTest::showHelpFile(const QString& path)
{
    if (!helpViewer_)
        helpViewer_ = new HelpViewer(this);
    if (!helpViewer_->load(path)) {
        QMessageBox::critical(this, QStringLiteral("Help"), helpViewer_->errorText());
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
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QString::fromLatin1(layout->name));
    dialog->setAcceptMode(layout->save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(layout->save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilters(toQt(nameFilters(layout->filter)));
    dialog->setDefaultSuffix(QString::fromLatin1(layout->defaultExt));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !layout->confirmOverwrite);
    fileDialogs_.emplace(layout->name, dialog);
    return dialog;
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
