// The shared journal on a local PostgreSQL server, started here for the run:
// IDs reserved per second by 1, 2, 4 and 8 stations at once, each on its own
// connection, all drawing one set's counter as stations do, reservations
// tried per ID, and the journal cost of one cycle (reservation, retries
// included, plus confirmation): median and p99. Targets: 1.00 reservation
// per ID, p99 under 5 ms with 8 stations. For comparison, the same with
// each station reserving its own next ID, as stations of an earlier
// version did (an ID another station took is skipped).
//
// Usage: bench_journal_postgres [--quick] [CYCLES_PER_STATION]  (default 300;
// 20 with --quick)

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "QuickMode.h"
#include "Timing.h"
#include "core/production/JournalPostgres.h"
#include "support/PostgresServer.h"

using namespace tagwright;
using namespace tagwright::bench;

namespace {

const JournalContext kContext{"Bench", "WO-2026-0042", "PN-4711-A", "OP-0815"};

std::string CarrierId(long n) {
    char id[24];
    std::snprintf(id, sizeof id, "%010ld", n);
    return id;
}

CycleDetails Details(long n) {
    CycleDetails details;
    for (int p = 0; p < kJournalPages; ++p) {
        char page[32];
        std::snprintf(page, sizeof page, "%02lX %02X 30 31 32 33 34 35", n & 0xFF, p + 1);
        details.pages[static_cast<std::size_t>(p)] = page;
    }
    details.locked[0] = details.locked[1] = true;
    details.uid = "E004" + CarrierId(n);
    details.recordFile = "/data/Tagwright.xml";
    details.recordRow = n;
    return details;
}

struct Station {
    std::unique_ptr<Journal> journal;
    std::vector<double> cycle;  // ms per programmed ID
    long attempts = 0;
    bool failed = false;
};

// One station's run: its own counter from 1, following the IDs it gets.
void Run(Station& s, int cycles, bool counter) {
    long next = 1;
    for (int i = 0; i < cycles && !s.failed; ++i) {
        const Clock::time_point start = Clock::now();
        ReserveResult r;
        do {
            const CounterDraw draw{static_cast<std::uint64_t>(next), 9999999999, 10};
            r = counter ? s.journal->ReserveFromCounter(kContext, draw)
                        : s.journal->Reserve(kContext, CarrierId(next));
            ++s.attempts;
            next = r.carrierId.empty() ? next + 1 : std::atol(r.carrierId.c_str()) + 1;
        } while (r.status == JournalStatus::AlreadyUsed);
        const JournalResult c = r.status == JournalStatus::Ok
                                    ? s.journal->Confirm(r.cycle, Details(next - 1))
                                    : JournalResult{false, r.message.empty()
                                                               ? "the counter reached its limit"
                                                               : r.message};
        s.cycle.push_back(MsSince(start));
        if (!c.ok) {
            std::fprintf(stderr, "%s\n", c.message.c_str());
            s.failed = true;
        }
    }
}

bool Measure(test::PostgresServer& server, int stations, int cycles, bool counter) {
    const std::string schema = (counter ? "bench_counter_" : "bench_own_") +
                               std::to_string(stations);
    if (!server.Sql("CREATE SCHEMA " + schema)) {
        std::fprintf(stderr, "cannot create the schema %s\n", schema.c_str());
        return false;
    }
    const std::string connection =
        server.ConnectionString() + " options='-c search_path=" + schema + "'";
    std::vector<Station> all(static_cast<std::size_t>(stations));
    for (int n = 0; n < stations; ++n) {
        JournalOpenResult opened = OpenPostgresJournal(connection, "bench-" + std::to_string(n));
        if (!opened.journal) {
            std::fprintf(stderr, "%s\n", opened.error.c_str());
            return false;
        }
        all[static_cast<std::size_t>(n)].journal = std::move(opened.journal);
    }
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> threads;
    for (Station& s : all) threads.emplace_back([&s, cycles, counter] { Run(s, cycles, counter); });
    for (std::thread& t : threads) t.join();
    const double seconds = MsSince(start) / 1000.0;
    std::vector<double> cycle;
    long attempts = 0;
    for (const Station& s : all) {
        if (s.failed) return false;
        cycle.insert(cycle.end(), s.cycle.begin(), s.cycle.end());
        attempts += s.attempts;
    }
    std::printf("%s %d station(s): %7.0f IDs reserved/s; cycle median %.3f ms, p99 %.3f ms; "
                "%.2f reservations tried per ID\n",
                counter ? "counter: " : "own next:", stations, static_cast<double>(cycle.size()) / seconds, Percentile(cycle, 0.5),
                Percentile(cycle, 0.99), static_cast<double>(attempts) / cycle.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = TakeQuickFlag(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : quick ? 20 : 300;
    test::PostgresServer server;
    if (!server.Running()) {
        std::fprintf(stderr, "bench_journal_postgres: %s\n", server.Error().c_str());
        return 1;
    }
    std::printf("shared journal on a local PostgreSQL server (Unix socket, "
                "synchronous_commit=on), %d cycles per station\n", cycles);
    bool ok = true;
    for (bool counter : {true, false}) {
        for (int stations : {1, 2, 4, 8}) ok = ok && Measure(server, stations, cycles, counter);
    }
    std::printf("one 8 KiB append + fdatasync on this file system: median %.3f ms\n",
                SyncFloor(server.SocketDirectory().string(), 8192));
    if (!ok) std::fprintf(stderr, "bench_journal_postgres: the journal work failed\n");
    return ok ? 0 : 1;
}
