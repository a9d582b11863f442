#pragma once

#include <QString>
#include <QTextBrowser>

/// The help window: shows the program's help file, which holds HTML, with
/// its links. This platform has no viewer for the old help format, so the
/// program brings its own.
class HelpViewer : public QTextBrowser {
    Q_OBJECT
public:
    /// A window of its own, owned by @p parent.
    explicit HelpViewer(QWidget* parent = nullptr);

    /// Shows the contents of the file at @p path. False, with errorText()
    /// naming the path and the reason, when the file cannot be read; what
    /// was shown before stays.
    bool load(const QString& path);

    QString errorText() const { return errorText_; }

private:
    QString errorText_;
};
