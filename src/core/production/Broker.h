#pragma once
// The seam to the MQTT broker, as the journal's is to its database: the
// line events are published through it, and tests or benchmarks may put
// another broker behind it. The library's network thread never touches the
// journal: what it learns (connected, lost, a message acknowledged) waits
// in a queue until the owner's tick takes it.

#include <memory>
#include <string>
#include <vector>

namespace tagwright {

struct BrokerOptions {
    std::string host;
    int port = 1883;
    std::string clientId;
    std::string username;  // "" = none
    std::string password;
    std::string caFile;  // TLS when set
    std::string certFile;
    std::string keyFile;
    std::string willTopic;  // "" = no last will
    std::string willPayload;
    int keepAliveSeconds = 30;
    int maxInFlight = 20;
};

struct BrokerNews {
    enum Kind { Connected, Lost, Acknowledged };
    Kind kind = Connected;
    int messageId = 0;  // Acknowledged
    std::string text;   // Lost: why, for the operator
};

class Broker {
public:
    virtual ~Broker() = default;

    // Starts connecting in the background, and again after every loss;
    // never waits for the broker. False (why) when the options cannot be used.
    virtual bool Start(const BrokerOptions& options, std::string* error) = 0;
    // Hands a message to the network thread; its id (> 0), or 0 when it was
    // not taken (not connected). Never waits for the broker.
    virtual int Publish(const std::string& topic, const std::string& payload, int qos,
                        bool retain) = 0;
    // What happened since the last call, in order.
    virtual std::vector<BrokerNews> TakeNews() = 0;
    // Says goodbye (so the last will is not sent) and ends the thread.
    virtual void Stop() = 0;
};

// The libmosquitto broker client, with its own network thread.
std::unique_ptr<Broker> MakeMosquittoBroker();

}  // namespace tagwright
