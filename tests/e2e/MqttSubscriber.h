#pragma once
// An independent MQTT client for the scenarios: mosquitto_sub on PREFIX/#
// with a session the broker keeps (so it misses nothing while the broker is
// stopped and started again), each message as topic and payload.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QJsonObject>
#include <QProcess>

#include "support/MqttBroker.h"

namespace tagwright::test {

struct MqttMessage {
    std::string topic;  // without the prefix: "cycle", "state", ...
    std::string payload;
    QJsonObject Json() const;
};

class MqttSubscriber {
public:
    // Subscribes and waits until a probe message comes through.
    MqttSubscriber(const MqttBroker& broker, std::string prefix);
    ~MqttSubscriber();

    bool Ready() const { return ready_; }
    // Waits (generously) until DONE holds for the messages so far; false
    // (with them printed) when it does not.
    bool WaitFor(const std::function<bool(const std::vector<MqttMessage>&)>& done,
                 int waitMs = 90000);
    // The messages so far, and those on one topic.
    std::vector<MqttMessage> Messages();
    std::vector<MqttMessage> On(const std::string& topic);

private:
    void Read();

    const MqttBroker& broker_;
    std::string prefix_;
    std::unique_ptr<QProcess> process_;
    QByteArray pending_;
    std::vector<MqttMessage> messages_;
    bool ready_ = false;
};

}  // namespace tagwright::test
