#pragma once
// A station scenario: tagwright-station (beside this test) run as a program
// in a station directory of its own, against a virtual Reader reached
// through the link "reader" there.

#include <memory>
#include <string>

#include <QProcess>
#include <QStringList>

#include "../support/StationFiles.h"
#include "e2e/ScenarioFiles.h"
#include "reader-sim/VirtualReader.h"

namespace tagwright::test {

struct Finished {
    int code = -1;  // -1: it did not end by itself
    Texts out;      // stdout, a line each
    std::string err;
};

// True when the program's stderr holds TEXT; otherwise prints both.
bool Said(const Finished& f, const std::string& text);

class StationProgram : public ScenarioDir {
public:
    explicit StationProgram(sim::Options reader = {});

    std::string Port() const { return Path("reader").string(); }
    // Tagwright.ini in automatic mode on SET, port on the Reader's link.
    void Settings(const std::string& set, const std::string& extra = {}) const {
        Write("Tagwright.ini", StationIni(Port(), 1, set, extra));
    }
    // SET as "Line", the station's set (left out: the counter set LineSet
    // makes), carrier IDs up to MAX; EXTRA after.
    void LineStation(const std::string& set = {}, int max = 20,
                     const std::string& extra = {}) const {
        Write("Line.ini", set.empty() ? LineSet(*this, kCounter) : set);
        Settings("Line", "Carrier ID Max=" + std::to_string(max) + "\r\n" + extra);
    }
    // Starts the Reader on its link (once), runs the program to its end.
    Finished Run(const QStringList& args);

    sim::VirtualReader reader;

private:
    bool started_ = false;

public:
    // Run in two halves, for a scenario that acts while the program runs:
    // Launch starts it (and the Reader, once), Collect waits for its end.
    bool Launch(const QStringList& args);
    Finished Collect(int waitMs = 120000);
    std::size_t LinesSoFar();  // stdout lines written until now
    QProcess& Running() { return *running_; }

private:
    std::unique_ptr<QProcess> running_;
    QByteArray out_;
};

}  // namespace tagwright::test
