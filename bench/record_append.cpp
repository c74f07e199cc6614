// Times one record appended to files of 100, 10,000 and 65,000 rows. An
// append writes only the file's tail, so its time must not grow with the
// file: the ratio of the largest to the smallest should stay under 2.
//
// Usage: bench_record_append [--quick]  (--quick: 100 and 2,000 rows, 5 appends)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "QuickMode.h"
#include "core/production/RecordFile.h"

using namespace tagwright;
namespace fs = std::filesystem;

namespace {

// 25 appends keep every count within its number of digits.
struct Plan {
    std::vector<int> rows{100, 10000, 65000};
    int appends = 25;
};

// A file of `rows` rows (a block and transponder rows), flushed to disk so
// that the timed appends do not pay for writing it.
bool BuildFile(const fs::path& path, int rows, const RecordInput& input) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const std::string block = ParameterBlockRows(input.setName, input.set);
    const std::string row = TransponderRow(input);
    const int blockRows = ParameterBlockRowCount(input.set);
    std::string chunk = RecordFileHead(rows) + block;
    for (int i = blockRows; i < rows; ++i) {
        chunk += row;
        if (chunk.size() > (1 << 22)) {
            std::fwrite(chunk.data(), 1, chunk.size(), f);
            chunk.clear();
        }
    }
    chunk += RecordFileFoot();
    const bool ok = std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size() &&
                    std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
    return std::fclose(f) == 0 && ok;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Appends to a file of `rows` rows; false, with a message, when an append
// fails or the file is wrong afterwards. Prints the timings.
bool Measure(const fs::path& dir, int rows, int appends, const RecordInput& input,
             std::vector<double>& medians) {
    const fs::path path = dir / ("rec_" + std::to_string(rows) + ".xml");
    if (!BuildFile(path, rows, input)) {
        std::fprintf(stderr, "cannot build %s\n", path.c_str());
        return false;
    }
    RecordTarget target{path.string(), dir, false};
    std::vector<double> micros;
    int failed = 0;
    for (int i = 0; i < appends; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = AppendRecord(target, input);
        const auto stop = std::chrono::steady_clock::now();
        if (!ok) ++failed;
        micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    }
    bool good = failed == 0;
    if (!good) std::fprintf(stderr, "%d appends to %d rows failed\n", failed, rows);
    if (ReadRowCount(path) != rows + appends || target.logFileName != path.string()) {
        std::fprintf(stderr, "wrong count or file after appending to %d rows\n", rows);
        good = false;
    }
    medians.push_back(Median(micros));
    std::printf("%6d rows (%6.1f MB): append median %8.1f us, min %8.1f us, max %8.1f us\n",
                rows, static_cast<double>(fs::file_size(path)) / 1e6, medians.back(),
                *std::min_element(micros.begin(), micros.end()),
                *std::max_element(micros.begin(), micros.end()));
    fs::remove(path);
    return good;
}

}  // namespace

int main(int argc, char** argv) {
    Plan plan;
    if (bench::TakeQuickFlag(argc, argv)) plan = Plan{{100, 2000}, 5};
    std::string pattern = (fs::temp_directory_path() / "record-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path dir = pattern;

    ParameterSet set;
    set.operatorBadgeId = "OP-0815";
    set.partNumber = "PN 4711-02";
    set.workOrderNumber = "WO 2026/117";
    set.quantity = "65000";
    set.useDecimalCounter = true;
    set.typeNorvik = true;
    TransponderImage image;
    for (int p = 0; p < kPageCount; ++p) {
        image.selected[p] = 1;
        image.fieldText[p] = image.hexText[p] = "30 31 32 33 34 35 36 37";
        set.lockPage[p] = p < 2;
    }
    const RecordInput input{"Bench", set, image, "1A2B3C4D", LocalTime{2026, 12, 5, 4, 45, 57}};

    bool ok = true;
    std::vector<double> medians;
    for (int rows : plan.rows) ok = ok && Measure(dir, rows, plan.appends, input, medians);
    if (ok) {
        const double ratio = medians.back() / medians.front();
        std::printf("ratio %d / %d rows: %.2f (target under 2: %s)\n", plan.rows.back(),
                    plan.rows.front(), ratio, ratio < 2 ? "met" : "missed");
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok ? 0 : 1;
}
