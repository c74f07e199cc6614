#pragma once
// What the fuzz targets share: an invariant check that stops the run with a
// message (so libFuzzer keeps the input), and a scratch folder in memory.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace tagwright::fuzz {

[[noreturn]] inline void Violated(const char* what, const char* file, int line) {
    std::fprintf(stderr, "invariant violated at %s:%d: %s\n", file, line, what);
    std::abort();
}

// Unlike assert, never compiled out.
#define FUZZ_REQUIRE(cond) \
    ((cond) ? (void)0 : ::tagwright::fuzz::Violated(#cond, __FILE__, __LINE__))

// A folder of this process's own, emptied for every input, under
// TW_FUZZ_SCRATCH (fuzz/run points it at a memory file system and removes it
// afterwards) or under /dev/shm, so that the flushes cost nothing.
inline const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        const char* env = std::getenv("TW_FUZZ_SCRATCH");
        std::filesystem::path base = env != nullptr && *env != '\0' ? env : "/dev/shm";
        if (!std::filesystem::is_directory(base)) base = std::filesystem::temp_directory_path();
        std::filesystem::path d = base / ("tw-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline void EmptyScratchDir() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchDir(), ec)) {
        std::filesystem::remove_all(entry.path(), ec);
    }
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tagwright::fuzz
