#pragma once
// The station settings' [MQTT] section: where line events go. Read only,
// never written back, so the file keeps it as the line engineer typed it.
// Without a Host nothing is published and nothing changes.

#include <string>

#include "core/base/IniFile.h"

namespace tagwright {

struct MqttSettings {
    std::string host;         // "" = no events
    int port = 1883;
    std::string topicPrefix;  // default "tagwright/<host name>"
    std::string clientId;     // default "tagwright-<host name>-<process id>"
    int qos = 1;
    std::string caFile;       // TLS when set
    std::string certFile;
    std::string keyFile;
    std::string credentialsFile;  // "username=" and "password=" lines
    // Why the section cannot be used ("" when it can): the station then
    // does not connect, and its events wait in the journal.
    std::string refusal;

    bool Configured() const { return !host.empty(); }
};

MqttSettings LoadMqttSettings(const IniFile& file);

struct MqttCredentials {
    bool ok = false;
    std::string username;
    std::string password;
    std::string message;  // when not ok: for the operator
};

// The credentials file: "username=NAME" and "password=SECRET" lines, "#"
// starts a comment. No file named: no credentials.
MqttCredentials ReadMqttCredentials(const std::string& path);

}  // namespace tagwright
