#pragma once

#include "record/record_file_error.h"
#include "record/record_file_job.h"
#include "record/record_table.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

/// A message box of the file commands: one OK button.
struct RecordFileMessage {
    enum class Icon { Information, Error };
    std::string text;
    std::string caption;
    Icon icon = Icon::Information;

    friend bool operator==(const RecordFileMessage&, const RecordFileMessage&) = default;
};

/// Which command a file job ran.
enum class RecordFileCommand : std::uint8_t { Save, Open };

/// The save and open commands of the record table cds1 without their
/// dialogs: the window shows SaveDialog2 or OpenDialog1 and hands the chosen
/// name over. The file is read or written off the main thread (see
/// RecordFileJob) while the table goes on recording; the bound views stay
/// frozen until the command ends. One command at a time: while one runs
/// (busy()), the others do nothing.
///
/// Main thread only. Declare it after the table it works on, so that it
/// goes first and a running job is stopped while the table still exists.
class RecordFileCommands {
public:
    explicit RecordFileCommands(RecordTable& table);
    ~RecordFileCommands();
    RecordFileCommands(const RecordFileCommands&) = delete;
    RecordFileCommands& operator=(const RecordFileCommands&) = delete;

    /// The save command, given the name chosen in SaveDialog2: freezes the
    /// views, writes the data packet when the extension is exactly ".xml"
    /// (no message on success), otherwise runs SaveTableAsText and has the
    /// window repainted; then releases the views. Writes the rows the table
    /// holds now; rows recorded meanwhile are not in the file.
    void Save_asClick(const std::string& fileName);
    /// Writes the table as tab-separated text and tells the user how it
    /// went: "Save table to specified file: NAME Scuss!" or "Could not save
    /// table to specified file: NAME". The current row ends on the last row.
    void SaveTableAsText(const std::string& fileName);
    /// The open command, given the name chosen in OpenDialog1: freezes the
    /// views, LoadTable(name, table, false), releases them. A failure shows
    /// "Failed to Load File!". Rows recorded meanwhile come before the rows
    /// of the file. @p done, optional, is told at the end whether the file
    /// loaded; it is not called when another command is still running.
    void OpenClick(const std::string& fileName, std::function<void(bool ok)> done = {});

    /// Whether a command is still running.
    bool busy() const { return job_.running(); }

    /// Shows a modal message box and returns when it is closed. Without one
    /// the message is only kept (messages()).
    std::function<void(const RecordFileMessage&)> messageBox;
    /// Has the whole main window repainted.
    std::function<void()> repaintWindow;
    /// Hands a function to the main thread (see RecordFileJob::Post). Without
    /// it every command runs to its end before it returns.
    RecordFileJob::Post post;
    /// Called when a command has started its file work, with its progress;
    /// the window shows a progress dialog for it after about half a second.
    std::function<void(std::shared_ptr<const RecordFileJobProgress>)> jobStarted;

    /// Told when a command starts its file work (a save's rows are those
    /// the table holds then) and when it has ended, whether it succeeded;
    /// on the main thread, after the command's own ending.
    std::function<void(RecordFileCommand)> started;
    std::function<void(RecordFileCommand, bool ok)> ended;

    /// Every message shown so far, oldest first.
    const std::vector<RecordFileMessage>& messages() const { return messages_; }
    /// Why the last open command's file did not load; empty after one that
    /// did.
    const RecordFileError& lastLoadError() const { return lastLoadError_; }

private:
    void save(const std::string& fileName, std::function<void(bool)> ended);
    void saveText(const std::string& fileName, std::function<void()> afterwards);
    void show(RecordFileMessage message);
    void start(RecordFileJobProgress::Kind kind, RecordFileJob::Work work);
    void tellEnded(RecordFileCommand command, bool ok) const;

    /// Frees the content a data packet replaced, off the main thread.
    void releaseLater(RecordTableReader old);

    RecordTable& table_;
    std::vector<RecordFileMessage> messages_;
    RecordFileError lastLoadError_;
    RecordFileJob job_;
    std::thread releaser_;
};
