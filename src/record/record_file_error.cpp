#include "record/record_file_error.h"

std::string RecordFileError::describe(std::string_view fileName) const
{
    std::string text(fileName);
    text += ": ";
    if (line > 0)
        text += "line " + std::to_string(line) + ": ";
    text += reason.empty() ? std::string("it does not load as a record file") : reason;
    return text;
}
