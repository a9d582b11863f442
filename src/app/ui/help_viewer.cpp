#include "app/ui/help_viewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

HelpViewer::HelpViewer(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("zqmeter Help"));
    setOpenExternalLinks(true);
    resize(640, 560);
}

bool HelpViewer::load(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        errorText_ = QStringLiteral("The help file \"%1\" was not found.").arg(shown);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        errorText_ = QStringLiteral("The help file \"%1\" cannot be read: %2.").arg(shown, file.errorString());
        return false;
    }
    file.close();
    errorText_.clear();
    // The name ends in .hlp, so say what it holds rather than let the
    // browser guess from the extension.
    setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), QTextDocument::HtmlResource);
    const QString title = documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("zqmeter Help") : title);
    return true;
}
