#include "app/main_window_state.h"

#include "link/hid/hid_controller_error.h"
#include "link/hid/hid_device_controller.h"

#include <array>
#include <utility>

namespace {

constexpr const char* kHelpFileName = "zq7.hlp";

}  // namespace

MainWindowState::MainWindowState() = default;

MainWindowState::~MainWindowState()
{
    // The link goes first (see the members); the controller must not call
    // into it afterwards.
    if (Hidctl) {
        Hidctl->OnArrival = {};
        Hidctl->OnRemoval = {};
    }
}

std::string MainWindowState::startHid(std::shared_ptr<THidPlatform> platform, THidDispatcher& dispatcher)
{
    try {
        Hidctl = std::make_unique<THidDeviceController>(std::move(platform), dispatcher);
    } catch (const EHidControllerError& error) {
        return error.what();
    }
    link_.setController(Hidctl.get());
    Hidctl->OnArrival = THidPlugEvent::Bind<&CableConnection::HidCtlArrival>(&link_);
    Hidctl->OnRemoval = THidPlugEvent::Bind<&CableConnection::HidCtlRemoval>(&link_);
    Hidctl->SetOnEnumerate(THidEnumerateEvent::Bind<&CableConnection::HidCtlEnumerate>(&link_));
    Hidctl->SetOnDeviceDataError(THidDataErrorEvent::Bind<&CableConnection::HidCtlDeviceDataError>(&link_));
    Hidctl->SetOnDeviceChange(THidNotifyEvent::Bind<&MainWindowState::HidCtlDeviceChange>(this));
    return {};
}

void MainWindowState::HidCtlDeviceChange(THidDeviceController&)
{
    link_.HidCtlDeviceChange();
    connectionChanged();
}

void MainWindowState::setRsUsbCaption(std::string_view caption)
{
    decoder_.lcd().setCaption(LcdElement::rsUSB, caption);
}

void MainWindowState::showLinkDown()
{
    decoder_.lcd().hide(LcdElement::CONok);
    decoder_.lcd().show(LcdElement::CONokN);
}

void MainWindowState::information(std::string_view text)
{
    messages_.emplace_back(text);
    if (informationBox)
        informationBox(text);
}

void MainWindowState::connectionChanged()
{
    if (onLinkChanged)
        onLinkChanged();
}

void MainWindowState::FormCreate(std::string localeDecimal, std::string programFolder)
{
    decoder_.setLocaleDecimal(std::move(localeDecimal));
    ChartPageSize = 100;
    Caption = "KP-7730 Interface Program Ver:3.01";
    ProgramFolder = std::move(programFolder);
    Marks.COM1 = true;
    Marks.set10k = true;
    ChartFollowLast = true;
    KDsetup(1);
    KDrun(Dial.DialCentre);
    RepeatSetChecked = true;
    PortKind = kPortUsb;
}

FrameOutcome MainWindowState::ShowDataQ7(std::string_view frame)
{
    frameCalls_ = {};
    return decoder_.ShowDataQ7(frame, *this);
}

void MainWindowState::selectComPort(int8_t kind)
{
    std::array<bool*, 4> marks{&Marks.COM1, &Marks.COM2, &Marks.COM3, &Marks.COM4};
    for (int8_t port = 1; port <= 4; ++port) {
        bool& mark = *marks[static_cast<std::size_t>(port - 1)];
        mark = port == kind ? !mark : false;
    }
    PortKind = kind;
    Panel1Caption = "COM" + std::to_string(kind);
}

void MainWindowState::USBClick()
{
    Marks.COM1 = Marks.COM2 = Marks.COM3 = Marks.COM4 = false;
    Marks.USB = !Marks.USB;
    PortKind = kPortUsb;
    Panel1Caption = "USB";
}

void MainWindowState::Panel1Click()
{
    if (link_.Panel2Caption() != "Connect")
        return;
    switch (PortKind) {
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
    HelpFile = ProgramFolder + kHelpFileName;
    return HelpFile;
}

bool MainWindowState::marked(std::string_view item) const
{
    const std::pair<std::string_view, bool> marks[] = {
        {"COM1", Marks.COM1},     {"COM2", Marks.COM2},       {"COM3", Marks.COM3},       {"COM4", Marks.COM4},
        {"USB", Marks.USB},       {"set1k", Marks.set1k},     {"set5k", Marks.set5k},     {"set10k", Marks.set10k},
        {"set50k", Marks.set50k}, {"set100k", Marks.set100k}, {"setlimit", Marks.setlimit}, {"FillP", Marks.FillP},
    };
    for (const auto& [name, mark] : marks)
        if (name == item)
            return mark;
    return false;
}

void MainWindowState::KDsetup(int32_t)
{
    analogDial_.KDsetup(Dial);
    ++ScaleDrawings;
    frameCalls_.scaleDrawn = true;
}

void MainWindowState::KDrun(int32_t value)
{
    analogDial_.KDrun(value, Dial);
    NeedleValue = value;
    frameCalls_.needle = value;
}

void MainWindowState::INDataToTable(int32_t kind)
{
    if (kind != 1)
        return;
    ++OfferedReadings;
    frameCalls_.offered = true;
}

void MainWindowState::SetValueMin(double value)
{
    if (value == ValueMin)
        return;
    ValueMin = value;
    ValueAxisMin = value;
}

void MainWindowState::SetValueMax(double value)
{
    if (value == ValueMax)
        return;
    ValueMax = value;
    ValueAxisMax = value;
}

int32_t MainWindowState::AddPoint(double value)
{
    ++ChartReadings;
    frameCalls_.chartValue = value;
    const int64_t pages = (ChartReadings + ChartPageSize - 1) / ChartPageSize;
    return static_cast<int32_t>(pages < 1 ? 1 : pages);
}

void MainWindowState::logFrame(std::string_view frame)
{
    if (frameLog_.size() == kFrameLogLimit)
        frameLog_.pop_front();
    frameLog_.emplace_back(frame);
}
