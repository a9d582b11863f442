#include "record/record_file_commands.h"

#include "record/record_file.h"
#include "record/record_table.h"

#include <exception>

RecordFileCommands::RecordFileCommands(RecordTable& table) : table_(table) {}

RecordFileCommands::~RecordFileCommands()
{
    if (releaser_.joinable())
        releaser_.join();
}

void RecordFileCommands::releaseLater(RecordTableReader old)
{
    if (!post)
        return;  // no main thread to spare: freed here
    if (releaser_.joinable())
        releaser_.join();
    // The reader holds the last references to the old rows; dropping them
    // frees ten million rows in tens of milliseconds.
    releaser_ = std::thread([old = std::move(old)]() mutable { old = RecordTableReader(); });
}

void RecordFileCommands::show(RecordFileMessage message)
{
    messages_.push_back(message);
    if (messageBox)
        messageBox(messages_.back());
}

void RecordFileCommands::tellEnded(RecordFileCommand command, bool ok) const
{
    if (ended)
        ended(command, ok);
}

void RecordFileCommands::start(RecordFileJobProgress::Kind kind, RecordFileJob::Work work)
{
    if (started)
        started(kind == RecordFileJobProgress::Kind::Save ? RecordFileCommand::Save : RecordFileCommand::Open);
    auto progress = std::make_shared<RecordFileJobProgress>(kind);
    if (post && jobStarted)
        jobStarted(progress);
    job_.start(std::move(progress), std::move(work), post);
}

void RecordFileCommands::save(const std::string& fileName, std::function<void(bool)> ended)
{
    // The reader holds the rows as they are now; recording goes on beside it.
    start(RecordFileJobProgress::Kind::Save,
          [fileName, rows = table_.reader(), ended](RecordFileJobProgress& progress) mutable {
              bool ok = false;
              try {
                  ok = saveRecordFile(fileName, rows, &progress);
              } catch (const std::exception&) {
                  // Out of memory for the buffer: the file was not written.
              }
              rows = RecordTableReader();
              return [ended, ok]() { ended(ok); };
          });
}

void RecordFileCommands::saveText(const std::string& fileName, std::function<void()> afterwards)
{
    table_.freezeViews();
    save(fileName, [this, fileName, afterwards](bool ok) {
        if (!table_.empty())
            table_.setCurrentRow(table_.rowCount() - 1);
        table_.releaseViews();
        if (ok)
            show({"Save table to specified file: " + fileName + " Scuss!", "Information",
                  RecordFileMessage::Icon::Information});
        else
            show({"Could not save table to specified file: " + fileName, "Error", RecordFileMessage::Icon::Error});
        if (afterwards)
            afterwards();
        tellEnded(RecordFileCommand::Save, ok);
    });
}

void RecordFileCommands::SaveTableAsText(const std::string& fileName)
{
    if (!busy())
        saveText(fileName, {});
}

void RecordFileCommands::Save_asClick(const std::string& fileName)
{
    if (busy())
        return;
    table_.freezeViews();
    if (recordFileForm(fileName) == RecordFileForm::XmlDataPacket) {
        save(fileName, [this, fileName](bool ok) {
            // The same box as the text form's: the user learns the file was not written.
            if (!ok)
                show({"Could not save table to specified file: " + fileName, "Error", RecordFileMessage::Icon::Error});
            table_.releaseViews();
            tellEnded(RecordFileCommand::Save, ok);
        });
        return;
    }
    saveText(fileName, [this]() {
        if (repaintWindow)
            repaintWindow();
        table_.releaseViews();
    });
}

void RecordFileCommands::OpenClick(const std::string& fileName, std::function<void(bool ok)> done)
{
    if (busy())
        return;
    table_.freezeViews();
    start(RecordFileJobProgress::Kind::Load, [this, fileName, done](RecordFileJobProgress& progress) {
        // RecordFileLoad holds a table, which a std::function cannot copy.
        auto load = std::make_shared<RecordFileLoad>();
        try {
            *load = readRecordFile(fileName, &progress);
        } catch (const std::exception&) {
            // Out of memory for the rows: a failed load like any other.
            load->form = recordFileForm(fileName);
            load->ok = false;
            load->error = {"out of memory", 0};
        }
        // A failed packet is dropped whole: free its rows here, not on the main thread.
        if (load->form == RecordFileForm::XmlDataPacket && !load->ok)
            load->rows = RecordTable();
        return [this, load, done]() {
            RecordTableReader replaced;
            if (load->form == RecordFileForm::XmlDataPacket && load->ok)
                replaced = table_.reader();
            lastLoadError_ = load->ok ? RecordFileError{} : load->error;
            const bool ok = commitRecordFileLoad(table_, std::move(*load));
            releaseLater(std::move(replaced));
            if (!ok)
                show({"Failed to Load File!", "Error", RecordFileMessage::Icon::Error});
            table_.releaseViews();
            tellEnded(RecordFileCommand::Open, ok);
            if (done)
                done(ok);
        };
    });
}
