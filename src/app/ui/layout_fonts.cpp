#include "app/ui/layout_fonts.h"

#include <QStringList>

namespace {

void substituteOnce()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
        return true;
    }();
    (void)done;
}

QFont face(const QString& family, int pixels, bool bold, bool italic, bool underline)
{
    substituteOnce();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

}  // namespace

QFont msSansSerif(int pixels, bool underline)
{
    return face(QStringLiteral("MS Sans Serif"), pixels, false, false, underline);
}

QFont arial(int pixels, bool bold, bool italic, bool underline)
{
    return face(QStringLiteral("Arial"), pixels, bold, italic, underline);
}
