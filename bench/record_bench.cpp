// Cost of a recorded reading and of a grid repaint with many rows held, and
// the table's bytes a row; beside it, the same reading shown through a
// QTableView over a QAbstractTableModel, as a yardstick. Offscreen; prints
// figures, asserts nothing.
//
//   zq_record_bench [max-rows]     (default 10000000)

#include "meter/meter_reading.h"
#include "record/record_sampling.h"
#include "record/ui/record_grid_view.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::size_t heapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Readings as a meter on a site gives them: a slowly wandering power, mains
// voltage, a current; a few thousand distinct values of each.
class Site {
public:
    MeterReading next()
    {
        power_ = std::clamp(power_ + step_(random_), 100, 4999);
        volts_ = std::clamp(volts_ + step_(random_), 2150, 2450);
        MeterReading reading;
        reading.ValueText = decimal(power_, 3);
        reading.UnitText = "KW";
        reading.VValueText = decimal(volts_, 1);
        reading.VUnitText = "v";
        reading.IValueText = decimal(power_ * 1000 / std::max(1, volts_ / 10) , 2);
        reading.IUnitText = "A";
        return reading;
    }

private:
    static std::string decimal(int value, int places)
    {
        std::string text = std::to_string(value);
        while (static_cast<int>(text.size()) <= places)
            text.insert(0, "0");
        text.insert(text.size() - static_cast<std::size_t>(places), ".");
        return text;
    }

    std::mt19937 random_{7};
    std::uniform_int_distribution<int> step_{-3, 3};
    int power_ = 1500;
    int volts_ = 2300;
};

RecordRow rowOf(const MeterReading& reading, std::int32_t no, int secondsOfDay)
{
    RecordRow row;
    row.setNo(no);
    row.setText(RecordField::Time, RecordSampling::timeText(secondsOfDay, ":"));
    row.setText(RecordField::Value, reading.ValueText);
    row.setText(RecordField::Unit, reading.UnitText);
    row.setText(RecordField::V_Value, reading.VValueText);
    row.setText(RecordField::V_Unit, reading.VUnitText);
    row.setText(RecordField::I_Value, reading.IValueText);
    row.setText(RecordField::I_Unit, reading.IUnitText);
    return row;
}

void fillRealistic(RecordTable& table, std::size_t rows, Site& site)
{
    while (table.rowCount() < rows) {
        const auto no = static_cast<std::int32_t>(table.rowCount() + 1);
        table.appendRow(rowOf(site.next(), no, static_cast<int>(table.rowCount() % 86400)));
    }
}

struct Figures {
    double mean = 0, median = 0, worst = 0;
};

Figures figures(std::vector<double> samples)
{
    Figures f;
    for (double s : samples)
        f.mean += s;
    f.mean /= static_cast<double>(samples.size());
    std::sort(samples.begin(), samples.end());
    f.median = samples[samples.size() / 2];
    f.worst = samples.back();
    return f;
}

// The yardstick: the table through an item model.
class TableModel : public QAbstractTableModel, public RecordTableListener {
public:
    explicit TableModel(RecordTable& table) : table_(table), rows_(static_cast<int>(table.rowCount()))
    {
        table_.addListener(this);
    }
    ~TableModel() override { table_.removeListener(this); }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 8; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        std::optional<std::string> text =
            table_.fieldText(static_cast<std::size_t>(index.row()), recordField(static_cast<std::size_t>(index.column())));
        return text ? QVariant(QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size()))) : QVariant();
    }
    void recordTableChanged(const RecordTableChange& change) override
    {
        if (change.reset) {
            beginResetModel();
            rows_ = static_cast<int>(change.rowCount);
            endResetModel();
        } else if (change.rowCount > static_cast<std::size_t>(rows_)) {
            beginInsertRows({}, rows_, static_cast<int>(change.rowCount) - 1);
            rows_ = static_cast<int>(change.rowCount);
            endInsertRows();
        }
    }

private:
    RecordTable& table_;
    int rows_;
};

constexpr int kReadings = 500;
// Readings before measuring: the scroll bars appear, fonts and caches load.
constexpr int kWarmUp = 20;

void measureGrid(RecordTable& table, Site& site, std::size_t held)
{
    RecordSampling sampling(table);
    // The rows held stand for rows loaded from files, so numbering starts
    // at 1; no limit may stop it, however many rows are held.
    sampling.setRecordLimit(INT32_MAX);
    RecordGridView grid;
    grid.resize(357, 129);
    grid.setTable(&table);
    grid.show();
    QApplication::processEvents();

    for (int i = 0; i < kWarmUp; ++i) {
        sampling.INDataToTable(1, site.next(), i);
        QApplication::processEvents();
    }
    std::vector<double> record, repaint;
    for (int i = 0; i < kReadings; ++i) {
        const MeterReading reading = site.next();
        Clock::time_point start = Clock::now();
        sampling.INDataToTable(1, reading, i);
        record.push_back(msSince(start));
        start = Clock::now();
        grid.viewport()->repaint();
        repaint.push_back(msSince(start));
    }
    const Figures r = figures(record), p = figures(repaint);
    std::printf("grid       %9zu rows held: recorded reading %.4f ms mean, %.4f median, %.4f worst; "
                "repaint %.3f ms mean, %.3f worst\n",
                held, r.mean, r.median, r.worst, p.mean, p.worst);
    std::fflush(stdout);
    grid.setTable(nullptr);
}

void measureTableView(RecordTable& table, Site& site, std::size_t held)
{
    RecordSampling sampling(table);
    // The rows held stand for rows loaded from files, so numbering starts
    // at 1; no limit may stop it, however many rows are held.
    sampling.setRecordLimit(INT32_MAX);
    QTableView view;
    view.resize(357, 129);
    view.verticalHeader()->hide();
    view.verticalHeader()->setMinimumSectionSize(1);
    view.verticalHeader()->setDefaultSectionSize(17);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    Clock::time_point start = Clock::now();
    TableModel model(table);
    view.setModel(&model);
    const double setModel = msSince(start);
    view.show();
    QApplication::processEvents();

    for (int i = 0; i < kWarmUp; ++i) {
        sampling.INDataToTable(1, site.next(), i);
        QApplication::processEvents();
    }
    std::vector<double> record, repaint;
    for (int i = 0; i < kReadings; ++i) {
        const MeterReading reading = site.next();
        start = Clock::now();
        RecordSampling::Offer offer = sampling.INDataToTable(1, reading, i);
        const QModelIndex newest = model.index(static_cast<int>(*offer.row), 0);
        view.selectRow(newest.row());
        view.scrollTo(newest);
        record.push_back(msSince(start));
        start = Clock::now();
        view.viewport()->repaint();
        repaint.push_back(msSince(start));
    }
    const Figures r = figures(record), p = figures(repaint);
    std::printf("QTableView %9zu rows held: recorded reading %.4f ms mean, %.4f median, %.4f worst; "
                "repaint %.3f ms mean; setModel %.1f ms\n",
                held, r.mean, r.median, r.worst, p.mean, setModel);
    std::fflush(stdout);
}

void measureBytes(std::size_t rows)
{
    {
        const std::size_t before = heapInUse();
        RecordTable table;
        Site site;
        fillRealistic(table, rows, site);
        const double heap = static_cast<double>(heapInUse() - before) / static_cast<double>(rows);
        std::printf("bytes a row, %zu realistic rows: %.1f (table's own count), %.1f (heap)\n", rows,
                    static_cast<double>(table.memoryBytes()) / static_cast<double>(rows), heap);
    }
    {
        const std::size_t before = heapInUse();
        RecordTable table;
        Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < rows; ++i) {
            // Every text of every row differs, as in a file of made-up rows.
            RecordRow row;
            row.setNo(static_cast<std::int32_t>(i));
            const std::string tag = std::to_string(i);
            row.setText(RecordField::Time, "t" + tag);
            row.setText(RecordField::Value, "v" + tag);
            row.setText(RecordField::Unit, "u" + tag);
            row.setText(RecordField::V_Value, "w" + tag);
            row.setText(RecordField::V_Unit, "x" + tag);
            row.setText(RecordField::I_Value, "i" + tag);
            row.setText(RecordField::I_Unit, "j" + tag);
            table.appendRow(row);
        }
        const double fill = msSince(start);
        const double heap = static_cast<double>(heapInUse() - before) / static_cast<double>(rows);
        std::printf("bytes a row, %zu all-unique rows: %.1f (table's own count), %.1f (heap); filled in %.0f ms\n",
                    rows, static_cast<double>(table.memoryBytes()) / static_cast<double>(rows), heap, fill);

        RecordTable target;
        target.appendRow(RecordRow{});
        start = Clock::now();
        target.appendRowsOf(std::move(table));
        std::printf("committing those rows to a table (appendRowsOf): %.3f ms\n", msSince(start));
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::size_t maxRows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000;

    for (std::size_t held : {std::size_t{0}, std::size_t{1000000}, maxRows}) {
        if (held > maxRows)
            continue;
        RecordTable table;
        Site site;
        fillRealistic(table, held, site);
        measureGrid(table, site, held);
        measureTableView(table, site, table.rowCount());
        if (held == maxRows && held != 0)
            break;
    }
    measureBytes(maxRows);
    return 0;
}
