#include "app/meter_status.h"

#include "record/record_sampling.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString fromLatin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString fromFileName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

}  // namespace

QString linkStatus(bool connected, std::optional<std::chrono::steady_clock::time_point> lastFrameAt,
                   std::chrono::steady_clock::time_point now)
{
    if (!connected)
        return QStringLiteral("Not connected");
    if (!lastFrameAt)
        return QStringLiteral("Connected, no frame yet");
    const auto silence = now - *lastFrameAt;
    if (silence < kReadingFrameGap)
        return QStringLiteral("Connected, reading");
    return QStringLiteral("Connected, no frame for %1 s")
        .arg(std::chrono::duration_cast<std::chrono::seconds>(silence).count());
}

QString rowsStatus(std::size_t rows, std::int32_t limit, bool limitReached)
{
    if (limitReached)
        return QStringLiteral("Record limit %1 reached: recording stopped").arg(limit);
    constexpr RecordSampling::LimitItem limitless = RecordSampling::LimitItem::setlimit;
    const QString most = limit == RecordSampling::limitOf(limitless)
                             ? fromLatin1(RecordSampling::limitCaption(limitless))
                             : QString::number(limit);
    return QStringLiteral("Rows %1 / %2").arg(rows).arg(most);
}

QString ruleStatus(bool repeat, bool interval, std::string_view intervalText)
{
    QString text = repeat ? QStringLiteral("Repeat on") : QStringLiteral("Repeat off");
    if (!interval)
        return text + QStringLiteral(", interval off");
    // The same rule the sampling applies: an empty edit means every reading.
    if (const std::optional<std::int32_t> seconds = RecordSampling::intervalOf(intervalText))
        return text + QStringLiteral(", interval %1 s").arg(*seconds);
    return text + QStringLiteral(", interval '%1' is no number").arg(fromLatin1(intervalText));
}

QString journalStatus(const MeterSession::JournalState& journal)
{
    using Kind = MeterSession::JournalState::Kind;
    switch (journal.kind) {
    case Kind::Writing: return QStringLiteral("Journal: ") + QFileInfo(fromFileName(journal.path)).fileName();
    case Kind::Failed: return QStringLiteral("Journal failed: ") + fromFileName(journal.failure);
    case Kind::Off: break;
    }
    return QStringLiteral("Journal off");
}

QString lastRowStatus(const std::optional<std::string>& time)
{
    return QStringLiteral("Last row ") + (time && !time->empty() ? fromLatin1(*time) : QStringLiteral("\u2014"));
}

MeterStatus meterStatus(const MeterSession& session, std::chrono::steady_clock::time_point now)
{
    const RecordSampling& sampling = session.sampling();
    const RecordTable& table = session.cds1();
    const MeterSession::JournalState journal = session.journalState();

    MeterStatus status;
    status.link = linkStatus(session.link().connected(), session.lastFrameAt(), now);
    status.limitReached = sampling.limitReached();
    status.rows = rowsStatus(table.rowCount(), sampling.RecordLimit(), status.limitReached);
    status.rule = ruleStatus(sampling.RepeatSet(), sampling.RecordSI(), sampling.RecordSITimeText());
    status.journal = journalStatus(journal);
    status.journalPath = journal.kind == MeterSession::JournalState::Kind::Off ? QString() : fromFileName(journal.path);
    status.journalFailed = journal.kind == MeterSession::JournalState::Kind::Failed;
    status.lastRow =
        lastRowStatus(table.empty() ? std::nullopt : table.fieldText(table.rowCount() - 1, RecordField::Time));
    return status;
}
