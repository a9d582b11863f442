#pragma once

#include "app/meter_session.h"
#include "app/meter_status.h"
#include "app/port_menu.h"
#include "app/ui/message_boxes.h"
#include "record/record_file_job.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class BevelPanel;
class ChartContextMenu;
class ChartEnlarger;
class QCustomPlotChartEngine;
class RecordGridView;
class DialPicture;
class HelpViewer;
class LcdPanel;
class QAction;
class QCheckBox;
class QCustomPlot;
class QFileDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;
class StatisticsWindow;
class SvgPicture;
class TFrmAbout;
class THidPlatform;
class QtHidDispatcher;

/// The main window FrmTest. It owns the meter session and renders it; its
/// controls are bound to the handlers of the session's units, under their
/// layout names, and the window's own handlers call those units directly.
/// Its own state is what only a window has: the hidden port menu, the
/// captions, the help file, the queue of message boxes, shown one at a
/// time once the handler that raised them has returned, the status bar and
/// the question asked before closing.
class TFrmTest : public QMainWindow {
    Q_OBJECT
public:
    /// Shows a help file; given the full path of "zq7.hlp".
    using HelpShower = std::function<void(const QString& path)>;

    /// Builds the window from its layout, starts the HID controller on
    /// @p platform (the system's own when null), runs FormCreate and creates
    /// the About window, hidden.
    explicit TFrmTest(std::shared_ptr<THidPlatform> platform = nullptr, QWidget* parent = nullptr);
    ~TFrmTest() override;

    MeterSession& session() { return session_; }
    const MeterSession& session() const { return session_; }
    const PortMenu& ports() const { return ports_; }
    const MessageQueue& messages() const { return messages_->queue(); }

    /// Decodes one meter frame and shows the result.
    FrameOutcome ShowDataQ7(std::string_view frame);
    /// One input report as the connected cable's data handler gets it, then
    /// what it changed is shown.
    void ReadReport(uint8_t ReportID, const uint8_t* Data, uint16_t Size);

    // Handlers of the layout; the rest are the units' own.
    void FormCreate();
    void Panel2Click();
    void Panel3Click();
    void Panel1Click();
    /// Opens the help file beside the program (menu item HELP1, key F1).
    void HELP1Click();
    /// Shows the About window modally and returns when it is closed.
    void About2Click();
    /// Opens the statistics window (menu item StatisticsR), not modal.
    void StatisticsRClick();
    /// The statistics window, once opened; nullptr before.
    StatisticsWindow* statisticsWindow() const { return statistics_; }

    // Timer handlers.
    void ConTimerTimer();
    void Timer_rangeTimer();

    // Recording, the record files and the report.
    void RecordSITimeChange(const QString& text);
    void ClearRClick();
    void Save_asClick();
    void OpenClick();
    void MajPrintClick();

    // The trend chart's tools.
    void MaxrecordChange(const QString& text);
    /// Asks for a file name and writes the chart's picture to it off the
    /// main thread; the message follows when it is written.
    void BtSaveClick();

    /// Folder of the program file, with its trailing separator (set by
    /// FormCreate), and the help file HELP1Click last asked for.
    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& HelpFile() const { return helpFile_; }

    /// The About window, created hidden with the main window.
    TFrmAbout* aboutWindow() const { return FrmAbout; }

    /// Replaces what HELP1Click does with the help file's path (tests watch
    /// it instead of opening windows and message boxes).
    void setHelpShower(HelpShower shower) { helpShower_ = std::move(shower); }

    /// The default help shower: opens @p path in the help window, or tells
    /// the user in a message box, naming the path, when it cannot be read.
    void showHelpFile(const QString& path);

    /// The help window, once help has been shown; nullptr before.
    HelpViewer* helpViewer() const { return helpViewer_; }

    /// A file dialog of the layout by name ("SaveDialog2", "OpenDialog1",
    /// "SavePictureDialog1"), created with its filter, default extension
    /// and options on first use; nullptr for another name. A save dialog's
    /// default extension follows the file type chosen in it.
    QFileDialog* fileDialog(std::string_view name);

    /// Centres the window on the screen it is on.
    void centreOnScreen();

    /// Sets the status bar's fields from the session as of now; only a
    /// field whose text or highlight changed is touched.
    void renderStatus();
    /// Marks the LCD panel's frame while the reading is beyond a limit, beeps
    /// once for each limit newly crossed and brings the statistics window
    /// up to date.
    void renderLimits();
    /// Whether the LCD panel's frame shows a limit crossed.
    bool limitMarked() const;

protected:
    /// FormCloseQuery: with readings recorded since the last save, the
    /// window stays open and asks, without waiting, whether to save them:
    /// Save closes once the save succeeded, Discard closes, Cancel keeps it
    /// open. With none it closes at once. The session ends its journal
    /// before the window closes.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildRecordStrip();
    void buildChart(QWidget* client);
    void buildMenu();
    void buildTimers();
    void buildStatusBar();
    void connectControls();
    void renderState();
    void renderReading();
    void renderMenuMarks();
    void renderChart();
    void closeQuestionAnswered(UserMessage::Reply reply);
    void fileCommandEnded(RecordFileCommand command, bool ok);

    QtHidDispatcher* dispatcher_ = nullptr;
    MeterSession session_;
    PortMenu ports_;
    MessageBoxes* messages_ = nullptr;
    std::string programFolder_;
    std::string helpFile_;
    std::string renderedRsUsb_;
    /// Writes the chart's picture off the main thread.
    RecordFileJob pictureJob_;

    /// Where a close that found unsaved readings stands.
    enum class CloseStep : std::uint8_t { None, Asking, Saving };
    CloseStep closeStep_ = CloseStep::None;
    /// The user chose to close: the next close event is accepted.
    bool closeAllowed_ = false;
    bool closeDiscarded_ = false;

    // Controls of the layout, by their names.
    QLabel* Label5 = nullptr;
    QToolButton* ReadBtn = nullptr;
    QToolButton* USBCon = nullptr;
    QTableView* DBGrid2 = nullptr;
    QProgressBar* PBar2 = nullptr;
    BevelPanel* Panel7 = nullptr;
    QCheckBox* RepeatSet = nullptr;
    QCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* MajPrint = nullptr;
    QListWidget* DevListBox = nullptr;
    BevelPanel* Panel1 = nullptr;
    BevelPanel* Panel3 = nullptr;
    LcdPanel* Panel40 = nullptr;
    RecordGridView* DBGrid1 = nullptr;
    QListWidget* HistoryListBox = nullptr;
    QPushButton* SetFeature = nullptr;
    BevelPanel* KD = nullptr;
    DialPicture* KD1 = nullptr;
    SvgPicture* CONok = nullptr;
    SvgPicture* CONokN = nullptr;
    BevelPanel* Panel2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QCustomPlot* Chtshow = nullptr;
    QCheckBox* BtFill = nullptr;
    QLineEdit* Maxrecord = nullptr;
    QToolButton* BtNew = nullptr;
    QToolButton* BtSave = nullptr;
    QToolButton* BtFirst = nullptr;
    QToolButton* BTPrevious = nullptr;
    QToolButton* Bt10 = nullptr;
    QToolButton* BtNext = nullptr;
    QToolButton* BTlast = nullptr;
    SvgPicture* TbFd = nullptr;
    SvgPicture* TbSx = nullptr;

    /// Items of MainMenu1 by name (a submenu by its menu action).
    std::map<std::string, QAction*, std::less<>> menuItems_;

    QTimer* ConTimer = nullptr;
    QTimer* SampInterTime = nullptr;
    QTimer* Engertimer = nullptr;
    QTimer* Timer_range = nullptr;
    QTimer* Timer1 = nullptr;

    std::map<std::string, QFileDialog*, std::less<>> fileDialogs_;

    // The status bar's fields and what they show.
    QLabel* statusLink_ = nullptr;
    QLabel* statusRows_ = nullptr;
    QLabel* statusRule_ = nullptr;
    QLabel* statusJournal_ = nullptr;
    QLabel* statusLastRow_ = nullptr;
    MeterStatus shownStatus_;

    TFrmAbout* FrmAbout = nullptr;
    HelpViewer* helpViewer_ = nullptr;
    StatisticsWindow* statistics_ = nullptr;
    /// A red frame over the LCD panel while the reading is beyond a limit.
    QWidget* limitFrame_ = nullptr;
    uint64_t limitEventsSeen_ = 0;
    HelpShower helpShower_;
    std::unique_ptr<QCustomPlotChartEngine> chartEngine_;
    std::unique_ptr<ChartEnlarger> chartEnlarger_;
    std::unique_ptr<ChartContextMenu> chartMenu_;
};
