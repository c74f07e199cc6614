// What the station tells a line engineer about a Reader port it cannot have.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"

using namespace tagwright;
using namespace tagwright::test;

class StationScenariosLower : public QObject {
    Q_OBJECT
private slots:
    // Another program holds the port locked: the station names it by PID.
    void portHeldByAnotherProgram() {
        StationProgram s;
        s.Write("Line.ini", LineSet(s, "Decimal counter=1\r\n"));
        s.Settings("Line");
        QCOMPARE(s.Run({"read"}).code, 0);
        const int held = ::open(s.Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        const Finished f = s.Run({"read"});
        ::close(held);
        QCOMPARE(f.code, 7);
        const std::string holder = "(PID " + std::to_string(::getpid()) + ")";
        QVERIFY2(f.err.find(" is in use by ") != std::string::npos, f.err.c_str());
        QVERIFY2(f.err.find(holder) != std::string::npos, f.err.c_str());
    }
};

TW_SCENARIOS(StationScenariosLower)
#include "StationScenariosLower.moc"
