#include "app/locale_decimal.h"

#include <QLocale>
#include <QString>

std::string systemLocaleDecimal()
{
    // QLocale::system() follows LC_ALL, LC_NUMERIC and LANG, like the C
    // library, but knows every locale even where it was not generated.
    const QString decimal = QLocale::system().decimalPoint();
    return decimal.toLocal8Bit().toStdString();
}
