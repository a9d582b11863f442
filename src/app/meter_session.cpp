#include "app/meter_session.h"

#include "app/app_log.h"
#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_dispatcher.h"
#include "record/system_files.h"

#include <cstdio>
#include <ctime>

#include <algorithm>
#include <utility>

namespace {

int32_t systemSecondsOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!systemFiles::localTime(now, local))
        return 0;
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

UserMessage journalMessage(const std::string& failure)
{
    return {UserMessage::Icon::Error, "Journal",
            failure + ".\nRecording goes on; the readings are kept in memory only until you save them.", true};
}

UserMessage userMessageOf(const RecordFileMessage& message)
{
    return {message.icon == RecordFileMessage::Icon::Error ? UserMessage::Icon::Error : UserMessage::Icon::Information,
            message.caption, message.text, true};
}

}  // namespace

MeterSession::MeterSession() : secondsOfDay_(systemSecondsOfDay)
{
    link_.onInformation = [this](std::string_view text) { raise(UserMessage::information(std::string(text))); };
    files_.messageBox = [this](const RecordFileMessage& message) { raise(userMessageOf(message)); };
    files_.started = [this](RecordFileCommand command) {
        if (command == RecordFileCommand::Save) {
            saveStartMark_ = recorded_;
            saveStartResets_ = resets_;
        }
    };
    files_.ended = [this](RecordFileCommand command, bool ok) {
        // A save wrote the rows the table held when it began, unless the
        // content was replaced meanwhile.
        if (command == RecordFileCommand::Save && ok && saveStartResets_ == resets_)
            savedMark_ = std::max(savedMark_, saveStartMark_);
        if (onFileCommandEnded)
            onFileCommandEnded(command, ok);
    };
    cds1_.addFollower(this);
}

MeterSession::~MeterSession()
{
    cds1_.removeFollower(this);
    // The link goes first (see the members); neither the controller nor the
    // dispatcher may call into it afterwards.
    if (Hidctl) {
        Hidctl->OnArrival = {};
        Hidctl->OnRemoval = {};
    }
    if (dispatcher_)
        dispatcher_->SetFailureHandler({});
}

void MeterSession::setTimeOfDay(std::function<int32_t()> secondsOfDay)
{
    secondsOfDay_ = secondsOfDay ? std::move(secondsOfDay) : std::function<int32_t()>(systemSecondsOfDay);
}

std::string MeterSession::startHid(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher)
{
    dispatcher_ = &dispatcher;
    CableConnection* link = &link_;
    dispatcher.SetFailureHandler([link](const std::string& what) {
        link->appendHistory("EVENT FAILED: " + what);
        appWarning("a HID event failed: " + what);
    });
    try {
        Hidctl = std::make_unique<THidDeviceController>(std::move(platform), dispatcher);
    } catch (const EHidControllerError& error) {
        link_.appendHistory(std::string("HID services unavailable: ") + error.what());
        appWarning(std::string("HID services unavailable: ") + error.what());
        return error.what();
    }
    link_.setController(Hidctl.get());
    Hidctl->OnArrival = THidPlugEvent::Bind<&CableConnection::HidCtlArrival>(&link_);
    Hidctl->OnRemoval = THidPlugEvent::Bind<&CableConnection::HidCtlRemoval>(&link_);
    Hidctl->SetOnEnumerate(THidEnumerateEvent::Bind<&CableConnection::HidCtlEnumerate>(&link_));
    Hidctl->SetOnDeviceDataError(THidDataErrorEvent::Bind<&CableConnection::HidCtlDeviceDataError>(&link_));
    Hidctl->SetOnDeviceChange(THidNotifyEvent::Bind<&CableConnection::HidCtlDeviceChangeEvent>(&link_));
    return {};
}

void MeterSession::FormCreate(std::string localeDecimal, ChartEngine* chartEngine)
{
    decoder_.setLocaleDecimal(std::move(localeDecimal));
    chart_.FormCreate(chartEngine);
    sampling_.set10kClick();
    // cds1 is created empty and open with the session; nothing to do here.
    chartFollowLast_ = true;
    KDsetup(1);
    KDrun(dial_.range().DialCentre);
    sampling_.setRepeatSet(true);
}

FrameReceipt MeterSession::receiveFrame(std::string_view frame)
{
    if (ShowDataQ7(frame) == FrameOutcome::Dropped)
        return {true, decoder_.lastDropReason()};
    return {};
}

MeterSession::JournalState MeterSession::journalState() const
{
    JournalState state;
    if (!journal_.running())
        return state;
    state.path = journal_.path();
    state.failure = journal_.failure();
    state.kind = state.failure.empty() ? JournalState::Kind::Writing : JournalState::Kind::Failed;
    return state;
}

std::string MeterSession::startJournal(const std::string& folder)
{
    std::string failure = journal_.start(folder);
    if (!failure.empty()) {
        journalFailureRaised_ = true;
        raise(journalMessage(failure));
    }
    return failure;
}

void MeterSession::endNormally(bool discarded) { journal_.finish(discarded || unsavedRows() == 0); }

void MeterSession::checkJournal()
{
    if (journalFailureRaised_ || !journal_.failed())
        return;
    journalFailureRaised_ = true;
    raise(journalMessage("Cannot write the journal " + journal_.path() + ": " + journal_.failure()));
}

void MeterSession::recordTableChanged(const RecordTableChange& change)
{
    if (change.reset) {
        ++resets_;
        savedMark_ = recorded_;
        if (statisticsJob_.running()) {
            statisticsStale_ = true;
            return;
        }
        statistics_.clear();
        statisticsRows_ = 0;
    }
    if (change.reset || change.firstNewRow < change.rowCount)
        followStatistics();
}

FrameOutcome MeterSession::ShowDataQ7(std::string_view frame)
{
    frameCalls_ = {};
    lastFrameAt_ = std::chrono::steady_clock::now();
    const FrameOutcome outcome = applyFrameEffects(decoder_.ShowDataQ7(frame, dial_.range()), frame, *this);
    if (outcome == FrameOutcome::Decoded)
        judgeLimits();
    return outcome;
}

void MeterSession::judgeLimits()
{
    // The sum-of-power view is no main reading; the table skips it too.
    if (!limits_.any() || decoder_.SigmaWMode())
        return;
    const MeterReading& reading = decoder_.reading();
    for (const ReadingLimits::Event& event : limits_.offerReading(reading.ValueText, reading.UnitText)) {
        if (limitEvents_.size() == kLimitEventLimit)
            limitEvents_.pop_front();
        // The clock as the table's Time has it, so a row the reading became shows the same time.
        limitEvents_.push_back({RecordSampling::timeText(secondsOfDay_(), sampling_.timeSeparator()), reading.ValueText,
                                reading.UnitText, event.which, event.kind, limits_.limit(event.which)});
        ++limitEventCount_;
    }
}

std::string MeterSession::limitEventText(const LimitEvent& event)
{
    char limit[32];
    std::snprintf(limit, sizeof limit, "%.10g", event.limit);
    std::string value = event.valueText;
    const std::size_t first = value.find_first_not_of(' ');
    value = first == std::string::npos ? std::string() : value.substr(first);
    return event.time + (event.which == ReadingLimits::Which::High ? " high limit " : " low limit ") + limit +
           (event.kind == ReadingLimits::Kind::Crossed ? " crossed: " : " cleared: ") + value +
           (event.unit.empty() ? "" : " " + event.unit);
}

void MeterSession::followStatistics()
{
    if (statisticsJob_.running())
        return;  // its ending takes the rows that came meanwhile
    // A load appends many rows at once: a few are taken here, more off the
    // main thread.
    constexpr std::size_t kRowsTakenHere = 4096;
    if (files_.post && cds1_.rowCount() - statisticsRows_ > kRowsTakenHere) {
        recomputeStatistics();
        return;
    }
    for (; statisticsRows_ < cds1_.rowCount(); ++statisticsRows_)
        statistics_.add(cds1_, statisticsRows_);
    if (onStatisticsChanged)
        onStatisticsChanged();
}

void MeterSession::recomputeStatistics()
{
    statisticsStale_ = false;
    auto result = std::make_shared<RecordStatistics>();
    statisticsJob_.start(std::make_shared<RecordFileJobProgress>(RecordFileJobProgress::Kind::Load),
                         [this, result, rows = cds1_.reader()](RecordFileJobProgress&) mutable {
                             *result = RecordStatistics::of(rows, rows.rowCount());
                             const std::size_t count = rows.rowCount();
                             rows = RecordTableReader();
                             return [this, result, count] {
                                 if (statisticsStale_ || count > cds1_.rowCount()) {
                                     recomputeStatistics();
                                     return;
                                 }
                                 statistics_ = std::move(*result);
                                 statisticsRows_ = count;
                                 followStatistics();
                             };
                         },
                         files_.post);
}


void MeterSession::logFrame(std::string_view frame)
{
    if (frameLog_.size() == kFrameLogLimit)
        frameLog_.pop_front();
    frameLog_.emplace_back(frame);
}

void MeterSession::KDsetup(int32_t)
{
    dial_.KDsetup();
    frameCalls_.scaleDrawn = true;
}

void MeterSession::KDrun(int32_t needle)
{
    dial_.KDrun(needle);
    frameCalls_.needle = needle;
}

void MeterSession::AddPoint(double value)
{
    frameCalls_.chartValue = value;
    const int32_t page = chart_.AddPoint(value);
    if (chartFollowLast_)
        chart_.showPageNumber(page);
}

void MeterSession::INDataToTable(int32_t kind)
{
    if (kind != 1)
        return;
    frameCalls_.offered = true;
    RecordSampling::Offer offer = sampling_.INDataToTable(kind, decoder_.reading(), secondsOfDay_());
    frameCalls_.recorded = offer.no;
    if (offer.row) {
        ++recorded_;
        checkJournal();
    }
    if (!offer.error.empty())
        raise(UserMessage::error(std::move(offer.error)));
}

void MeterSession::RecordSITimeChange(std::string_view text)
{
    if (std::string failure = sampling_.RecordSITimeChange(text); !failure.empty())
        raise(UserMessage::error(std::move(failure)));
}

void MeterSession::ClearRClick()
{
    // Nothing goes before the user said OK; rows recorded while the box
    // waits go too, as the warning says.
    raise(UserMessage::question(UserMessage::Icon::Warning, "Warning", std::string(RecordSampling::kClearWarning),
                                UserMessage::Buttons::OkCancel, [this](UserMessage::Reply reply) {
                                    if (reply == UserMessage::Reply::Ok && sampling_.clearRecords())
                                        chart_.ChartControl().ClearChart();
                                }));
}

void MeterSession::raise(UserMessage message) const
{
    if (messageSink_)
        messageSink_(message);
}
