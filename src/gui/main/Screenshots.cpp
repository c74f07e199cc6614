#include "gui/main/Screenshots.h"

#include <cstdio>
#include <fstream>
#include <string>

#include <QAction>
#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

#include "gui/controls/MessageBoxes.h"
#include "core/app/WindowCommands.h"
#include "gui/main/MainWindow.h"

namespace tagwright::gui {

namespace {

// Station settings: manual mode, three pages with data, the sample set.
constexpr char kStationIni[] =
    "[Interface]\r\nport=\r\nbaudrate=9600\r\ndatabits=8\r\nstopbits=1\r\nparity=None\r\n"
    "Flowcontrol=No\r\n"
    "[Auto]\r\nSelectConfig=0\r\nPruefablauf_ist=Demo\r\nPruefablaeufe=1\r\n"
    "Pruefablauf_0=Demo\r\nCarrier ID Max=99999999\r\n"
    "[Data]\r\nSelectAll=0\r\nSelectP1=1\r\nSelectP2=1\r\nSelectP3=1\r\nFormat=0\r\n"
    "P1=30 30 30 30 30 30 34 32\r\nP2=00 00 00 00 00 00 00 00\r\n"
    "P3=44 65 6D 6F 20 30 30 31\r\nP4=4C 69 6E 65 20 32 00 00\r\n"
    "[Manual]\r\nCarrier ID Offset=0\r\nCarrier ID Length=8\r\n"
    "Carrier ID=3030303030303432\r\n";

// The sample set: carrier IDs of eight digits from the counter, page 3
// editable, pages 3-17 written.
std::string DemoSetIni() {
    std::string ini =
        "[Work order Setup]\r\nOperator badge ID#=0815\r\nPart number=TW-100\r\n"
        "Work order number=WO-2024-17\r\nQuantity=100\r\n"
        "[Data Source]\r\nDecimal counter=1\r\ncsv file=0\r\nfile name=\r\nfix data=0\r\n"
        "[SEMI E99 Carrier ID Setup]\r\nCarrier ID Offset=0\r\nCarrier ID Length=8\r\n"
        "Carrier ID=00000042\r\nLock Carrier ID=0\r\n"
        "[Transponder type]\r\nTI=1\r\nNorvik=0\r\n";
    const char* page3 = "44656D6F20303031";  // "Demo 001"
    for (int page = 1; page <= 17; ++page) {
        if (page == 3) ini += "[Pages 3-17]\r\nWrite Pages 3-17=1\r\n";
        ini += "[Page " + std::to_string(page) + "]\r\n";
        for (int i = 0; i < 8; ++i) {
            const int k = (page - 1) * 8 + i;
            std::string key = std::to_string(k);
            if (key.size() < 2) key.insert(0, "0");
            const std::string value = page == 3 ? std::string(page3 + 2 * i, 2) : "00";
            ini += "HEX " + key + "=" + value + "\r\n";
        }
        ini += "Edit Page " + std::to_string(page) + "=" + (page == 3 ? "1" : "0") + "\r\n";
        ini += "Lock Page " + std::to_string(page) + "=0\r\n";
    }
    ini += "[Log]\r\nLog=0\r\nfile name=\r\n";
    return ini;
}

bool WriteFile(const QString& path, const std::string& content) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

bool Save(MainWindow& window, const QString& path) {
    Settle();
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "tagwright: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// "  One" without a Reader port: the status line tells why nothing was
// programmed.
bool SaveFailedCycle(MainWindow& window, const QString& path) {
    static_cast<QAbstractButton*>(window.Control(MainControl::One))->click();
    QElapsedTimer waited;
    waited.start();
    while (window.Model().run.oneRequested && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return Save(window, path);
}

}  // namespace

bool RenderScreenshots(const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "tagwright: cannot create %s\n", qPrintable(dir));
        return false;
    }
    const QString target = QDir(dir).absolutePath();
    QTemporaryDir work;
    if (!work.isValid() ||
        !WriteFile(work.filePath(QStringLiteral("Tagwright.ini")), kStationIni) ||
        !WriteFile(work.filePath(QStringLiteral("Demo.ini")), DemoSetIni())) {
        std::fprintf(stderr, "tagwright: cannot prepare the sample settings\n");
        return false;
    }
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(work.path());
    // No port in the sample: its message is answered at once.
    const MessageBoxHandler previousHandler =
        SetMessageBoxHandler([](const MessageRequest&) { return MsgAnswer::Ok; });

    bool ok = true;
    {
        MainWindow window;
        window.Initialise();
        window.show();
        Station& s = window.Model();

        // Manual mode: three pages confirmed, a UID read.
        for (int page = 1; page <= 3; ++page) PageEnter(s, page);
        s.uidText = "1A2B3C4D";
        s.window.SetBackground(MainControl::Uid, colour::Green);
        window.ShowFieldValues();
        ok = Save(window, target + QStringLiteral("/main-manual.png")) && ok;

        // The terminal beside it: the traffic of a page read and a UID
        // typed in.
        for (const char* line :
             {"RD 1 // Read page 1\r\n", "3030303030303432\r\n", "RD 2 // Read page 2\r\n",
              "0000000000000000\r\n", "RD 3 // Read page 3\r\n", "44656D6F20303031\r\n",
              "1A2B3C4D\r\n"}) {
            s.reader.traffic.PutOnTop(line);
        }
        s.terminal.commandText = "RUID";
        window.Action(MainWindow::MenuItem::ShowTerminal)->trigger();
        window.ShowFieldValues();
        ok = Save(window, target + QStringLiteral("/main-terminal.png")) && ok;

        window.Action(MainWindow::MenuItem::ShowTerminal)->trigger();
        ChooseMode(s, true);
        ok = Save(window, target + QStringLiteral("/main-automatic.png")) && ok;
        ok = SaveFailedCycle(window, target + QStringLiteral("/main-status-failure.png")) && ok;

        window.done(0);
    }
    SetMessageBoxHandler(previousHandler);
    QDir::setCurrent(previousDir);
    return ok;
}

}  // namespace tagwright::gui
