#include "report/report_print_date.h"

#include <QDate>
#include <QLocale>

std::string currentReportPrintDate()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toLatin1().toStdString();
}
