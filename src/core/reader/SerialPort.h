#pragma once
// The one port through which the station talks to the Reader, and the
// receiver thread that turns its bytes into reply lines.
//
// The window thread opens, closes, sends and takes replies; the receiver
// thread waits for bytes (no polling interval), assembles lines at CR and
// hands each one over twice: to the traffic callback, unless an operation
// holds readBusy or writeBusy, and to the reply queue that WaitLine() reads.
//
// The callbacks run on the receiver thread. A GUI must post their work to its
// own thread without waiting for it, since the window thread may be joining
// the receiver at that moment (ClosePort). They must not close the port: a
// thread cannot join itself.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/base/Presentation.h"
#include "core/reader/LineAssembler.h"
#include "core/reader/SerialBackend.h"
#include "core/reader/PortSettings.h"

namespace tagwright {

struct PortOpenResult {
    bool opened = false;
    int error = 0;               // errno-style code when the device could not be opened
    std::string refusedSetting;  // set when it opened but refused a setting
};

struct ReceivedLine {
    std::string text;          // with its CR LF
    std::size_t dropped = 0;   // bytes of an over-long line that were thrown away
    bool shown = false;        // already given to the traffic callback
};

// Holds a busy flag for a scope.
class BusyScope {
public:
    explicit BusyScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::atomic<bool>& flag_;
};

class SerialPort {
public:
    using LineCallback = std::function<void(const std::string& line)>;
    using LostCallback = std::function<void()>;

    // Lines kept for WaitLine(); older ones go first. Nobody takes the
    // replies to terminal commands, so the queue must not grow without end.
    static constexpr std::size_t kMaxQueuedLines = 16;

    SerialPort();
    explicit SerialPort(std::unique_ptr<SerialBackend> backend);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens and configures the port and starts the receiver. A port that
    // refuses a setting is closed again: it could not talk to the Reader.
    PortOpenResult OpenPort(const PortSettings& settings);
    // True when a receiver runs afterwards (it needs an open port).
    bool StartReceiver();
    // Stops and joins the receiver; returns at once when none runs.
    bool StopReceiver();
    // True when the port is closed or there was none.
    bool ClosePort();
    // 0 when every byte was written, -1 without a port, else an errno code.
    int SendCommand(std::string_view text);

    // Start-up and after the Interface Settings dialog: open, and tell the
    // operator when that failed.
    bool OpenWithReport(const PortSettings& settings, MessageView& view);
    // The window's close: ClosePort, and tell the operator when that failed.
    bool CloseWithReport(MessageView& view);

    // Takes every line waiting (a late reply, terminal replies) off the queue
    // and forgets the line begun, so that its rest never starts a reply.
    std::vector<ReceivedLine> DiscardLines();
    // Waits up to timeout for a line; hook runs about every 15 ms meanwhile.
    // Returns as soon as a line is there.
    std::optional<ReceivedLine> WaitLine(std::chrono::milliseconds timeout,
                                         const std::function<void()>& hook = {});
    std::size_t PendingLines() const;
    // Bytes of a line begun and not yet ended.
    std::size_t PartialLineBytes() const;

    void SetTrafficCallback(LineCallback callback);
    void SetLostCallback(LostCallback callback);

    // The device went away while open (adapter unplugged). Cleared by the
    // next successful open.
    bool PortLost() const { return lost_; }
    bool ReceiverRunning() const { return receiver_.joinable(); }

    std::atomic<bool> portOpen{false};
    // Set before an operation's first DiscardLines() and held to its end; the
    // receiver reads them under the queue's lock (see Assemble).
    std::atomic<bool> readBusy{false};
    std::atomic<bool> writeBusy{false};

    static constexpr std::chrono::milliseconds kHookInterval{15};
    static constexpr const char* kReceiverThreadName = "tw-receiver";

private:
    void ReceiverLoop();
    void Assemble(std::string_view bytes);
    void MarkLost();

    std::unique_ptr<SerialBackend> backend_;
    std::thread receiver_;
    std::atomic<bool> stopRequest_{false};
    std::atomic<bool> lost_{false};

    mutable std::mutex callbackMutex_;
    LineCallback trafficCallback_;
    LostCallback lostCallback_;

    // The assembler sits under the queue's lock: DiscardLines() resets it
    // together with the queue.
    mutable std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    LineAssembler assembler_;
    std::deque<ReceivedLine> queue_;
};

}  // namespace tagwright
