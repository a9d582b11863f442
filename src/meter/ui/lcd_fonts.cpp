#include "meter/ui/lcd_fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

struct SegmentFamilies {
    QString seven;
    QString fourteen;
};

QString addFont(const char* resource)
{
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(resource));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

const SegmentFamilies& segmentFamilies()
{
    static const SegmentFamilies families = [] {
        SegmentFamilies loaded;
        loaded.seven = addFont(":/fonts/DSEG7Classic-Regular.ttf");
        addFont(":/fonts/DSEG7Classic-Bold.ttf");
        loaded.fourteen = addFont(":/fonts/DSEG14Classic-Regular.ttf");
        addFont(":/fonts/DSEG14Classic-Bold.ttf");
        return loaded;
    }();
    return families;
}

}  // namespace

bool loadLcdFonts()
{
    const SegmentFamilies& families = segmentFamilies();
    return !families.seven.isEmpty() && !families.fourteen.isEmpty();
}

QString lcdFamily(LcdTypeface typeface)
{
    switch (typeface) {
    case LcdTypeface::Segment7: return segmentFamilies().seven;
    case LcdTypeface::Segment14: return segmentFamilies().fourteen;
    case LcdTypeface::Arial: break;
    }
    return QStringLiteral("Arial");
}

QFont lcdFont(LcdTypeface typeface, int pixels, bool bold)
{
    QFont font(lcdFamily(typeface));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(false);  // not the window's underlined default font
    if (typeface == LcdTypeface::Arial)
        font.setStyleHint(QFont::SansSerif);
    return font;
}
