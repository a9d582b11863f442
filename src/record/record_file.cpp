#include "record/record_file.h"

#include "record/record_file_input.h"
#include "record/record_file_output.h"
#include "record/text_table_file.h"
#include "record/xml_data_packet_reader.h"
#include "record/xml_data_packet_writer.h"

#include <utility>

RecordFileForm recordFileForm(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot != std::string_view::npos && fileName.substr(dot) == ".xml")
        return RecordFileForm::XmlDataPacket;
    return RecordFileForm::Text;
}

bool saveRecordFile(const std::string& fileName, const RecordTableReader& rows, RecordFileJobProgress* progress)
{
    RecordFileOutput out(fileName);
    if (!out.open())
        return false;
    const bool written = recordFileForm(fileName) == RecordFileForm::XmlDataPacket
                             ? XmlDataPacketWriter::write(rows, out, progress)
                             : TextTableFile::write(rows, out, progress);
    if (!written) {
        out.discard();
        return false;
    }
    return out.commit();
}

RecordFileLoad readRecordFile(const std::string& fileName, RecordFileJobProgress* progress)
{
    RecordFileLoad load;
    load.form = recordFileForm(fileName);
    RecordFileInput in;
    if (!in.open(fileName)) {
        load.error.reason = in.failure();
        return load;
    }
    load.ok = load.form == RecordFileForm::XmlDataPacket
                  ? XmlDataPacketReader::read(in, load.rows, progress, &load.error)
                  : TextTableFile::read(in, load.rows, progress, &load.error);
    return load;
}

bool commitRecordFileLoad(RecordTable& table, RecordFileLoad&& load)
{
    if (load.form == RecordFileForm::XmlDataPacket) {
        if (load.ok)
            table.replaceContent(std::move(load.rows));
    } else if (!load.rows.empty()) {
        table.appendRowsOf(std::move(load.rows));
    }
    return load.ok;
}

bool LoadTable(const std::string& fileName, RecordTable& table, bool emptyFirst, RecordFileError* error)
{
    if (emptyFirst)
        table.clear();
    RecordFileLoad load = readRecordFile(fileName);
    if (error)
        *error = load.error;
    return commitRecordFileLoad(table, std::move(load));
}
