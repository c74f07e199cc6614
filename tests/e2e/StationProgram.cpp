#include "e2e/StationProgram.h"

#include <cstdio>

#include <QCoreApplication>
#include <QProcess>

namespace tagwright::test {

bool Said(const Finished& f, const std::string& text) {
    if (f.err.find(text) != std::string::npos) return true;
    std::fprintf(stderr, "not said: %s\nstderr: %s\n", text.c_str(), f.err.c_str());
    return false;
}

StationProgram::StationProgram(sim::Options options) : reader(std::move(options)) {}

Finished StationProgram::Run(const QStringList& args) {
    return Launch(args) ? Collect() : Finished{};
}

bool StationProgram::Launch(const QStringList& args) {
    std::string error;
    if (!started_ && !(reader.Start(&error) && reader.CreateLink(Port(), &error))) {
        std::fprintf(stderr, "virtual Reader: %s\n", error.c_str());
        return false;
    }
    started_ = true;
    out_.clear();
    running_ = std::make_unique<QProcess>();
    running_->setWorkingDirectory(QString::fromStdString(Path().string()));
    running_->start(QCoreApplication::applicationDirPath() + "/tagwright-station", args);
    return true;
}

Finished StationProgram::Collect(int waitMs) {
    QProcess& station = *running_;
    Finished f;
    if (!station.waitForFinished(waitMs)) {
        station.kill();
        station.waitForFinished();
    } else if (station.exitStatus() == QProcess::NormalExit) {
        f.code = station.exitCode();
    }
    out_ += station.readAllStandardOutput();
    for (const QString& line : QString::fromUtf8(out_).split('\n', Qt::SkipEmptyParts)) {
        f.out.push_back(line.toStdString());
    }
    f.err = station.readAllStandardError().toStdString();
    if (f.code < 0) std::fprintf(stderr, "the station did not end: %s\n", f.err.c_str());
    return f;
}

std::size_t StationProgram::LinesSoFar() {
    running_->waitForReadyRead(50);
    out_ += running_->readAllStandardOutput();
    return static_cast<std::size_t>(out_.count('\n'));
}

}  // namespace tagwright::test
