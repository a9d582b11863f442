#include "app/main_window_state.h"

#include "app/app_log.h"
#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_dispatcher.h"

#include "record/record_file.h"

#include <QTime>

#include <array>
#include <utility>

namespace {

constexpr const char* kHelpFileName = "zq7.hlp";

int32_t systemSecondsOfDay() { return QTime::currentTime().msecsSinceStartOfDay() / 1000; }

}  // namespace

MainWindowState::MainWindowState() : secondsOfDay_(systemSecondsOfDay) {}

void MainWindowState::setTimeOfDay(std::function<int32_t()> secondsOfDay)
{
    secondsOfDay_ = secondsOfDay ? std::move(secondsOfDay) : std::function<int32_t()>(systemSecondsOfDay);
}

MainWindowState::~MainWindowState()
{
    // The link goes first (see the members); neither the controller nor the
    // dispatcher may call into it afterwards.
    if (Hidctl) {
        Hidctl->OnArrival = {};
        Hidctl->OnRemoval = {};
    }
    if (dispatcher_)
        dispatcher_->SetFailureHandler({});
}

std::string MainWindowState::startHid(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher)
{
    dispatcher_ = &dispatcher;
    CableConnection* link = &link_;
    dispatcher.SetFailureHandler([link](const std::string& what) {
        link->appendHistory("EVENT FAILED: " + what);
        qCWarning(zqApp, "a HID event failed: %s", what.c_str());
    });
    try {
        Hidctl = std::make_unique<THidDeviceController>(std::move(platform), dispatcher);
    } catch (const EHidControllerError& error) {
        link_.appendHistory(std::string("HID services unavailable: ") + error.what());
        qCWarning(zqApp, "HID services unavailable: %s", error.what());
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

void MainWindowState::information(std::string_view text)
{
    messages_.emplace_back(text);
    if (informationBox_)
        informationBox_(text);
}

void MainWindowState::error(std::string_view text)
{
    lastError_ = text;
    if (errorBox_)
        errorBox_(text);
}

void MainWindowState::showLinkInformation()
{
    for (std::string_view text : link_.takeInformation())
        information(text);
}

void MainWindowState::Panel2Click()
{
    link_.Panel2Click(portKind_);
    showLinkInformation();
}

void MainWindowState::ConTimerTimer()
{
    link_.ConTimerTimer();
    showLinkInformation();
}

void MainWindowState::FormCreate(std::string localeDecimal, std::string programFolder, ChartEngine* chartEngine)
{
    decoder_.setLocaleDecimal(std::move(localeDecimal));
    chart_.FormCreate(chartEngine);
    caption_ = "KP-7730 Interface Program Ver:3.01";
    programFolder_ = std::move(programFolder);
    marks_.COM1 = true;
    sampling_.set10kClick();
    // cds1 is created empty and open with the state; nothing to do here.
    chartFollowLast_ = true;
    KDsetup(1);
    KDrun(dial_.DialCentre);
    sampling_.RepeatSet = true;
    portKind_ = kPortUsb;
}

FrameReceipt MainWindowState::receiveFrame(std::string_view frame)
{
    if (ShowDataQ7(frame) == FrameOutcome::Dropped)
        return {true, decoder_.lastDropReason()};
    return {};
}

FrameOutcome MainWindowState::ShowDataQ7(std::string_view frame)
{
    frameCalls_ = {};
    const FrameEffects effects = decoder_.ShowDataQ7(frame, dial_);
    if (effects.logFrame)
        logFrame(frame);
    if (const auto& change = effects.rangeChange) {
        SelectDialRange(change->dialType);
        KDsetup(1);
        SetValueMin(-change->chartLimit);
        SetValueMax(change->chartLimit);
    }
    if (const auto& reading = effects.handOn) {
        KDrun(reading->needle);
        barMaxSet_ = reading->barMax;
        barPosition_ = reading->barPosition;
        INDataToTable(1);
        const int32_t page = AddPoint(reading->chartValue);
        if (chartFollowLast_)
            chart_.showPageNumber(page);
    }
    return effects.outcome;
}

void MainWindowState::selectComPort(int8_t kind)
{
    std::array<bool*, 4> marks{&marks_.COM1, &marks_.COM2, &marks_.COM3, &marks_.COM4};
    for (int8_t port = 1; port <= 4; ++port) {
        bool& mark = *marks[static_cast<std::size_t>(port - 1)];
        mark = port == kind ? !mark : false;
    }
    portKind_ = kind;
    panel1Caption_ = "COM" + std::to_string(kind);
}

void MainWindowState::USBClick()
{
    marks_.COM1 = marks_.COM2 = marks_.COM3 = marks_.COM4 = false;
    marks_.USB = !marks_.USB;
    portKind_ = kPortUsb;
    panel1Caption_ = "USB";
}

void MainWindowState::Panel1Click()
{
    if (link_.Panel2Caption() != "Connect")
        return;
    switch (portKind_) {
    case 1: COM2Click(); break;
    case 2: COM3Click(); break;
    case 3: COM4Click(); break;
    case 4: USBClick(); break;
    case 5: COM1Click(); break;
    default: break;
    }
}

const std::string& MainWindowState::HELP1Click()
{
    helpFile_ = programFolder_ + kHelpFileName;
    return helpFile_;
}

bool MainWindowState::marked(std::string_view item) const
{
    const std::pair<std::string_view, bool> marks[] = {
        {"COM1", marks_.COM1},     {"COM2", marks_.COM2},       {"COM3", marks_.COM3},
        {"COM4", marks_.COM4},     {"USB", marks_.USB},         {"FillP", marks_.FillP},
    };
    for (const auto& [name, mark] : marks)
        if (name == item)
            return mark;
    if (const auto limit = RecordSampling::limitItemByName(item))
        return sampling_.marked(*limit);
    return false;
}

void MainWindowState::KDsetup(int32_t)
{
    analogDial_.KDsetup(dial_);
    ++scaleDrawings_;
    frameCalls_.scaleDrawn = true;
}

void MainWindowState::KDrun(int32_t value)
{
    analogDial_.KDrun(value, dial_);
    needleValue_ = value;
    frameCalls_.needle = value;
}

void MainWindowState::INDataToTable(int32_t kind)
{
    if (kind != 1)
        return;
    frameCalls_.offered = true;
    RecordSampling::Offer offer = sampling_.INDataToTable(kind, reading(), secondsOfDay_());
    frameCalls_.recorded = offer.no;
    if (!offer.error.empty())
        error(offer.error);
}

void MainWindowState::RecordSITimeChange(std::string_view text)
{
    if (const std::string failure = sampling_.RecordSITimeChange(text); !failure.empty())
        error(failure);
}

void MainWindowState::ClearRClick()
{
    if (sampling_.ClearRClick([this](std::string_view text) { information(text); }))
        chart_.ChartControl().ClearChart();
}

bool MainWindowState::LoadTable(const std::string& fileName, bool emptyFirst)
{
    return ::LoadTable(fileName, cds1_, emptyFirst);
}

int32_t MainWindowState::AddPoint(double value)
{
    frameCalls_.chartValue = value;
    return chart_.AddPoint(value);
}

void MainWindowState::logFrame(std::string_view frame)
{
    if (frameLog_.size() == kFrameLogLimit)
        frameLog_.pop_front();
    frameLog_.emplace_back(frame);
}
