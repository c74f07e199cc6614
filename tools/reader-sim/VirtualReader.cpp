#include "reader-sim/VirtualReader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "reader-sim/ReaderLogic.h"
#include "reader-sim/TransponderFile.h"

namespace tagwright::sim {
namespace {

// Longer command lines are cut in the log (the raw bytes keep them whole);
// nothing the station builds comes near it.
constexpr std::size_t kMaxLine = 4096;

std::string SysError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

struct VirtualReader::Impl {
    explicit Impl(Options o) : opt(std::move(o)) {}

    std::mutex life;  // serialises Start and Stop
    std::mutex saveMutex;

    mutable std::mutex m;
    mutable std::condition_variable cv;
    Options opt;
    std::string slavePath;
    std::string linkPath;
    bool running = false;
    bool stopRequested = false;
    bool hangUpRequested = false;
    bool hungUp = false;
    std::vector<std::string> log;
    std::string received;
    std::size_t commandCount = 0;
    std::set<std::size_t> noAnswer;
    std::map<std::size_t, std::string> replaced;
    std::set<std::size_t> dropped;
    std::deque<std::string> unsolicited;

    // Set by Start before the worker runs and closed by Stop after it has
    // ended; while it runs only the worker touches master and slaveKeep.
    int master = -1;
    int slaveKeep = -1;
    int wakeFd = -1;
    std::thread worker;
    std::string partial;  // worker only
    ReaderLogic logic;    // under m

    void WakeLocked() {
        if (wakeFd < 0) return;
        std::uint64_t one = 1;
        ssize_t r = ::write(wakeFd, &one, sizeof one);
        (void)r;  // a full counter means a wake-up is pending anyway
    }

    void DrainWake() {
        std::uint64_t v;
        ssize_t r = ::read(wakeFd, &v, sizeof v);
        (void)r;
    }

    bool AbortRequestedLocked() const { return stopRequested || hangUpRequested; }

    void RemoveLinkLocked() {
        if (linkPath.empty()) return;
        char target[PATH_MAX];
        ssize_t n = ::readlink(linkPath.c_str(), target, sizeof target - 1);
        // Only our own link: another Reader may have taken the name since.
        if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath)
            ::unlink(linkPath.c_str());
        linkPath.clear();
    }

    void SaveState() {
        std::lock_guard<std::mutex> g(saveMutex);
        Transponder snapshot;
        std::string file;
        {
            std::lock_guard<std::mutex> l(m);
            snapshot = opt.transponder;
            file = opt.stateFile;
        }
        if (file.empty()) return;
        std::string error;
        if (!SaveTransponderFile(file, snapshot, &error))
            std::fprintf(stderr, "tagwright-reader-sim: %s\n", error.c_str());
    }

    // Writes all bytes; false when a stop or hang-up cut it short or the
    // line is gone. Waits for room when the station does not read.
    bool WriteAll(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            if (master < 0) return false;
            ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) return false;
            pollfd fds[2] = {{wakeFd, POLLIN, 0}, {master, POLLOUT, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return false;
            if (fds[0].revents != 0) {
                DrainWake();
                std::lock_guard<std::mutex> l(m);
                if (AbortRequestedLocked()) return false;
            }
        }
        return true;
    }

    // Sends the queued unsolicited bytes.
    void SendQueued() {
        std::deque<std::string> out;
        {
            std::lock_guard<std::mutex> l(m);
            out.swap(unsolicited);
        }
        for (const std::string& s : out)
            if (!WriteAll(s)) return;
    }

    // Waits out a reply delay; false when a stop or hang-up came meanwhile.
    bool Pause(std::chrono::milliseconds delay) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + delay;
        for (;;) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return true;
            int ms = left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
            pollfd fd = {wakeFd, POLLIN, 0};
            if (::poll(&fd, 1, ms) > 0) {
                DrainWake();
                {
                    std::lock_guard<std::mutex> l(m);
                    if (AbortRequestedLocked()) return false;
                }
                SendQueued();
            }
        }
    }

    // Serves stop, hang-up and unsolicited bytes; false when the worker is
    // to end.
    bool ServeRequests() {
        {
            std::lock_guard<std::mutex> l(m);
            if (stopRequested) return false;
            if (hangUpRequested && !hungUp) {
                CloseFd(master);
                CloseFd(slaveKeep);
                hungUp = true;
                unsolicited.clear();
                cv.notify_all();
            }
        }
        SendQueued();
        return true;
    }

    // One complete command line; false when a stop or hang-up cut it short.
    bool HandleLine(const std::string& line) {
        std::string bytes;
        std::chrono::milliseconds delay{0};
        bool save = false;
        {
            std::lock_guard<std::mutex> l(m);
            if (AbortRequestedLocked()) return false;
            const std::size_t n = ++commandCount;
            log.push_back(line);
            const Answer a = logic.Respond(line, opt, std::chrono::steady_clock::now());
            save = a.changed && !opt.stateFile.empty();
            bytes = a.silent ? std::string() : ReaderLogic::Bytes(line, a, opt);
            if (noAnswer.count(n) != 0) {
                bytes.clear();
            } else if (auto it = replaced.find(n); it != replaced.end()) {
                bytes = it->second;
            } else if (dropped.count(n) != 0) {
                bytes = a.text.substr(0, a.text.size() / 2);
            }
            noAnswer.erase(n);
            replaced.erase(n);
            dropped.erase(n);
            delay = opt.replyDelay;
            cv.notify_all();
        }
        // Saved before the reply goes out, so a station that has seen "ACK"
        // finds the change in the file.
        if (save) SaveState();
        if (bytes.empty()) return true;
        if (delay.count() > 0 && !Pause(delay)) return false;
        return WriteAll(bytes);
    }

    void Consume(const char* data, std::size_t size) {
        {
            std::lock_guard<std::mutex> l(m);
            received.append(data, size);
        }
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\r') {
                std::string line;
                line.swap(partial);
                if (!HandleLine(line)) return;
            } else if (c != '\n' && partial.size() < kMaxLine) {
                partial += c;
            }
        }
    }

    void Run() {
        char buf[4096];
        bool backOff = false;
        while (ServeRequests()) {
            pollfd fds[2] = {{wakeFd, POLLIN, 0}, {master, POLLIN, 0}};
            const nfds_t count = (master >= 0 && !backOff) ? 2 : 1;
            const int r = ::poll(fds, count, backOff ? 50 : -1);
            backOff = false;
            if (r <= 0) continue;
            if (fds[0].revents != 0) {
                // Requests first: unsolicited bytes queued before a command
                // arrived go out ahead of its reply.
                DrainWake();
                continue;
            }
            if (count == 2 && fds[1].revents != 0) {
                ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0)
                    Consume(buf, static_cast<std::size_t>(n));
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    backOff = true;  // no slave open at all; cannot last, we hold one
            }
        }
    }
};

VirtualReader::VirtualReader(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

VirtualReader::~VirtualReader() { Stop(); }

bool VirtualReader::Start(std::string* error) {
    std::lock_guard<std::mutex> life(impl_->life);
    Impl& d = *impl_;
    {
        std::lock_guard<std::mutex> l(d.m);
        if (d.running) return true;
    }
    auto fail = [&](const char* what) {
        if (error) *error = SysError(what);
        CloseFd(d.master);
        CloseFd(d.slaveKeep);
        CloseFd(d.wakeFd);
        return false;
    };
    d.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d.master < 0) return fail("posix_openpt");
    if (::grantpt(d.master) != 0) return fail("grantpt");
    if (::unlockpt(d.master) != 0) return fail("unlockpt");
    char name[PATH_MAX];
    if (::ptsname_r(d.master, name, sizeof name) != 0) return fail("ptsname");
    // Our own descriptor of the slave keeps the line up while the station's
    // port is closed, and carries the raw mode for every later open.
    d.slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d.slaveKeep < 0) return fail("open slave");
    termios tio{};
    if (::tcgetattr(d.slaveKeep, &tio) != 0) return fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(d.slaveKeep, TCSANOW, &tio) != 0) return fail("tcsetattr");
    const int flags = ::fcntl(d.master, F_GETFL);
    if (flags < 0 || ::fcntl(d.master, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl");
    d.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (d.wakeFd < 0) return fail("eventfd");

    std::lock_guard<std::mutex> l(d.m);
    d.slavePath = name;
    d.running = true;
    d.stopRequested = false;
    d.hangUpRequested = false;
    d.hungUp = false;
    d.log.clear();
    d.received.clear();
    d.commandCount = 0;
    d.unsolicited.clear();
    d.partial.clear();
    d.logic.Restart();
    d.worker = std::thread([&d] { d.Run(); });
    return true;
}

void VirtualReader::Stop() {
    std::lock_guard<std::mutex> life(impl_->life);
    Impl& d = *impl_;
    {
        std::lock_guard<std::mutex> l(d.m);
        if (!d.running) return;
        d.stopRequested = true;
        d.WakeLocked();
        d.cv.notify_all();
    }
    d.worker.join();
    std::lock_guard<std::mutex> l(d.m);
    CloseFd(d.master);
    CloseFd(d.slaveKeep);
    CloseFd(d.wakeFd);
    d.RemoveLinkLocked();
    d.running = false;
    d.cv.notify_all();
}

std::string VirtualReader::SlavePath() const {
    std::lock_guard<std::mutex> l(impl_->m);
    return impl_->slavePath;
}

bool VirtualReader::CreateLink(const std::string& path, std::string* error) {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> l(d.m);
    auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    if (!d.running) return fail("the virtual Reader is not running");
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        return fail(path + " exists and is not a symbolic link");
    // A new link beside it, renamed over the old one: the name never points
    // nowhere while it is being replaced.
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    if (::symlink(d.slavePath.c_str(), tmp.c_str()) != 0) return fail(SysError(tmp.c_str()));
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        std::string why = SysError(path.c_str());
        ::unlink(tmp.c_str());
        return fail(why);
    }
    if (d.linkPath != path) d.RemoveLinkLocked();
    d.linkPath = path;
    return true;
}

std::vector<std::string> VirtualReader::CommandLog() const {
    std::lock_guard<std::mutex> l(impl_->m);
    return impl_->log;
}

std::string VirtualReader::ReceivedBytes() const {
    std::lock_guard<std::mutex> l(impl_->m);
    return impl_->received;
}

void VirtualReader::ClearLog() {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->log.clear();
    impl_->received.clear();
    impl_->commandCount = 0;
}

bool VirtualReader::WaitForCommands(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> l(impl_->m);
    return impl_->cv.wait_for(l, timeout, [&] { return impl_->log.size() >= n; });
}

Transponder VirtualReader::GetTransponder() const {
    std::lock_guard<std::mutex> l(impl_->m);
    return impl_->opt.transponder;
}

void VirtualReader::SetTransponder(const Transponder& t) {
    {
        std::lock_guard<std::mutex> l(impl_->m);
        impl_->opt.transponder = t;
    }
    impl_->SaveState();
}

void VirtualReader::SetPresent(bool present) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->opt.present = present;
}

void VirtualReader::SetTorValue(int value) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->opt.torValue = value;
}

void VirtualReader::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->opt.replyDelay = delay;
}

void VirtualReader::SetFaults(const Faults& faults) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->opt.faults = faults;
}

Faults VirtualReader::GetFaults() const {
    std::lock_guard<std::mutex> l(impl_->m);
    return impl_->opt.faults;
}

void VirtualReader::SetSequence(const TagSequence& sequence) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->opt.sequence = sequence;
    impl_->logic.Restart();
}

std::vector<Transponder> VirtualReader::SequenceTags() const {
    std::lock_guard<std::mutex> l(impl_->m);
    return impl_->logic.Tags(impl_->opt);
}

void VirtualReader::NoAnswerTo(std::size_t n) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->noAnswer.insert(n);
}

void VirtualReader::ReplaceAnswer(std::size_t n, std::string raw) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->replaced[n] = std::move(raw);
}

void VirtualReader::DropLineMidReply(std::size_t n) {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->dropped.insert(n);
}

void VirtualReader::SendUnsolicited(std::string raw) {
    std::lock_guard<std::mutex> l(impl_->m);
    if (!impl_->running || impl_->hungUp) return;
    impl_->unsolicited.push_back(std::move(raw));
    impl_->WakeLocked();
}

void VirtualReader::HangUp() {
    Impl& d = *impl_;
    std::unique_lock<std::mutex> l(d.m);
    if (!d.running || d.hungUp) return;
    d.hangUpRequested = true;
    d.WakeLocked();
    d.cv.wait(l, [&] { return d.hungUp || d.stopRequested; });
}

}  // namespace tagwright::sim
