#include "app/ui/help_viewer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("zqmeter Help"));
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("HelpButtons"));
    // Escape closes the dialog whatever has the focus; Enter in the page
    // follows a link instead of closing.
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
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
    browser_->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), QTextDocument::HtmlResource);
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("zqmeter Help") : title);
    return true;
}
