#include "app/ui/main_window.h"

#include "app/file_dialogs.h"
#include "app/locale_decimal.h"
#include "app/main_menu.h"
#include "app/ui/frm_about.h"
#include "app/ui/help_viewer.h"
#include "app/ui/qt_hid_dispatcher.h"
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
#include <QGuiApplication>
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
    state_.keepDialDrawings(true);
    // A failure is in the history list; the program runs without the cable.
    state_.startHid(platform ? std::move(platform) : CreateNativeHidPlatform(), *dispatcher_);

    FormCreate();
    FrmAbout = new TFrmAbout(this);
}

void TFrmTest::FormCreate()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    state_.FormCreate(systemLocaleDecimal(), folder.toLocal8Bit().toStdString());
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
    if (Chtshow->yAxis->range() != QCPRange(state_.ValueAxisMin(), state_.ValueAxisMax())) {
        Chtshow->yAxis->setRange(state_.ValueAxisMin(), state_.ValueAxisMax());
        Chtshow->replot(QCustomPlot::rpQueuedReplot);
    }
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
