#include "e2e/StationProgram.h"

#include <cstdio>

#include <QCoreApplication>
#include <QProcess>

namespace tagwright::test {

StationProgram::StationProgram(sim::Options options) : reader(std::move(options)) {}

Finished StationProgram::Run(const QStringList& args) {
    std::string error;
    if (!started_ && !(reader.Start(&error) && reader.CreateLink(Port(), &error))) {
        std::fprintf(stderr, "virtual Reader: %s\n", error.c_str());
        return {};
    }
    started_ = true;
    QProcess station;
    station.setWorkingDirectory(QString::fromStdString(Path().string()));
    station.start(QCoreApplication::applicationDirPath() + "/tagwright-station", args);
    Finished f;
    if (!station.waitForFinished(120000)) {
        station.kill();
        station.waitForFinished();
    } else if (station.exitStatus() == QProcess::NormalExit) {
        f.code = station.exitCode();
    }
    const QString out = QString::fromUtf8(station.readAllStandardOutput());
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        f.out.push_back(line.toStdString());
    }
    f.err = station.readAllStandardError().toStdString();
    if (f.code < 0) std::fprintf(stderr, "the station did not end: %s\n", f.err.c_str());
    return f;
}

}  // namespace tagwright::test
