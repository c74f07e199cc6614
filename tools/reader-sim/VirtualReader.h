#pragma once
// The virtual Reader: a pseudo-terminal whose far end answers the Reader's
// command set as a device with one Multipage transponder on its antenna.
// Tests open SlavePath() (or a link to it) as the station's port.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tagwright::sim {

struct Transponder {
    std::array<std::array<std::uint8_t, 8>, 17> pages{};  // index 0 is page 1
    std::array<bool, 17> locked{};
    std::string uid = "1A2B3C4D";
};

struct Options {
    bool present = true;           // a transponder lies on the antenna
    Transponder transponder{};
    int torValue = 10;             // the number "TOR" answers
    std::chrono::milliseconds replyDelay{0};
    std::string lineEnd = "\r";    // "\r\n" for a Reader that sends CR LF
};

class VirtualReader {
public:
    explicit VirtualReader(Options options = {});
    ~VirtualReader();  // stops and removes the link
    VirtualReader(const VirtualReader&) = delete;
    VirtualReader& operator=(const VirtualReader&) = delete;

    // Opens the pseudo-terminal and starts answering. False (with *error)
    // when no pseudo-terminal can be had.
    bool Start(std::string* error = nullptr);
    void Stop();

    // The slave side's device path, e.g. /dev/pts/7.
    std::string SlavePath() const;
    // Puts a symbolic link at path to the slave side (replacing a stale one).
    bool CreateLink(const std::string& path, std::string* error = nullptr);

    // Every command line received, without its CR, in order.
    std::vector<std::string> CommandLog() const;
    // Every byte received, raw.
    std::string ReceivedBytes() const;
    void ClearLog();
    // Waits until at least n command lines have arrived (or the timeout).
    bool WaitForCommands(std::size_t n, std::chrono::milliseconds timeout) const;

    Transponder GetTransponder() const;
    void SetTransponder(const Transponder& t);
    void SetPresent(bool present);
    void SetTorValue(int value);
    void SetReplyDelay(std::chrono::milliseconds delay);

    // Fault injection; n counts command lines from 1 since Start (or the
    // last ClearLog).
    void NoAnswerTo(std::size_t n);                       // stays silent
    void ReplaceAnswer(std::size_t n, std::string raw);   // sends raw bytes instead
    void DropLineMidReply(std::size_t n);                 // sends half the reply, no CR
    void SendUnsolicited(std::string raw);                // sends raw bytes now
    void HangUp();  // closes the master side, as an unplugged adapter

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tagwright::sim
