#include "app/locale_decimal.h"

#include <QLocale>
#include <QRegularExpression>
#include <QString>

std::string systemLocaleDecimal()
{
    // QLocale::system() follows LC_ALL, LC_NUMERIC and LANG, like the C
    // library, but knows every locale even where it was not generated.
    const QString decimal = QLocale::system().decimalPoint();
    return decimal.toLocal8Bit().toStdString();
}

std::string systemTimeSeparator()
{
    // The first run of characters after the hours that is neither a format
    // letter nor a quote ("HH:mm:ss" gives ":", "H.mm" gives ".").
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    const qsizetype hours = format.indexOf(QRegularExpression(QStringLiteral("[Hh]")));
    if (hours < 0)
        return ":";
    qsizetype begin = hours;
    while (begin < format.size() && (format[begin] == QLatin1Char('H') || format[begin] == QLatin1Char('h')))
        ++begin;
    qsizetype end = begin;
    while (end < format.size() && !format[end].isLetter() && format[end] != QLatin1Char('\''))
        ++end;
    if (end == begin)
        return ":";
    return format.mid(begin, end - begin).toLocal8Bit().toStdString();
}
