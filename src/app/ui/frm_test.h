#pragma once

#include "app/main_window_state.h"

#include <QMainWindow>

#include <string_view>

class BevelPanel;
class LcdPanel;
class QProgressBar;
class SvgPicture;

/// The main window FrmTest. It owns the program's state (MainWindowState)
/// and its widgets, forwards the user's actions to the handlers of the
/// state under their layout names, and renders what they changed.
class TFrmTest : public QMainWindow {
    Q_OBJECT
public:
    /// Builds the window from its layout and runs FormCreate.
    explicit TFrmTest(QWidget* parent = nullptr);

    MainWindowState& state() { return state_; }
    const MainWindowState& state() const { return state_; }

    /// Decodes one meter frame and shows the result.
    FrameOutcome ShowDataQ7(std::string_view frame);

    // Handlers of the layout.
    void FormCreate();
    void FormDestroy() {}
    void Panel3Click();
    void COM1Click();
    void COM2Click();
    void COM3Click();
    void COM4Click();
    void USBClick();
    void Panel1Click();

    /// Centres the window on the screen it is on.
    void centreOnScreen();

protected:
    /// FormCloseQuery: closing is never refused.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void renderState();

    MainWindowState state_;
    BevelPanel* Panel1 = nullptr;
    BevelPanel* Panel2 = nullptr;
    BevelPanel* Panel3 = nullptr;
    LcdPanel* Panel40 = nullptr;
    BevelPanel* KD = nullptr;
    SvgPicture* CONok = nullptr;
    SvgPicture* CONokN = nullptr;
    QProgressBar* PBar2 = nullptr;
};
