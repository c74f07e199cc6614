#include "core/reader/SerialPort.h"

#include <algorithm>

#include "core/reader/OpenFailure.h"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace tagwright {

namespace {

// Read errors are dropped and reading goes on; this many in a row without a
// byte means the device is not coming back, and waiting on it would spin.
constexpr int kMaxReadErrorsInRow = 64;

}  // namespace

SerialPort::SerialPort() : SerialPort(MakeSystemSerialBackend()) {}

SerialPort::SerialPort(std::unique_ptr<SerialBackend> backend) : backend_(std::move(backend)) {}

SerialPort::~SerialPort() { ClosePort(); }

PortOpenResult SerialPort::OpenPort(const PortSettings& settings) {
    if (backend_->IsOpen()) ClosePort();
    PortOpenResult result;
    const int error = backend_->Open(settings.portName);
    if (error != 0) {
        portOpen = false;
        result.error = error;
        return result;
    }
    backend_->Purge();
    std::string refused = backend_->Configure(settings);
    if (!refused.empty()) {
        (void)backend_->Close();
        portOpen = backend_->IsOpen();
        result.refusedSetting = std::move(refused);
        return result;
    }
    lost_ = false;
    {
        std::lock_guard lock(queueMutex_);
        queue_.clear();
    }
    portOpen = true;
    StartReceiver();
    result.opened = true;
    return result;
}

bool SerialPort::StartReceiver() {
    if (receiver_.joinable()) return true;
    if (!backend_->IsOpen()) return false;
    stopRequest_ = false;
    {
        std::lock_guard lock(queueMutex_);
        assembler_ = LineAssembler{};
    }
    receiver_ = std::thread([this] { ReceiverLoop(); });
    return true;
}

bool SerialPort::StopReceiver() {
    if (!receiver_.joinable()) return true;
    if (receiver_.get_id() == std::this_thread::get_id()) return false;  // from a callback
    stopRequest_ = true;
    backend_->Wake();
    receiver_.join();
    return true;
}

bool SerialPort::ClosePort() {
    if (!backend_->IsOpen()) {
        portOpen = false;
        return true;
    }
    if (!StopReceiver()) return false;
    backend_->Purge();
    const int error = backend_->Close();
    portOpen = backend_->IsOpen();
    {
        std::lock_guard lock(queueMutex_);
        queue_.clear();
    }
    return error == 0;
}

int SerialPort::SendCommand(std::string_view text) {
    if (!backend_->IsOpen()) return -1;
    return backend_->Write(text);
}

bool SerialPort::OpenWithReport(const PortSettings& settings, MessageView& view) {
    const PortOpenResult result = OpenPort(settings);
    if (result.opened) return true;
    std::string text = settings.portName + " konnte nicht ge\xF6" "ffnet werden!";
    if (!result.refusedSetting.empty()) {
        text += "\r\nSetting refused by the port: " + result.refusedSetting;
    }
    if (result.error != 0) text += "\r\n" + ExplainOpenFailure(settings.portName, result.error);
    view.ShowMessage({text, "Error", MsgIcon::Error, MsgButtons::Ok});
    return false;
}

bool SerialPort::CloseWithReport(MessageView& view) {
    if (ClosePort()) return true;
    view.ShowMessage({"Can't close COM Port.", "Error", MsgIcon::Error, MsgButtons::Ok});
    return false;
}

std::vector<ReceivedLine> SerialPort::DiscardLines() {
    std::lock_guard lock(queueMutex_);
    std::vector<ReceivedLine> lines(std::make_move_iterator(queue_.begin()),
                                    std::make_move_iterator(queue_.end()));
    queue_.clear();
    assembler_.Reset();
    return lines;
}

std::optional<ReceivedLine> SerialPort::WaitLine(std::chrono::milliseconds timeout,
                                                 const std::function<void()>& hook) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        {
            std::unique_lock lock(queueMutex_);
            const auto sliceEnd = std::min(deadline, Clock::now() + kHookInterval);
            queueChanged_.wait_until(lock, sliceEnd, [this] { return !queue_.empty(); });
            if (!queue_.empty()) {
                ReceivedLine line = std::move(queue_.front());
                queue_.pop_front();
                return line;
            }
        }
        if (Clock::now() >= deadline) return std::nullopt;
        if (hook) hook();
    }
}

std::size_t SerialPort::PendingLines() const {
    std::lock_guard lock(queueMutex_);
    return queue_.size();
}

std::size_t SerialPort::PartialLineBytes() const {
    std::lock_guard lock(queueMutex_);
    return assembler_.PendingBytes();
}

void SerialPort::SetTrafficCallback(LineCallback callback) {
    std::lock_guard lock(callbackMutex_);
    trafficCallback_ = std::move(callback);
}

void SerialPort::SetLostCallback(LostCallback callback) {
    std::lock_guard lock(callbackMutex_);
    lostCallback_ = std::move(callback);
}

void SerialPort::ReceiverLoop() {
#if defined(__linux__)
    pthread_setname_np(pthread_self(), kReceiverThreadName);  // for ps, gdb and the benchmark
#endif
    char buffer[256];
    bool watching = !lost_;
    int errorsInRow = 0;
    while (!stopRequest_) {
        const PortEvent event = backend_->Wait(watching);
        if (stopRequest_) break;
        if (event == PortEvent::HungUp || event == PortEvent::Failed) {
            MarkLost();
            watching = false;
            continue;
        }
        if (event != PortEvent::Readable) continue;
        for (;;) {
            const ReadResult r = backend_->Read(buffer, sizeof buffer);
            if (r.status == ReadStatus::Data) {
                errorsInRow = 0;
                Assemble(std::string_view(buffer, r.count));
                continue;
            }
            if (r.status == ReadStatus::HungUp || ++errorsInRow > kMaxReadErrorsInRow) {
                MarkLost();
                watching = false;
            } else if (r.status == ReadStatus::Nothing) {
                errorsInRow = 0;
            }
            break;
        }
    }
}

void SerialPort::Assemble(std::string_view bytes) {
    LineCallback callback;
    {
        std::lock_guard lock(callbackMutex_);
        callback = trafficCallback_;
    }
    std::vector<AssembledLine> lines;
    {
        // Feeding and queueing under one lock: a DiscardLines() in between
        // could otherwise drop a line's start and let its rest through.
        std::lock_guard lock(queueMutex_);
        // The busy flags are looked at under the same lock: an operation sets
        // its flag before its DiscardLines(), so every line fed after that
        // sees the flag, and a reply to its commands never reaches the
        // callback. Looked at before the lock, a line could slip in between.
        if (readBusy || writeBusy) callback = nullptr;
        assembler_.Feed(bytes, lines);
        for (const AssembledLine& line : lines) {
            queue_.push_back({line.text, line.dropped, callback != nullptr});
        }
        while (queue_.size() > kMaxQueuedLines) queue_.pop_front();
    }
    if (lines.empty()) return;
    queueChanged_.notify_all();
    if (!callback) return;
    for (const AssembledLine& line : lines) {
        callback(line.text);
        if (line.dropped != 0) callback(TooLongNote(line.dropped));
    }
}

void SerialPort::MarkLost() {
    if (lost_.exchange(true)) return;
    LostCallback callback;
    {
        std::lock_guard lock(callbackMutex_);
        callback = lostCallback_;
    }
    if (callback) callback();
}

}  // namespace tagwright
