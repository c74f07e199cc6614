#include "e2e/MqttSubscriber.h"

#include <cstdio>

#include <QElapsedTimer>
#include <QJsonDocument>

#include <unistd.h>

namespace tagwright::test {

QJsonObject MqttMessage::Json() const {
    return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
}

MqttSubscriber::MqttSubscriber(const MqttBroker& broker, std::string prefix)
    : broker_(broker), prefix_(std::move(prefix)), process_(std::make_unique<QProcess>()) {
    static int count = 0;
    const QString port = QString::number(broker.Port());
    const QString id = QStringLiteral("tw-sub-%1-%2").arg(::getpid()).arg(++count);
    process_->start("mosquitto_sub",
                    {"-h", "127.0.0.1", "-p", port, "-t", QString::fromStdString(prefix_ + "/#"),
                     "-v", "-q", "1", "-c", "-i", id});
    if (!process_->waitForStarted(30000)) {
        std::fprintf(stderr, "mosquitto_sub did not start\n");
        return;
    }
    const QString probe = QString::fromStdString(prefix_ + "/probe");
    ready_ = WaitFor([&](const std::vector<MqttMessage>& seen) {
        for (const MqttMessage& m : seen) {
            if (m.topic == "probe") return true;
        }
        QProcess::execute("mosquitto_pub",
                          {"-h", "127.0.0.1", "-p", port, "-t", probe, "-m", "x", "-q", "1"});
        return false;
    });
}

MqttSubscriber::~MqttSubscriber() {
    process_->kill();
    process_->waitForFinished();
}

void MqttSubscriber::Read() {
    pending_ += process_->readAllStandardOutput();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const std::string line = pending_.left(end).toStdString();
        pending_.remove(0, end + 1);
        const std::size_t blank = line.find(' ');
        std::string topic = line.substr(0, blank);
        if (topic.rfind(prefix_ + "/", 0) == 0) topic.erase(0, prefix_.size() + 1);
        messages_.push_back({topic, blank == std::string::npos ? "" : line.substr(blank + 1)});
    }
}

bool MqttSubscriber::WaitFor(const std::function<bool(const std::vector<MqttMessage>&)>& done,
                             int waitMs) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        Read();
        if (done(messages_)) return true;
        if (timer.elapsed() > waitMs) break;
        process_->waitForReadyRead(200);
    }
    std::fprintf(stderr, "MQTT messages so far:\n");
    for (const MqttMessage& m : messages_) {
        std::fprintf(stderr, "  %s %s\n", m.topic.c_str(), m.payload.c_str());
    }
    return false;
}

std::vector<MqttMessage> MqttSubscriber::Messages() {
    Read();
    return messages_;
}

std::vector<MqttMessage> MqttSubscriber::On(const std::string& topic) {
    std::vector<MqttMessage> on;
    for (const MqttMessage& m : Messages()) {
        if (m.topic == topic) on.push_back(m);
    }
    return on;
}

}  // namespace tagwright::test
