#include "cli/capture_command.h"

#include "app/locale_decimal.h"
#include "app/meter_session.h"
#include "cli/command_help.h"
#include "link/hid/hid_manual_dispatcher.h"
#include "link/hid/hid_native_platform.h"
#include "link/sim/hid_demo_platform.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fstream>
#include <ostream>
#include <string_view>

namespace {

const std::string kUsage = commandUsage("capture");
constexpr char kHex[] = "0123456789ABCDEF";

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

std::string localTime()
{
    const std::time_t now = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", std::localtime(&now));
    return text;
}

}  // namespace

int runCaptureCommand(const std::vector<std::string>& args, std::ostream& err)
{
    std::string path;
    bool demo = false;
    for (const std::string& arg : args) {
        if (arg == "--demo" && !demo)
            demo = true;
        else if (path.empty() && !arg.empty() && arg[0] != '-')
            path = arg;
        else
            return err << kUsage, 2;
    }
    if (path.empty())
        return err << kUsage, 2;

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        err << "zqmeter-cli capture: cannot write " << path << '\n';
        return 1;
    }

    THidManualDispatcher dispatcher;
    MeterSession session;
    const std::string hidError =
        session.startHid(demo ? CreateDemoHidPlatform() : CreateNativeHidPlatform(), dispatcher);
    if (!hidError.empty()) {
        err << "zqmeter-cli capture: " << hidError << '\n';
        return 1;
    }
    session.FormCreate(systemLocaleDecimal());
    session.setMessageSink([&err](const UserMessage& message) { err << "zqmeter-cli capture: " << message.text << '\n'; });
    CableConnection& link = session.link();

    const auto start = std::chrono::steady_clock::now();
    auto elapsedMs = [&start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    file << "# zqmeter input report capture, started " << localTime() << '\n'
         << "# one report per line: report ID, then the bytes; \"# +N ms\" time stamps\n";
    long long lastStamp = -1;
    std::string line;
    link.onReport = [&](uint8_t id, const uint8_t* data, uint16_t size) {
        const long long now = elapsedMs();
        if (now != lastStamp) {
            file << "# +" << now << " ms\n";
            lastStamp = now;
        }
        line.assign({kHex[id >> 4], kHex[id & 0xF]});
        for (uint16_t i = 0; i < size; ++i) {
            line += ' ';
            line += kHex[data[i] >> 4];
            line += kHex[data[i] & 0xF];
        }
        file << line << '\n';
    };

    link.Panel2Click(CableConnection::kPortUsb);
    if (!link.connected()) {
        err << "zqmeter-cli capture: no cable to connect to (see zqmeter-cli devices)\n";
        return 1;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    err << "zqmeter-cli capture: writing " << path << "; press Ctrl+C to stop\n";

    // The program's 100 ms watchdog runs here too: a silent meter ends the capture.
    auto nextTick = std::chrono::steady_clock::now();
    int status = 0;
    while (!interrupted) {
        dispatcher.WaitAndRunPending(std::chrono::milliseconds(20));
        if (std::chrono::steady_clock::now() >= nextTick) {
            nextTick += std::chrono::milliseconds(100);
            link.ConTimerTimer();
        }
        if (!link.connected()) {
            status = 1;
            break;
        }
        if (!file) {
            err << "zqmeter-cli capture: cannot write " << path << '\n';
            status = 1;
            break;
        }
    }
    if (link.connected())
        link.Panel2Click(CableConnection::kPortUsb);
    link.onReport = nullptr;
    file << "# stopped after " << elapsedMs() << " ms\n";
    file.flush();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return status;
}
