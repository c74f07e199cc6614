#include "core/reader/PosixSerialBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/reader/ArbitraryBaud.h"

namespace tagwright {

namespace posix_serial {

namespace {

struct StandardRate {
    int rate;
    speed_t code;
};

constexpr std::array<StandardRate, 18> kStandardRates{{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400},
}};

bool FindStandardRate(int rate, speed_t* code) {
    for (const auto& r : kStandardRates) {
        if (r.rate == rate) {
            *code = r.code;
            return true;
        }
    }
    return false;
}

int RateOfCode(speed_t code) {
    for (const auto& r : kStandardRates) {
        if (r.code == code) return r.rate;
    }
    return 0;
}

tcflag_t SizeFlag(int dataBits) {
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

// The bits of c_cflag that parity sets, as each parity code wants them.
tcflag_t ParityFlags(int parityCode) {
    switch (parityCode) {
    case 1: return PARENB | PARODD;
    case 2: return PARENB;
    case 3: return PARENB | CMSPAR | PARODD;  // the parity bit always 1
    case 4: return PARENB | CMSPAR;           // the parity bit always 0
    default: return 0;
    }
}

std::string JoinRefusals(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    return a + ", " + b;
}

}  // namespace

std::string DevicePath(const std::string& portName) {
    if (portName.find('/') != std::string::npos) return portName;
    return "/dev/" + portName;
}

std::string DescribeParity(int parityCode) {
    static const char* const names[] = {"None", "Odd", "Even", "Mark", "Space"};
    if (parityCode >= 0 && parityCode <= 4) return std::string("parity ") + names[parityCode];
    return "parity code " + std::to_string(parityCode);
}

std::string DescribeStopBits(int stopBitsCode) {
    switch (stopBitsCode) {
    case 0: return "1 stop bit";
    case 1: return "1.5 stop bits";
    case 2: return "2 stop bits";
    default: return "stop-bits code " + std::to_string(stopBitsCode);
    }
}

std::string DescribeFlowControl(int flowControlCode) {
    switch (flowControlCode) {
    case 1: return "flow control Xon / Xoff";
    case 2: return "flow control Hardware";
    default: return "flow control No";
    }
}

std::string CheckSettings(const PortSettings& s) {
    std::string refused;
    if (s.baudRate <= 0) refused = JoinRefusals(refused, "baud rate " + std::to_string(s.baudRate));
    if (s.dataBits < 5 || s.dataBits > 8) {
        refused = JoinRefusals(refused, std::to_string(s.dataBits) + " data bits");
    }
    if (s.stopBitsCode != 0 && s.stopBitsCode != 2) {
        refused = JoinRefusals(refused, DescribeStopBits(s.stopBitsCode));
    }
    if (s.parityCode < 0 || s.parityCode > 4) {
        refused = JoinRefusals(refused, DescribeParity(s.parityCode));
    }
    // Flow-control codes other than 1 and 2 mean "No", as the dialog stores them.
    return refused;
}

void ApplySettings(const PortSettings& s, termios& t, bool* needsArbitrary) {
    cfmakeraw(&t);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS
                                        | HUPCL);
    t.c_cflag |= CLOCAL | CREAD | SizeFlag(s.dataBits) | ParityFlags(s.parityCode);
    if (s.stopBitsCode == 2) t.c_cflag |= CSTOPB;
    if (s.flowControlCode == 1) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;  // the usual DC1 / DC3 pair
        t.c_cc[VSTOP] = 0x13;
    } else if (s.flowControlCode == 2) {
        t.c_cflag |= CRTSCTS;
    }
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    speed_t code = B0;
    const bool standard = FindStandardRate(s.baudRate, &code);
    if (standard) {
        cfsetispeed(&t, code);
        cfsetospeed(&t, code);
    }
    if (needsArbitrary) *needsArbitrary = !standard;
}

std::string CompareSettings(const PortSettings& s, const termios& got) {
    std::string refused;
    if ((got.c_cflag & CSIZE) != SizeFlag(s.dataBits)) {
        refused = JoinRefusals(refused, std::to_string(s.dataBits) + " data bits");
    }
    const tcflag_t wantParity = ParityFlags(s.parityCode);
    const tcflag_t parityMask = wantParity != 0 ? (PARENB | PARODD | CMSPAR) : PARENB;
    if ((got.c_cflag & parityMask) != wantParity) {
        refused = JoinRefusals(refused, DescribeParity(s.parityCode));
    }
    if (((got.c_cflag & CSTOPB) != 0) != (s.stopBitsCode == 2)) {
        refused = JoinRefusals(refused, DescribeStopBits(s.stopBitsCode));
    }
    const bool wantSoft = s.flowControlCode == 1;
    const bool wantHard = s.flowControlCode == 2;
    const bool hasSoft = (got.c_iflag & IXON) != 0 && (got.c_iflag & IXOFF) != 0;
    const bool anySoft = (got.c_iflag & (IXON | IXOFF)) != 0;
    const bool hasHard = (got.c_cflag & CRTSCTS) != 0;
    if ((wantSoft ? !hasSoft : anySoft) || wantHard != hasHard) {
        refused = JoinRefusals(refused, DescribeFlowControl(s.flowControlCode));
    }
    return refused;
}

}  // namespace posix_serial

namespace {

bool RetryLater(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINTR; }

}  // namespace

PosixSerialBackend::PosixSerialBackend() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

PosixSerialBackend::~PosixSerialBackend() {
    Close();
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

int PosixSerialBackend::Open(const std::string& portName) {
    if (fd_ >= 0) return EBUSY;
    if (wakeRead_ < 0) return EMFILE;  // without the wake pipe the receiver could not be stopped

    const std::string path = posix_serial::DevicePath(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;

    // TIOCEXCL keeps other users out but not root; the lock also covers
    // another station of ours running as root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        return e == EWOULDBLOCK ? EBUSY : e;
    }
    termios probe{};
    if (tcgetattr(fd, &probe) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    fd_ = fd;
    return 0;
}

// The device refused the settings as a whole; try them one at a time on top
// of plain 8-N-1 to name the ones it will not take.
std::string PosixSerialBackend::FindRefused(const PortSettings& s, const termios& original,
                                            int error) {
    const auto takes = [&](const PortSettings& trial) {
        termios t = original;
        posix_serial::ApplySettings(trial, t, nullptr);
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    };
    PortSettings plain = s;
    plain.dataBits = 8;
    plain.parityCode = 0;
    plain.stopBitsCode = 0;
    plain.flowControlCode = 0;
    std::string refused;
    const auto add = [&refused](const std::string& what) {
        refused = refused.empty() ? what : refused + ", " + what;
    };
    if (!takes(plain)) {
        add("baud rate " + std::to_string(s.baudRate));
    } else {
        PortSettings trial = plain;
        trial.dataBits = s.dataBits;
        if (!takes(trial)) add(std::to_string(s.dataBits) + " data bits");
        trial = plain;
        trial.parityCode = s.parityCode;
        if (!takes(trial)) add(posix_serial::DescribeParity(s.parityCode));
        trial = plain;
        trial.stopBitsCode = s.stopBitsCode;
        if (!takes(trial)) add(posix_serial::DescribeStopBits(s.stopBitsCode));
        trial = plain;
        trial.flowControlCode = s.flowControlCode;
        if (!takes(trial)) add(posix_serial::DescribeFlowControl(s.flowControlCode));
    }
    if (refused.empty()) refused = "these settings together";
    return refused + " (" + std::strerror(error) + ")";
}

std::string PosixSerialBackend::Configure(const PortSettings& s) {
    if (fd_ < 0) return "no port";
    std::string refused = posix_serial::CheckSettings(s);
    if (!refused.empty()) return refused;

    termios t{};
    if (tcgetattr(fd_, &t) != 0) return std::string("port settings (") + std::strerror(errno) + ")";
    bool arbitrary = false;
    posix_serial::ApplySettings(s, t, &arbitrary);
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return FindRefused(s, t, errno);
    const std::string rate = "baud rate " + std::to_string(s.baudRate);
    if (arbitrary) {
        const int e = arbitrary_baud::Set(fd_, static_cast<unsigned>(s.baudRate));
        if (e != 0) return rate + " (" + std::strerror(e) + ")";
    }

    termios got{};
    if (tcgetattr(fd_, &got) != 0) return std::string("port settings (") + std::strerror(errno) + ")";
    refused = posix_serial::CompareSettings(s, got);

    // Adapters may round the rate a little; more than 3 % off does not work.
    unsigned actual = arbitrary_baud::ReadOutput(fd_);
    if (actual == 0) actual = static_cast<unsigned>(posix_serial::RateOfCode(cfgetospeed(&got)));
    const long long diff = static_cast<long long>(actual) - s.baudRate;
    if (std::llabs(diff) * 100 > 3LL * s.baudRate) {
        refused = refused.empty() ? rate : refused + ", " + rate;
    }
    if (!refused.empty()) return refused;

    // DTR off, and RTS too unless the handshake drives it. Ports without
    // modem lines (pseudo-terminals) refuse this harmlessly.
    int lines = TIOCM_DTR | (s.flowControlCode == 2 ? 0 : TIOCM_RTS);
    (void)ioctl(fd_, TIOCMBIC, &lines);
    return {};
}

void PosixSerialBackend::Purge() {
    if (fd_ >= 0) (void)tcflush(fd_, TCIOFLUSH);
}

int PosixSerialBackend::Close() {
    if (fd_ < 0) return 0;
    // Exclusive mode belongs to the device, not to our descriptor: clear it,
    // or the next open fails while anyone else still holds the device.
    (void)ioctl(fd_, TIOCNXCL);
    const int result = ::close(fd_);  // the descriptor is released even on error
    const int e = errno;
    fd_ = -1;
    return result == 0 || e == EINTR ? 0 : e;
}

PortEvent PosixSerialBackend::Wait(bool watchPort) {
    pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {fd_, POLLIN, 0}};
    const nfds_t count = watchPort && fd_ >= 0 ? 2 : 1;
    for (;;) {
        const int n = poll(fds, count, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return PortEvent::Failed;
        }
        if (fds[0].revents != 0) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
            return PortEvent::Woken;
        }
        if (count == 2) {
            const short r = fds[1].revents;
            if (r & POLLIN) return PortEvent::Readable;  // read tells data from hang-up
            if (r & (POLLHUP | POLLERR | POLLNVAL)) return PortEvent::HungUp;
        }
    }
}

ReadResult PosixSerialBackend::Read(char* buffer, std::size_t size) {
    if (fd_ < 0) return {ReadStatus::HungUp, 0};
    const ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) return {ReadStatus::Data, static_cast<std::size_t>(n)};
    if (n == 0) return {ReadStatus::HungUp, 0};  // end of file on a tty: the line is gone
    const int e = errno;
    if (RetryLater(e)) return {ReadStatus::Nothing, 0};
    if (e == EIO || e == ENXIO || e == ENODEV || e == EBADF) return {ReadStatus::HungUp, 0};
    return {ReadStatus::Error, 0};
}

void PosixSerialBackend::Wake() {
    if (wakeWrite_ < 0) return;
    const char one = 1;
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    (void)!::write(wakeWrite_, &one, 1);
}

int PosixSerialBackend::Write(std::string_view bytes) {
    if (fd_ < 0) return EBADF;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const int e = n < 0 ? errno : EAGAIN;
        if (e == EINTR) continue;
        if (e != EAGAIN && e != EWOULDBLOCK) return e;
        pollfd p{fd_, POLLOUT, 0};
        const int ready = poll(&p, 1, static_cast<int>(kWriteStallLimit.count()));
        if (ready == 0) return ETIMEDOUT;
        if (ready < 0 && errno != EINTR) return errno;
    }
    return 0;
}

std::unique_ptr<SerialBackend> MakeSystemSerialBackend() {
    return std::make_unique<PosixSerialBackend>();
}

}  // namespace tagwright
