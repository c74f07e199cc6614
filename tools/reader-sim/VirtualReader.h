#pragma once
// The virtual Reader: a pseudo-terminal whose far end answers the Reader's
// command set as a device with one Multipage transponder on its antenna.
// Tests open SlavePath() (or a link to it) as the station's port.
//
// The pseudo-terminal is raw (no echo, CR stays CR in both directions). The
// Reader keeps a descriptor of the slave side open itself, so the station may
// close and reopen its port as often as it likes without hanging the line up;
// bytes sent while the station's port is closed wait in the slave's input
// queue, as with a real adapter, until the station purges or reads them.
// HangUp() closes the master side: the station's open descriptor then polls
// POLLHUP, its writes fail with EIO and its reads return end of file (0) or
// EIO, and the slave's device node is gone, so reopening the path fails.
//
// Commands are answered one at a time, in order, by a worker thread; a reply
// delay holds up the commands behind it as well. Every public member may be
// called from any thread.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "reader-sim/ReaderOptions.h"

namespace tagwright::sim {

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

    // Every command line received, without its CR, in order (line feeds are
    // dropped, so a station that ends lines with CR LF logs the same).
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
    // The Reader's own faults (see Faults); they replace the ones set before.
    void SetFaults(const Faults& faults);
    // failNext, removeAfterPage and leaveAfterLock count down as they fire.
    Faults GetFaults() const;
    // Lays the tags on the antenna one after another, starting with the next command.
    void SetSequence(const TagSequence& sequence);
    // The sequence's tags with their pages as they are now.
    std::vector<Transponder> SequenceTags() const;

    // Faults of the line; n counts command lines from 1 since Start (or the
    // last ClearLog). A faulted command still takes effect (a write is
    // written); only its reply is lost or changed. For one n, no answer wins
    // over a replaced answer, which wins over a dropped line.
    void NoAnswerTo(std::size_t n);                       // stays silent
    void ReplaceAnswer(std::size_t n, std::string raw);   // sends raw bytes instead
    void DropLineMidReply(std::size_t n);                 // sends half the reply, no CR
    void SendUnsolicited(std::string raw);                // sends raw bytes now (queued,
                                                          // ahead of later replies)
    void HangUp();  // closes the master side, as an unplugged adapter; returns when done

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tagwright::sim
