// The station's own cost of one programming cycle: 17 pages written, pages 1
// and 2 locked, against the virtual Reader answering at once, with the write
// checks off and on. Beside it the time the same traffic takes on the line
// at 9600 baud (8N1: ten bits a byte), which is what a real Reader costs.
//
//   bench_cycle_cost [--quick] [cycles, default 200; 5 with --quick]
//
// The station's own time is the CPU time of the window thread and of the
// receiver thread per cycle; the wall time per cycle is an upper bound that
// also holds the virtual Reader's work and the pseudo-terminal.
// Target: the station's own time under 5 % of the wire time.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "QuickMode.h"
#include "ThreadStats.h"
#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/app/WindowCommands.h"
#include "core/config/SetStore.h"
#include "reader-sim/VirtualReader.h"

namespace {

using namespace tagwright;

class QuietView final : public MainView {
public:
    MsgAnswer ShowMessage(const MessageRequest& request) override {
        ++messages;
        last = request.text;
        return MsgAnswer::Ok;
    }
    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void RedrawControl(MainControl) override {}
    void SetFocus(MainControl, bool) override {}
    int messages = 0;
    std::string last;
};

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// User plus system time of the receiver thread.
double ReceiverCpuSeconds() {
    return std::max(0.0, bench::TaskCpuSeconds(bench::FindTask(SerialPort::kReceiverThreadName)));
}

// Bytes on the line for the commands the Reader logged, replies included.
std::size_t WireBytes(const std::vector<std::string>& commands, int torValue) {
    std::size_t bytes = 0;
    for (const std::string& c : commands) {
        bytes += c.size() + 1;  // CR
        if (c == "TOR") bytes += std::to_string(torValue).size() + 1;
        else if (c.starts_with("RD ")) bytes += 17;
        else if (c == "RUID") bytes += 9;
        else bytes += 4;  // "ACK" or "NAK"
    }
    return bytes;
}

struct Result {
    double wallMs = 0, cpuMs = 0, wireMs = 0;
    std::size_t commands = 0;
    int failed = 0;
};

void UseSet(Station& station, bool verify) {
    ParameterSet set;
    for (std::size_t k = 0; k < kImageBytes; ++k) set.hex[k] = k < 16 ? "46" : "2D";
    DeriveAsciiTexts(set);
    set.useDecimalCounter = true;
    set.carrierIdOffset = "0";
    set.carrierIdLength = "8";
    set.typeTI = true;
    set.writePages3to17 = true;
    set.lockPage[0] = set.lockPage[1] = true;
    set.verifyAfterWrite = verify;
    set.retries = 2;
    // Each cycle saves the counter in the set's file, as at a station.
    station.setDirectory = std::filesystem::current_path();
    station.settings.currentSetName = "Bench";
    if (!WriteSetCarrierId(station.setDirectory, "Bench", "1")) {
        std::fprintf(stderr, "bench_cycle_cost: cannot write the set file\n");
    }
    station.currentSet = set;
    station.settings.selectConfig = 1;
    ApplyMode(station);
    station.settings.carrierIdMax = "99999999";
    station.carrierId.current = station.carrierId.nextText = "1";
}

Result Measure(Station& station, QuietView& view, sim::VirtualReader& reader, bool verify,
               int cycles) {
    UseSet(station, verify);
    Result r;
    double wall = 0, cpu = 0;
    const double receiverBefore = ReceiverCpuSeconds();
    for (int i = 0; i < cycles; ++i) {
        reader.SetTransponder(sim::Transponder{});  // unlocked again
        reader.ClearLog();
        const int messagesBefore = view.messages;
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = ThreadCpuSeconds();
        OneCommand(station);
        OnTimer(station, TimerId::Cycle);
        cpu += ThreadCpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const bool programmed = station.run.lastCycle.result == CycleResult::Programmed;
        if (!programmed || view.messages != messagesBefore) ++r.failed;
        const std::vector<std::string> log = reader.CommandLog();
        r.commands = log.size();
        r.wireMs = static_cast<double>(WireBytes(log, 10)) * 10.0 / 9600.0 * 1000.0;
    }
    cpu += ReceiverCpuSeconds() - receiverBefore;
    r.wallMs = wall / cycles * 1000.0;
    r.cpuMs = cpu / cycles * 1000.0;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = bench::TakeQuickFlag(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : quick ? 5 : 200;
    // The protocol log goes to the working directory: a scratch one.
    char scratch[] = "/tmp/tagwright-bench-XXXXXX";
    if (mkdtemp(scratch) == nullptr) return 1;
    std::filesystem::current_path(scratch);

    sim::VirtualReader reader;
    std::string error;
    if (!reader.Start(&error)) {
        std::fprintf(stderr, "virtual Reader: %s\n", error.c_str());
        return 1;
    }
    QuietView view;
    SystemClock clock;
    Station station(view, clock);
    if (!station.reader.port.OpenPort({reader.SlavePath(), 115200, 8, 0, 0, 0}).opened) {
        std::fprintf(stderr, "bench_cycle_cost: cannot open %s\n", reader.SlavePath().c_str());
        return 1;
    }

    int failed = 0;
    for (const bool verify : {false, true}) {
        const Result r = Measure(station, view, reader, verify, cycles);
        failed += r.failed;
        std::printf("verify %-3s: %zu commands, wire %.0f ms at 9600 baud; station CPU %.3f ms "
                    "(%.2f %% of wire), wall %.3f ms per cycle (%d failed of %d)\n",
                    verify ? "on" : "off", r.commands, r.wireMs, r.cpuMs,
                    100.0 * r.cpuMs / r.wireMs, r.wallMs, r.failed, cycles);
    }
    if (failed != 0) {
        std::fprintf(stderr, "bench_cycle_cost: %d cycles failed; last message: %s\n", failed,
                     view.last.c_str());
    }
    station.reader.port.ClosePort();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(scratch);
    return failed == 0 ? 0 : 1;
}
