#include "report/ui/data_report_preview.h"

#include "record/record_table.h"
#include "report/record_table_rows.h"
#include "report/report_print_date.h"
#include "report/ui/report_preview_window.h"

namespace {

// Releases the views however the preview ends.
class FrozenViews {
public:
    explicit FrozenViews(RecordTable& table) : m_table(table) { m_table.freezeViews(); }
    ~FrozenViews() { m_table.releaseViews(); }
    FrozenViews(const FrozenViews&) = delete;
    FrozenViews& operator=(const FrozenViews&) = delete;

private:
    RecordTable& m_table;
};

}  // namespace

void showDataReportPreview(RecordTable& table, QWidget* parent)
{
    const FrozenViews frozen(table);
    ReportPreviewWindow preview(std::make_unique<RecordTableRows>(table), currentReportPrintDate(), parent);
    preview.exec();
}
