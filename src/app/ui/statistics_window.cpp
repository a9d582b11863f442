#include "app/ui/statistics_window.h"

#include "app/meter_session.h"
#include "meter/reading_number.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QHeaderView>
#include <QTableWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>

namespace {

QString fromModel(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

/// @p value to @p digits significant digits; six are what a figure shows.
QString numberText(std::optional<double> value, int digits = 6)
{
    if (!value)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", digits, *value);
    return QString::fromLatin1(text);
}

QLineEdit* limitEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(90);
    return edit;
}

}  // namespace

StatisticsWindow::StatisticsWindow(MeterSession& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("FrmStatistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    setModal(false);
    resize(760, 480);

    figures_ = new QTableWidget(0, 10, this);
    figures_->setObjectName(QStringLiteral("StatisticsTable"));
    figures_->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Unit"), QStringLiteral("Readings"),
                                         QStringLiteral("Skipped"), QStringLiteral("Min (No)"),
                                         QStringLiteral("Max (No)"), QStringLiteral("Mean"),
                                         QStringLiteral("Std dev"), QStringLiteral("Held [s]"),
                                         QStringLiteral("Energy / charge")});
    figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    figures_->verticalHeader()->hide();
    figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    figures_->horizontalHeader()->setStretchLastSection(true);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("StatisticsSummary"));

    auto* limits = new QGroupBox(QStringLiteral("Limits of the main reading"), this);
    high_ = limitEdit("HighLimit", limits);
    low_ = limitEdit("LowLimit", limits);
    hysteresis_ = limitEdit("Hysteresis", limits);
    apply_ = new QPushButton(QStringLiteral("Apply"), limits);
    apply_->setObjectName(QStringLiteral("ApplyLimits"));
    limitState_ = new QLabel(limits);
    limitState_->setObjectName(QStringLiteral("LimitState"));
    limitError_ = new QLabel(limits);
    limitError_->setObjectName(QStringLiteral("LimitError"));
    limitError_->setStyleSheet(QStringLiteral("color: red"));
    auto* form = new QGridLayout(limits);
    form->addWidget(new QLabel(QStringLiteral("High"), limits), 0, 0);
    form->addWidget(high_, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Low"), limits), 0, 2);
    form->addWidget(low_, 0, 3);
    form->addWidget(new QLabel(QStringLiteral("Hysteresis"), limits), 0, 4);
    form->addWidget(hysteresis_, 0, 5);
    form->addWidget(apply_, 0, 6);
    form->addWidget(limitState_, 1, 0, 1, 7);
    form->addWidget(limitError_, 2, 0, 1, 7);

    events_ = new QListWidget(this);
    events_->setObjectName(QStringLiteral("LimitEvents"));

    copy_ = new QPushButton(QStringLiteral("Copy"), this);
    copy_->setObjectName(QStringLiteral("CopyStatistics"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseStatistics"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(figures_, 3);
    layout->addWidget(summary_);
    layout->addWidget(limits);
    layout->addWidget(new QLabel(QStringLiteral("Limit events"), this));
    layout->addWidget(events_, 2);
    layout->addLayout(buttons);

    connect(apply_, &QPushButton::clicked, this, &StatisticsWindow::applyLimits);
    for (QLineEdit* edit : {high_, low_, hysteresis_})
        connect(edit, &QLineEdit::returnPressed, this, &StatisticsWindow::applyLimits);
    connect(copy_, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(copyText()); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    const ReadingLimits& current = session_.limits();
    high_->setText(numberText(current.high(), 10));
    low_->setText(numberText(current.low(), 10));
    hysteresis_->setText(current.hysteresis() > 0 ? numberText(current.hysteresis(), 10) : QString());
    refresh();
}

void StatisticsWindow::applyLimits()
{
    // Empty is no limit; a number may be written with either separator.
    auto limitOf = [](const QLineEdit* edit, bool& ok) -> std::optional<double> {
        const std::string text = edit->text().trimmed().toLatin1().toStdString();
        if (text.empty())
            return std::nullopt;
        const std::optional<double> value = readingNumber(text);
        ok = ok && value.has_value();
        return value;
    };
    bool ok = true;
    const std::optional<double> high = limitOf(high_, ok);
    const std::optional<double> low = limitOf(low_, ok);
    const double hysteresis = limitOf(hysteresis_, ok).value_or(0);
    if (!ok || !ReadingLimits::valid(high, low, hysteresis)) {
        limitError_->setText(ok ? QStringLiteral("The low limit must not be above the high one, and the hysteresis not "
                                                 "below 0.")
                                : QStringLiteral("A limit is a number, such as 1.5; leave it empty for none."));
        return;
    }
    limitError_->clear();
    session_.setLimits(ReadingLimits(high, low, hysteresis));
    shownState_ = -1;
    refresh();
}

void StatisticsWindow::refresh()
{
    const RecordStatistics& statistics = session_.statistics();
    const bool pending = session_.statisticsPending();
    if (statistics.rows() != shownRows_ || pending != shownPending_) {
        const std::vector<StatisticsGroup>& groups = statistics.groups();
        figures_->setRowCount(static_cast<int>(groups.size()));
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const StatisticsGroup& group = groups[i];
            const auto withNo = [](std::optional<double> value, std::optional<std::int32_t> no) {
                if (!value)
                    return QString();
                return numberText(value) + (no ? QStringLiteral(" (%1)").arg(*no) : QString());
            };
            const QString cells[] = {
                fromModel(std::string(recordFieldName(group.field))),
                group.unit.empty() ? QStringLiteral("(none)") : fromModel(group.unit),
                QString::number(group.count),
                QString::number(group.skipped),
                withNo(group.min, group.minNo),
                withNo(group.max, group.maxNo),
                numberText(group.mean),
                numberText(group.stddev),
                QString::number(group.holdSeconds, 'f', 0),
                group.integralHours ? numberText(group.integralHours) + QLatin1Char(' ') + fromModel(group.unit) +
                                          QLatin1Char('h')
                                    : QString(),
            };
            for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
                QTableWidgetItem* item = figures_->item(static_cast<int>(i), column);
                if (!item) {
                    item = new QTableWidgetItem;
                    figures_->setItem(static_cast<int>(i), column, item);
                }
                if (item->text() != cells[column])
                    item->setText(cells[column]);
            }
        }
        QString summary = QStringLiteral("%1 rows over %2 s").arg(statistics.rows()).arg(statistics.durationSeconds(), 0, 'f', 0);
        if (pending)
            summary += QStringLiteral("; computing the figures of the loaded rows...");
        summary_->setText(summary);
        shownRows_ = statistics.rows();
        shownPending_ = pending;
    }

    const ReadingLimits& limits = session_.limits();
    const int state = limits.any() ? static_cast<int>(limits.state()) : -1;
    if (state != shownState_) {
        shownState_ = state;
        QString text = QStringLiteral("No limits set.");
        bool beyond = false;
        if (limits.any()) {
            switch (limits.state()) {
            case ReadingLimits::State::Inside: text = QStringLiteral("The reading is within its limits."); break;
            case ReadingLimits::State::High:
                text = QStringLiteral("The reading is above its high limit.");
                beyond = true;
                break;
            case ReadingLimits::State::Low:
                text = QStringLiteral("The reading is below its low limit.");
                beyond = true;
                break;
            }
        }
        limitState_->setText(text);
        limitState_->setStyleSheet(beyond ? QStringLiteral("color: red; font-weight: bold") : QString());
    }

    if (session_.limitEventCount() != shownEvents_) {
        // Only the events that came since; the oldest go once the list is full.
        const auto& events = session_.limitEvents();
        const std::uint64_t fresh = std::min<std::uint64_t>(session_.limitEventCount() - shownEvents_, events.size());
        for (std::size_t i = events.size() - static_cast<std::size_t>(fresh); i < events.size(); ++i)
            events_->addItem(fromModel(MeterSession::limitEventText(events[i])));
        while (events_->count() > static_cast<int>(MeterSession::kLimitEventLimit))
            delete events_->takeItem(0);
        events_->scrollToBottom();
        shownEvents_ = session_.limitEventCount();
    }
}

QString StatisticsWindow::copyText() const
{
    QString text = fromModel(session_.statistics().text());
    if (events_->count() > 0) {
        text += QStringLiteral("\nLimit events:\n");
        for (int i = 0; i < events_->count(); ++i)
            text += events_->item(i)->text() + QLatin1Char('\n');
    }
    return text;
}
