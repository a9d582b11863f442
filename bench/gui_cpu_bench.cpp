// CPU used by the window while connected to the simulated cable, offscreen:
// the share of one core over the run, from /proc. The simulated cable's own
// thread runs in the same process and is counted too.
// Run: zq_gui_cpu_bench [seconds]   (30 by default)

#include "app/ui/main_window.h"
#include "link/sim/hid_demo_platform.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// User plus system time [s] of this process, or of its main thread (the
// window's; the simulated cable and the HID read thread run beside it).
double cpuSeconds(bool mainThreadOnly)
{
    std::ifstream stat(mainThreadOnly ? "/proc/self/task/" + std::to_string(getpid()) + "/stat"
                                      : std::string("/proc/self/stat"));
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which ends with ')': state is field 3,
    // utime field 14, stime field 15.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    QApplication application(argc, argv);

    TFrmTest window(CreateDemoHidPlatform(1));
    window.show();
    window.Panel2Click();
    if (!window.session().link().connected()) {
        std::fprintf(stderr, "could not connect to the simulated cable\n");
        return 1;
    }

    // Let start-up settle, then measure.
    double cpuStart = 0;
    double mainStart = 0;
    auto wallStart = std::chrono::steady_clock::now();
    uint64_t framesStart = 0;
    QTimer::singleShot(1000, [&] {
        cpuStart = cpuSeconds(false);
        mainStart = cpuSeconds(true);
        wallStart = std::chrono::steady_clock::now();
        framesStart = window.session().decoder().decodedFrames();
        QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);
    });
    application.exec();

    const double cpu = cpuSeconds(false) - cpuStart;
    const double mainCpu = cpuSeconds(true) - mainStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("connected for %.1f s, %llu frames decoded\n", wall,
                static_cast<unsigned long long>(window.session().decoder().decodedFrames() - framesStart));
    std::printf("rows recorded: %zu, chart page %s\n", window.session().cds1().rowCount(),
                window.session().chart().Bt10Caption().c_str());
    // ZQ_BENCH_PICTURE=FILE.png keeps a picture of the window as it ended.
    if (const QByteArray picture = qgetenv("ZQ_BENCH_PICTURE"); !picture.isEmpty())
        window.grab().save(QString::fromLocal8Bit(picture));
    std::printf("window (main thread): CPU %.2f s = %.2f %% of one core\n", mainCpu, 100.0 * mainCpu / wall);
    std::printf("whole process (with the simulated cable and the read thread): CPU %.2f s = %.2f %% of one core\n",
                cpu, 100.0 * cpu / wall);
    return 0;
}
