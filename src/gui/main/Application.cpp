#include "gui/main/Application.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include "gui/main/Screenshots.h"
#include "gui/main/MainWindow.h"

namespace tagwright::gui {

namespace {

// The write end of the pipe, for the signal handler.
std::atomic<int> g_signalPipe{-1};

extern "C" void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = g_signalPipe.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // Non-blocking: a full pipe already holds a request.
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() {
    if (installed_) {
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        ::sigaction(SIGINT, &oldInt_, nullptr);
        g_signalPipe.store(-1);
    }
    delete notifier_;
    for (int& fd : fds_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool TerminationSignals::Install() {
    if (installed_) return true;
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "tagwright: no pipe for signal handling: %s\n", std::strerror(errno));
        return false;
    }
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
    g_signalPipe.store(fds_[1]);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &oldTerm_);
    ::sigaction(SIGINT, &action, &oldInt_);
    installed_ = true;

    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    return true;
}

void TerminationSignals::Drain() {
    unsigned char buffer[64];
    int last = 0;
    for (;;) {
        const ssize_t n = ::read(fds_[0], buffer, sizeof buffer);
        if (n <= 0) break;
        last = buffer[n - 1];
    }
    if (last != 0) emit requested(last);
}

Application::Application(int& argc, char** argv) {
    // The program takes no options but the screenshots; anything else is ignored.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshots") == 0) {
            screenshots_ = true;
            screenshotDir_ = QString::fromLocal8Bit(argv[i + 1]);
            break;
        }
    }
    // Screenshots need no display.
    if (screenshots_ && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tagwright"));
}

Application::~Application() = default;

int Application::Run() {
    if (screenshots_) return RenderScreenshots(screenshotDir_) ? 0 : 1;
    return RunWindow();
}

int Application::RunWindow() {
    MainWindow window;
    TerminationSignals signalsIn;
    QObject::connect(&signalsIn, &TerminationSignals::requested, &window,
                     [&window] { window.RequestClose(); });
    signalsIn.Install();
    // The session's end closes the window as its close command does.
    QObject::connect(app_.get(), &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.RequestClose(); });
    QObject::connect(app_.get(), &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.RequestClose(); });

    window.Initialise();
    if (!window.Ended()) window.exec();
    // Left without the window ending (the application was told to quit):
    // the settings are still written once.
    if (!window.Ended()) window.RequestClose();
    return 0;
}

}  // namespace tagwright::gui
