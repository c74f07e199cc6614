#pragma once
// The application object: sets Qt up, runs the main window and ends the
// process when it closes. SIGTERM and SIGINT, and the end of the desktop
// session, close the window as its own close command does, so that the port
// is closed and the settings are written.

#include <csignal>
#include <memory>

#include <QObject>
#include <QString>

class QApplication;
class QSocketNotifier;

namespace tagwright::gui {

class MainWindow;

// Turns SIGTERM and SIGINT into a signal on the GUI thread: the handler only
// writes a byte to a pipe, which a socket notifier reads. One instance at a
// time; the previous handlers come back when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Installs the handlers and unblocks both signals, so that one that came
    // while they were blocked is delivered now. False when no pipe could be had.
    bool Install();

signals:
    void requested(int signalNumber);

private:
    void Drain();

    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
    bool installed_ = false;
};

class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The process's work: the main window, or the screenshots when the
    // arguments ask for them. Returns the exit status.
    int Run();

private:
    int RunWindow();

    QString screenshotDir_;
    bool screenshots_ = false;
    std::unique_ptr<QApplication> app_;
};

}  // namespace tagwright::gui
