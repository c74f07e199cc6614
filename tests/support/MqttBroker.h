#pragma once
// A real MQTT broker for tests and benchmarks, from Debian's mosquitto
// package: listening on 127.0.0.1 at a free port, its configuration and
// persistence in a temporary directory, stopped and removed at the end. It
// can be stopped and started again on the same port; sessions and queued
// messages of persistent subscribers survive that.

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace tagwright::test {

class MqttBroker {
public:
    // Starts the broker; check Running() and Error().
    MqttBroker();
    ~MqttBroker();
    MqttBroker(const MqttBroker&) = delete;
    MqttBroker& operator=(const MqttBroker&) = delete;

    // The broker program, or "" when mosquitto is not installed.
    static std::string Program();

    bool Running() const { return pid_ > 0; }
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }

    // Stops it (its state saved) and starts it again on the same port.
    bool Stop();
    bool Start();

    // "[MQTT]" lines for the station settings file, prefix PREFIX.
    std::string Settings(const std::string& prefix) const;

private:
    bool Listening() const;

    std::filesystem::path dir_;
    int port_ = 0;
    pid_t pid_ = 0;
    pid_t owner_ = 0;
    std::string error_;
};

}  // namespace tagwright::test
