#pragma once

#include <QDialog>

#include <map>

class QLabel;
class SvgPicture;

/// The About window FrmAbout: the program's name, version and the meter
/// models it serves. A click on it closes it, except on the registered
/// mark, the web address and "Web:".
class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    /// Builds the window, hidden; it centres itself over @p parent.
    explicit TFrmAbout(QWidget* parent = nullptr);

    // Click handlers of the layout: each closes the window.
    void Label1Click();
    void Label2Click();
    void Image2Click();
    void StaticText1Click();
    void StaticText2Click();
    void FormClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    using Handler = void (TFrmAbout::*)();
    /// Watches @p widget's clicks; a null handler swallows them, so they do
    /// not reach the window behind it.
    void onClick(QWidget* widget, Handler handler);

    std::map<QObject*, Handler> clickHandlers_;
};
