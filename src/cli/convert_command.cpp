#include "cli/convert_command.h"

#include "cli/command_help.h"
#include "record/record_file_commands.h"
#include "record/record_table.h"

#include <ostream>

namespace {

/// Runs one command to its end, its messages printed to @p err; false when
/// one of them was an error.
template <class Command> bool runHeadless(RecordTable& table, std::ostream& err, Command command)
{
    RecordFileCommands files(table);
    bool failed = false;
    files.messageBox = [&](const RecordFileMessage& message) {
        err << message.text << '\n';
        failed = failed || message.icon == RecordFileMessage::Icon::Error;
    };
    command(files);
    return !failed;
}

}  // namespace

bool openRecordFileHeadless(RecordTable& table, const std::string& fileName, std::ostream& err)
{
    return runHeadless(table, err, [&](RecordFileCommands& files) {
        files.OpenClick(fileName, [&](bool ok) {
            if (!ok)
                err << files.lastLoadError().describe(fileName) << '\n';
        });
    });
}



bool saveRecordFileHeadless(RecordTable& table, const std::string& fileName, std::ostream& err)
{
    return runHeadless(table, err, [&](RecordFileCommands& files) { files.Save_asClick(fileName); });
}

int runConvertCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    if (args.size() < 2) {
        err << commandUsage("convert");
        return 2;
    }
    RecordTable table;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (!openRecordFileHeadless(table, args[i], err))
            return 1;
    return saveRecordFileHeadless(table, args.back(), err) ? 0 : 1;
}
