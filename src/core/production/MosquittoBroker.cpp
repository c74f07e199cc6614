#include <mutex>
#include <utility>

#include <mosquitto.h>

#include "core/production/Broker.h"

namespace tagwright {

namespace {

class MosquittoBroker final : public Broker {
public:
    ~MosquittoBroker() override {
        Stop();
        if (mosq_ != nullptr) mosquitto_destroy(mosq_);
    }

    bool Start(const BrokerOptions& options, std::string* error) override;
    int Publish(const std::string& topic, const std::string& payload, int qos,
                bool retain) override;
    std::vector<BrokerNews> TakeNews() override {
        std::lock_guard lock(mutex_);
        return std::exchange(news_, {});
    }
    void Stop() override;

private:
    // Called on the library's network thread.
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);
    void Add(BrokerNews news) {
        std::lock_guard lock(mutex_);
        news_.push_back(std::move(news));
    }

    mosquitto* mosq_ = nullptr;
    bool looping_ = false;
    std::mutex mutex_;
    std::vector<BrokerNews> news_;
};

std::string Why(int rc) {
    return rc == MOSQ_ERR_ERRNO ? "the connection failed" : mosquitto_strerror(rc);
}

bool MosquittoBroker::Start(const BrokerOptions& o, std::string* error) {
    static std::once_flag init;
    std::call_once(init, [] { mosquitto_lib_init(); });
    mosq_ = mosquitto_new(o.clientId.c_str(), true, this);
    if (mosq_ == nullptr) {
        *error = "the MQTT client cannot be created";
        return false;
    }
    mosquitto_connect_callback_set(mosq_, &OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &OnDisconnect);
    mosquitto_publish_callback_set(mosq_, &OnPublish);
    mosquitto_max_inflight_messages_set(mosq_, static_cast<unsigned>(o.maxInFlight));
    // A broker on the line's network is back within seconds: try every
    // one or two, so that events never wait long after it returns.
    mosquitto_reconnect_delay_set(mosq_, 1, 2, false);
    int rc = MOSQ_ERR_SUCCESS;
    if (!o.username.empty()) {
        rc = mosquitto_username_pw_set(mosq_, o.username.c_str(),
                                       o.password.empty() ? nullptr : o.password.c_str());
    }
    if (rc == MOSQ_ERR_SUCCESS && !o.caFile.empty()) {
        rc = mosquitto_tls_set(mosq_, o.caFile.c_str(), nullptr,
                               o.certFile.empty() ? nullptr : o.certFile.c_str(),
                               o.keyFile.empty() ? nullptr : o.keyFile.c_str(), nullptr);
    }
    if (rc == MOSQ_ERR_SUCCESS && !o.willTopic.empty()) {
        rc = mosquitto_will_set(mosq_, o.willTopic.c_str(), static_cast<int>(o.willPayload.size()),
                                o.willPayload.data(), 1, true);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = Why(rc);
        return false;
    }
    // The thread first, then the connection: so the thread makes the first
    // attempt too, and tries again while the broker is down. (Connecting
    // before the thread runs gives up for good on a broker that is down.)
    rc = mosquitto_loop_start(mosq_);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = Why(rc);
        return false;
    }
    looping_ = true;
    rc = mosquitto_connect_async(mosq_, o.host.c_str(), o.port, o.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_ERRNO) {
        *error = Why(rc);
        Stop();
        return false;
    }
    return true;
}

int MosquittoBroker::Publish(const std::string& topic, const std::string& payload, int qos,
                             bool retain) {
    if (!looping_) return 0;
    int mid = 0;
    const int rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), qos, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : 0;
}

void MosquittoBroker::Stop() {
    if (!looping_) return;
    looping_ = false;
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, false);
}

void MosquittoBroker::OnConnect(mosquitto*, void* self, int rc) {
    auto* broker = static_cast<MosquittoBroker*>(self);
    if (rc == 0) {
        broker->Add({BrokerNews::Connected, 0, {}});
    } else {
        broker->Add({BrokerNews::Lost, 0, mosquitto_connack_string(rc)});
    }
}

void MosquittoBroker::OnDisconnect(mosquitto*, void* self, int rc) {
    static_cast<MosquittoBroker*>(self)->Add(
        {BrokerNews::Lost, 0, rc == 0 ? "disconnected" : "the connection was lost"});
}

void MosquittoBroker::OnPublish(mosquitto*, void* self, int mid) {
    static_cast<MosquittoBroker*>(self)->Add({BrokerNews::Acknowledged, mid, {}});
}

}  // namespace

std::unique_ptr<Broker> MakeMosquittoBroker() { return std::make_unique<MosquittoBroker>(); }

}  // namespace tagwright
