#include "app/ui/frm_test.h"

#include "app/locale_decimal.h"
#include "meter/ui/bevel_panel.h"
#include "meter/ui/lcd_fonts.h"
#include "meter/ui/lcd_panel.h"
#include "meter/ui/svg_picture.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>

namespace {

constexpr QSize kClientSize{739, 479};

QString fromModel(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

BevelPanel* captionPanel(QWidget* parent, const char* name, QRect geometry, const char* caption, int pixels,
                         QColor captionColour, BevelPanel::Bevel inner)
{
    auto* panel = new BevelPanel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setBevels(BevelPanel::Bevel::Raised, inner);
    panel->setCaption(QString::fromLatin1(caption));
    panel->setFont(lcdFont(LcdTypeface::Arial, pixels, true));
    panel->setCaptionColor(captionColour);
    panel->setCursor(Qt::PointingHandCursor);
    return panel;
}

}  // namespace

TFrmTest::TFrmTest(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(QStringLiteral("ZQ9  Interface Program Ver:3.00"));
    buildLayout();
    FormCreate();
}

void TFrmTest::buildLayout()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientSize);
    client->setAutoFillBackground(true);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    windowFont.setUnderline(true);
    client->setFont(windowFont);
    setCentralWidget(client);

    Panel1 = captionPanel(client, "Panel1", {11, 4, 89, 26}, "USB", 20, QColor(0xFF, 0xFF, 0x00),
                          BevelPanel::Bevel::Lowered);
    Panel1->setColor(palette().color(QPalette::Inactive, QPalette::Highlight));
    Panel1->hide();
    Panel3 = captionPanel(client, "Panel3", {653, 4, 81, 29}, "EXIT", 19, Qt::black, BevelPanel::Bevel::Raised);
    connect(Panel3, &BevelPanel::clicked, this, &TFrmTest::Panel3Click);
    connect(Panel1, &BevelPanel::clicked, this, &TFrmTest::Panel1Click);

    Panel40 = new LcdPanel(client);

    KD = new BevelPanel(client);
    KD->setObjectName(QStringLiteral("KD"));
    KD->setGeometry(364, 36, 369, 153);
    KD->setColor(Qt::white);
    KD->setBevels(BevelPanel::Bevel::Raised, BevelPanel::Bevel::Lowered);
    CONok = new SvgPicture(QStringLiteral(":/pictures/link_up.svg"), KD);
    CONok->setObjectName(QStringLiteral("CONok"));
    CONok->setGeometry(5, 5, 32, 32);
    CONokN = new SvgPicture(QStringLiteral(":/pictures/link_down.svg"), KD);
    CONokN->setObjectName(QStringLiteral("CONokN"));
    CONokN->setGeometry(5, 5, 32, 32);

    PBar2 = new QProgressBar(client);
    PBar2->setObjectName(QStringLiteral("PBar2"));
    PBar2->setGeometry(364, 188, 369, 17);
    PBar2->setTextVisible(false);

    Panel2 = captionPanel(client, "Panel2", {8, 4, 105, 29}, "Connect", 16, Qt::black, BevelPanel::Bevel::Raised);

    adjustSize();
    setFixedSize(size());
}

void TFrmTest::FormCreate()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    state_.FormCreate(systemLocaleDecimal(), folder.toLocal8Bit().toStdString());
    Panel40->renderAll(state_.lcd());
    state_.decoder().lcd().takeChanges();
    renderState();
}

FrameOutcome TFrmTest::ShowDataQ7(std::string_view frame)
{
    const FrameOutcome outcome = state_.ShowDataQ7(frame);
    if (outcome != FrameOutcome::Dropped) {
        Panel40->render(state_.lcd(), state_.decoder().lcd().takeChanges());
        renderState();
    }
    return outcome;
}

void TFrmTest::renderState()
{
    setWindowTitle(fromModel(state_.Caption));
    Panel1->setCaption(fromModel(state_.Panel1Caption));
    Panel2->setCaption(fromModel(state_.Panel2Caption));
    CONok->setVisible(state_.lcd().visible(LcdElement::CONok));
    CONokN->setVisible(state_.lcd().visible(LcdElement::CONokN));
    PBar2->setRange(0, std::max(0, state_.BarMaxSet));
    PBar2->setValue(std::clamp(state_.BarPosition, 0, std::max(0, state_.BarMaxSet)));
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

void TFrmTest::centreOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
