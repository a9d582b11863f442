#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

/// The help window: shows the program's help file, which holds HTML, with
/// its links. This platform has no viewer for the old help format, so the
/// program brings its own. Not modal, so the help stays open beside the
/// window it explains; Escape or Close hides it.
class HelpViewer : public QDialog {
    Q_OBJECT
public:
    /// A window of its own, owned by @p parent.
    explicit HelpViewer(QWidget* parent = nullptr);

    /// Shows the contents of the file at @p path. False, with errorText()
    /// naming the path and the reason, when the file cannot be read; what
    /// was shown before stays.
    bool load(const QString& path);

    QString errorText() const { return errorText_; }
    /// The page the help is shown on.
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    QString errorText_;
};
