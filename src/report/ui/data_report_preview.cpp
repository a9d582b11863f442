#include "report/ui/data_report_preview.h"

#include "record/record_table.h"
#include "report/data_report.h"
#include "report/record_table_rows.h"
#include "report/ui/report_preview_window.h"

namespace {

// Releases the views however the preview ends.
class FrozenViews {
public:
    explicit FrozenViews(RecordTable& table) : table_(table) { table_.freezeViews(); }
    ~FrozenViews() { table_.releaseViews(); }
    FrozenViews(const FrozenViews&) = delete;
    FrozenViews& operator=(const FrozenViews&) = delete;

private:
    RecordTable& table_;
};

}  // namespace

void showDataReportPreview(RecordTable& table, QWidget* parent)
{
    const FrozenViews frozen(table);
    ReportPreviewWindow preview(std::make_unique<RecordTableRows>(table), currentReportPrintDate(), parent);
    preview.exec();
}
