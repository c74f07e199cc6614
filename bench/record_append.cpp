// Times one record appended to files of 100, 10,000 and 65,000 rows. An
// append writes only the file's tail, so its time must not grow with the
// file: the ratio of the largest to the smallest should stay under 2.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "core/production/RecordFile.h"

using namespace tagwright;
namespace fs = std::filesystem;

namespace {

constexpr int kAppends = 25;  // keeps every count within its number of digits

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

}  // namespace

int main() {
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

    int status = 0;
    std::vector<std::pair<int, double>> medians;
    for (int rows : {100, 10000, 65000}) {
        const fs::path path = dir / ("rec_" + std::to_string(rows) + ".xml");
        if (!BuildFile(path, rows, input)) {
            std::fprintf(stderr, "cannot build %s\n", path.c_str());
            status = 1;
            break;
        }
        RecordTarget target{path.string(), dir, false};
        std::vector<double> micros;
        for (int i = 0; i < kAppends; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const bool ok = AppendRecord(target, input);
            const auto stop = std::chrono::steady_clock::now();
            if (!ok) status = 1;
            micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
        }
        if (ReadRowCount(path) != rows + kAppends || target.logFileName != path.string()) {
            std::fprintf(stderr, "wrong count or file after appending to %d rows\n", rows);
            status = 1;
        }
        const double median = Median(micros);
        medians.emplace_back(rows, median);
        std::printf("%6d rows (%6.1f MB): append median %8.1f us, min %8.1f us, max %8.1f us\n",
                    rows, static_cast<double>(fs::file_size(path)) / 1e6, median,
                    *std::min_element(micros.begin(), micros.end()),
                    *std::max_element(micros.begin(), micros.end()));
        fs::remove(path);
    }
    if (medians.size() == 3) {
        const double ratio = medians[2].second / medians[0].second;
        std::printf("ratio 65000 / 100 rows: %.2f (target under 2: %s)\n", ratio,
                    ratio < 2 ? "met" : "missed");
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return status;
}
