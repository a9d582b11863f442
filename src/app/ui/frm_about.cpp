#include "app/ui/frm_about.h"

#include "app/ui/layout_fonts.h"
#include "meter/ui/svg_picture.h"

#include <QLabel>
#include <QMouseEvent>

namespace {

constexpr QSize kClientSize{421, 228};
/// Opacity of the translucent window, of 255.
constexpr int kAlphaBlendValue = 230;

// The classic desktop scheme's colours for inactive caption text (the
// window's background) and for the active caption.
constexpr QColor kInactiveCaptionText{0xD4, 0xD0, 0xC8};
constexpr QColor kActiveCaption{0x0A, 0x24, 0x6A};

// What the window says about us.
constexpr const char* kBrand = "zqmeter";
constexpr const char* kCompany = "The zqmeter project";
constexpr const char* kVersion = "Version No. :  1.0.0        Meter No.: ZQ7/ZQ8/ZQ9          ";
constexpr const char* kWebAddress = "(no web site yet)";
constexpr const char* kLegalNotice = "Copyright \xA9 the zqmeter developers. No warranty.";

/// The brand's letters: large, yet the whole name fits before the mark
/// that follows it.
constexpr int kBrandPixels = 60;

QLabel* label(QWidget* parent, const char* name, QRect geometry, const char* text, const QFont& font, QColor colour)
{
    auto* widget = new QLabel(QString::fromLatin1(text), parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setFont(font);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
    return widget;
}

SvgPicture* picture(QWidget* parent, const char* name, QRect geometry, const char* resource)
{
    auto* widget = new SvgPicture(QString::fromLatin1(resource), parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

}  // namespace

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kClientSize);
    setFont(msSansSerif(11));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, kInactiveCaptionText);
    setPalette(background);
    setWindowOpacity(kAlphaBlendValue / 255.0);

    QLabel* Label1 = label(this, "Label1", {0, 0, 281, 111}, kBrand, arial(kBrandPixels, true), QColor(0xFF, 0x00, 0xFF));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    // zqmeter is no registered mark: the sign's place shows the program's icon.
    SvgPicture* Image1 = picture(this, "Image1", {240, 76, 29, 29}, ":/pictures/bar_chart.svg");
    QLabel* Label2 = label(this, "Label2", {8, 117, 390, 18}, kCompany, arial(16, true, true), kActiveCaption);
    SvgPicture* Image2 = picture(this, "Image2", {276, 12, 141, 101}, ":/pictures/quality_marks.svg");
    QLabel* StaticText1 =
        label(this, "StaticText1", {8, 148, 410, 22}, kVersion, arial(16, true, true), QColor(0x00, 0x80, 0x00));
    QLabel* StaticText3 = label(this, "StaticText3", {60, 176, 268, 28}, kWebAddress, arial(21, true, true, true),
                                QColor(0x00, 0x00, 0xFF));
    StaticText3->setCursor(Qt::PointingHandCursor);
    QLabel* StaticText2 =
        label(this, "StaticText2", {4, 204, 403, 19}, kLegalNotice, arial(12, true, true), QColor(0xFF, 0x00, 0x00));
    QLabel* StaticText4 =
        label(this, "StaticText4", {4, 176, 56, 28}, "Web:", arial(21, true, true), QColor(0x00, 0x00, 0xFF));

    onClick(Label1, &TFrmAbout::Label1Click);
    onClick(Image1, nullptr);
    onClick(Label2, &TFrmAbout::Label2Click);
    onClick(Image2, &TFrmAbout::Image2Click);
    onClick(StaticText1, &TFrmAbout::StaticText1Click);
    onClick(StaticText3, nullptr);
    onClick(StaticText2, &TFrmAbout::StaticText2Click);
    onClick(StaticText4, nullptr);
}

void TFrmAbout::Label1Click() { close(); }
void TFrmAbout::Label2Click() { close(); }
void TFrmAbout::Image2Click() { close(); }
void TFrmAbout::StaticText1Click() { close(); }
void TFrmAbout::StaticText2Click() { close(); }
void TFrmAbout::FormClick() { close(); }

void TFrmAbout::onClick(QWidget* widget, Handler handler)
{
    clickHandlers_[widget] = handler;
    widget->installEventFilter(this);
}

bool TFrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    const auto found = clickHandlers_.find(watched);
    if (found == clickHandlers_.end())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()) &&
            found->second)
            (this->*found->second)();
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void TFrmAbout::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        FormClick();
    QDialog::mouseReleaseEvent(event);
}
