#include "core/production/MqttSettings.h"

#include <fstream>

#include <unistd.h>

#include "core/base/CText.h"
#include "core/production/JournalFields.h"

namespace tagwright {

namespace {

constexpr std::string_view kSection = "MQTT";

// Keys that would put a secret into a file that is copied from station to
// station and shown on screens.
constexpr std::string_view kSecretKeys[] = {"Password", "Passwd", "Pass",     "Pwd",
                                            "Secret",   "Token",  "Username", "User",
                                            "KeyPassword"};

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Refusal(const IniFile& file, const MqttSettings& s) {
    for (std::string_view key : kSecretKeys) {
        if (file.Get(kSection, key).empty()) continue;
        return "The MQTT broker's settings in the station settings file ([MQTT] " +
               std::string(key) +
               ") cannot be used: they hold a credential, and credentials are not kept in the "
               "settings file. Put the user name and password in a file of their own and name "
               "it with [MQTT] CredentialsFile.";
    }
    if (s.port < 1 || s.port > 65535) {
        return "The MQTT broker's settings in the station settings file ([MQTT] Port) cannot be "
               "used: the port must be a number from 1 to 65535.";
    }
    if (s.qos < 0 || s.qos > 2) {
        return "The MQTT broker's settings in the station settings file ([MQTT] QoS) cannot be "
               "used: the QoS must be 0, 1 or 2.";
    }
    return {};
}

}  // namespace

MqttSettings LoadMqttSettings(const IniFile& file) {
    MqttSettings s;
    s.host = Trimmed(file.Get(kSection, "Host"));
    if (!s.Configured()) return s;
    const std::string host = JournalHostName();
    if (const std::string port = file.Get(kSection, "Port"); !port.empty()) s.port = Atol(port);
    if (const std::string qos = file.Get(kSection, "QoS"); !qos.empty()) {
        s.qos = qos == "0" || qos == "1" || qos == "2" ? Atol(qos) : -1;
    }
    s.topicPrefix = file.Get(kSection, "TopicPrefix");
    while (!s.topicPrefix.empty() && s.topicPrefix.back() == '/') s.topicPrefix.pop_back();
    if (s.topicPrefix.empty()) s.topicPrefix = "tagwright/" + host;
    s.clientId = file.Get(kSection, "ClientId");
    if (s.clientId.empty()) s.clientId = "tagwright-" + host + "-" + std::to_string(::getpid());
    s.caFile = file.Get(kSection, "CAFile");
    s.certFile = file.Get(kSection, "CertFile");
    s.keyFile = file.Get(kSection, "KeyFile");
    s.credentialsFile = file.Get(kSection, "CredentialsFile");
    s.refusal = Refusal(file, s);
    return s;
}

MqttCredentials ReadMqttCredentials(const std::string& path) {
    MqttCredentials c;
    if (path.empty()) {
        c.ok = true;
        return c;
    }
    std::ifstream in(path);
    if (!in) {
        c.message = "The MQTT credentials file \"" + path + "\" ([MQTT] CredentialsFile) cannot "
                    "be read.";
        return c;
    }
    for (std::string line; std::getline(in, line);) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find('=');
        const std::string key = Trimmed(line.substr(0, eq));
        const std::string value = eq == std::string::npos ? "" : Trimmed(line.substr(eq + 1));
        if (key == "username") c.username = value;
        if (key == "password") c.password = value;
    }
    c.ok = true;
    return c;
}

}  // namespace tagwright
