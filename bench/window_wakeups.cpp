// How often the main window wakes up while the operator does nothing, with
// continuous mode off and on: the real window, offscreen, in automatic mode
// with a set, against the virtual Reader on a pseudo-terminal. Each wake-up
// costs a panel PC power and a loaded station time; an idle window should
// only wake for the ticks it needs.
//
//   bench_window_wakeups [--quick] [seconds per mode, default 5; 1 with --quick]
//
// Counted per second: timer events delivered to the window and the objects
// under it (its widgets and its timers, by receiver), all timer events of the
// program, the event loop's wake-ups, the voluntary context switches of the
// window thread and of the port's receiver thread (each one a sleep and a
// wake-up), the CPU time of the whole process and the commands the Reader
// received.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "QuickMode.h"
#include "ThreadStats.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/main/MainWindow.h"
#include "support/StationFiles.h"
#include "reader-sim/VirtualReader.h"

namespace {

using namespace tagwright;

// Counts the timer events of the whole program, and those whose receiver is
// the window or lies under it, by receiver. The benchmark's own timer is not
// counted.
class TimerCounter final : public QObject {
public:
    explicit TimerCounter(const QObject* window) : window_(window) {}

    void Ignore(const QObject* own) { ignored_ = own; }
    void Reset() {
        all = window = 0;
        byReceiver.clear();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Timer || watched == ignored_) return false;
        ++all;
        if (Under(watched)) {
            ++window;
            ++byReceiver[Name(watched)];
        }
        return false;
    }

    long all = 0;
    long window = 0;
    std::map<std::string, long> byReceiver;

private:
    bool Under(const QObject* o) const {
        for (; o != nullptr; o = o->parent()) {
            if (o == window_) return true;
        }
        return false;
    }
    static std::string Name(const QObject* o) {
        if (const auto* timer = qobject_cast<const QTimer*>(o)) {
            return "timer of " + std::to_string(timer->interval()) + " ms";
        }
        return o->metaObject()->className();
    }

    const QObject* window_;
    const QObject* ignored_ = nullptr;
};

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

struct Figures {
    double seconds = 0;
    long windowTimers = 0, allTimers = 0, loopWakeups = 0;
    long windowThreadWakeups = 0, receiverWakeups = 0;
    double cpuSeconds = 0;
    std::size_t readerCommands = 0;
    std::map<std::string, long> byReceiver;
};

// Runs the event loop for `seconds` and counts what woke the window.
Figures Measure(TimerCounter& counter, const long& loopWakeups, const sim::VirtualReader& reader,
                double seconds) {
    const std::string windowThread = std::to_string(::getpid());
    const std::string receiver = bench::FindTask(SerialPort::kReceiverThreadName);
    const long thread0 = bench::TaskWakeups(windowThread);
    const long receiver0 = bench::TaskWakeups(receiver);
    const long loop0 = loopWakeups;
    const double cpu0 = ProcessCpuSeconds();
    const std::size_t commands0 = reader.CommandLog().size();
    counter.Reset();

    QEventLoop loop;
    QTimer stop;
    stop.setSingleShot(true);
    stop.setTimerType(Qt::PreciseTimer);
    counter.Ignore(&stop);
    QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    stop.start(static_cast<int>(seconds * 1000));
    loop.exec();

    Figures f;
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.windowTimers = counter.window;
    f.allTimers = counter.all;
    f.byReceiver = counter.byReceiver;
    f.loopWakeups = loopWakeups - loop0;
    f.windowThreadWakeups = bench::TaskWakeups(windowThread) - thread0;
    f.receiverWakeups = receiver.empty() ? 0 : bench::TaskWakeups(receiver) - receiver0;
    f.cpuSeconds = ProcessCpuSeconds() - cpu0;
    f.readerCommands = reader.CommandLog().size() - commands0;
    return f;
}

void Print(const char* mode, const Figures& f) {
    const auto rate = [&f](double n) { return n / f.seconds; };
    std::printf("continuous mode %s, %.1f s:\n", mode, f.seconds);
    std::printf("  timer events to the window: %.1f/s", rate(static_cast<double>(f.windowTimers)));
    std::vector<std::pair<long, std::string>> receivers;
    for (const auto& [name, n] : f.byReceiver) receivers.emplace_back(n, name);
    std::sort(receivers.rbegin(), receivers.rend());
    const char* separator = " (";
    for (const auto& [n, name] : receivers) {
        std::printf("%s%s %.1f/s", separator, name.c_str(), rate(static_cast<double>(n)));
        separator = ", ";
    }
    std::printf("%s\n", receivers.empty() ? "" : ")");
    std::printf("  timer events in all: %.1f/s; event loop wake-ups: %.1f/s\n",
                rate(static_cast<double>(f.allTimers)), rate(static_cast<double>(f.loopWakeups)));
    std::printf("  window thread wake-ups: %.1f/s; receiver thread wake-ups: %.1f/s\n",
                rate(static_cast<double>(f.windowThreadWakeups)),
                rate(static_cast<double>(f.receiverWakeups)));
    std::printf("  process CPU: %.2f %% of a core; Reader commands: %.1f/s\n",
                100.0 * rate(f.cpuSeconds), rate(static_cast<double>(f.readerCommands)));
}

// Answers every message box with OK and keeps its text: the window must not
// have anything to tell while it idles.
class Messages {
public:
    Messages()
        : previous_(gui::SetMessageBoxHandler([this](const MessageRequest& request) {
              std::fprintf(stderr, "message: %s\n", request.text.c_str());
              ++shown;
              return MsgAnswer::Ok;
          })) {}
    ~Messages() { gui::SetMessageBoxHandler(previous_); }
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;

    int shown = 0;

private:
    gui::MessageBoxHandler previous_;
};

// A station directory of its own, current while the window runs in it.
struct StationDir {
    void Write(const QString& name, const std::string& text) const {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::WriteOnly)) file.write(text.data(), static_cast<qint64>(text.size()));
    }
    gui::MainWindow& Start() {
        QDir::setCurrent(dir.path());
        window = std::make_unique<gui::MainWindow>();
        window->Initialise();
        return *window;
    }
    QTemporaryDir dir;
    std::unique_ptr<gui::MainWindow> window;
};

// Automatic mode with the set "Line" (counter from 5, pages 1 and 2 written,
// page 1 locked) on the virtual Reader's port.
gui::MainWindow* StartWindow(StationDir& dir, sim::VirtualReader& reader) {
    std::string error;
    if (!reader.Start(&error)) {
        std::fprintf(stderr, "no virtual Reader: %s\n", error.c_str());
        return nullptr;
    }
    dir.Write("Line.ini", test::SetIni("Decimal counter=1\r\n",
                                       "[Transponder type]\r\nTI=1\r\n[Work order Setup]\r\n"
                                       "Work order number=WO-1\r\nQuantity=10\r\n",
                                       2, {{1, "Lock Page 1=1"}}, {}, "41"));
    dir.Write("Tagwright.ini",
              test::StationIni(reader.SlavePath(), 1, "Line", "Carrier ID Max=20\r\n"));
    gui::MainWindow& window = dir.Start();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return nullptr;
    }
    if (!window.Model().reader.port.portOpen) {
        std::fprintf(stderr, "the window did not open %s\n", reader.SlavePath().c_str());
        return nullptr;
    }
    return &window;
}

// Presses "Cont On" (or "Cont Off") as the operator does; true when the mode
// followed.
bool PressContinuous(gui::MainWindow& window, bool on) {
    auto* button = qobject_cast<QAbstractButton*>(window.Control(MainControl::ContOn));
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) {
        std::fprintf(stderr, "\"Cont On\" cannot be pressed\n");
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    if (window.Model().run.continuousMode == on) return true;
    std::fprintf(stderr, "continuous mode did not switch %s\n", on ? "on" : "off");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = bench::TakeQuickFlag(argc, argv);
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : quick ? 1.0 : 5.0;
    // The same platform on every machine: the figures do not depend on a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    sim::VirtualReader reader;  // outlives the window, which closes the port
    Messages messages;
    StationDir dir;
    gui::MainWindow* window = StartWindow(dir, reader);
    if (window == nullptr) return 1;

    TimerCounter counter(window);
    app.installEventFilter(&counter);
    long loopWakeups = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                     &counter, [&loopWakeups] { ++loopWakeups; });

    QTest::qWait(200);  // the start-up's paints and ticks are not idling
    const Figures off = Measure(counter, loopWakeups, reader, seconds);
    bool ok = PressContinuous(*window, true);
    Figures on;
    if (ok) {
        QTest::qWait(200);
        on = Measure(counter, loopWakeups, reader, seconds);
        ok = PressContinuous(*window, false);
    }
    Print("off", off);
    if (on.seconds > 0) Print("on", on);
    app.removeEventFilter(&counter);
    if (messages.shown != 0) ok = false;
    if (!ok) std::fprintf(stderr, "bench_window_wakeups: the window did not idle as asked\n");
    return ok ? 0 : 1;
}
