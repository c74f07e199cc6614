#pragma once
// The Reader's side of the command language, without any line: one command
// line in, one reply out, with the faults and the tag sequence applied.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "reader-sim/ReaderOptions.h"

namespace tagwright::sim {

struct Answer {
    std::string text;      // the reply without its line end
    bool silent = false;   // no reply at all
    bool changed = false;  // the transponder's memory or locks changed
};

// Where the tag sequence stands.
struct SequenceState {
    bool started = false;
    std::size_t index = 0;  // the tag on the antenna, or the one before the gap
    bool inGap = false;
    std::size_t commandsInPhase = 0;
    std::chrono::steady_clock::time_point phaseStart{};
};

class ReaderLogic {
public:
    // Answers one command line (without CR) that came in at now.
    Answer Respond(std::string_view line, Options& o, std::chrono::steady_clock::time_point now);
    // The reply's bytes on the line: the text shaped by o's bad-reply mode,
    // then the line end.
    static std::string Bytes(std::string_view command, const Answer& a, const Options& o);
    // Every tag of the sequence with its pages as they are now.
    std::vector<Transponder> Tags(const Options& o) const;
    void Restart() { seq_ = {}; }

private:
    void Advance(Options& o, std::chrono::steady_clock::time_point now);
    void Enter(Options& o, std::size_t index, bool gap, std::chrono::steady_clock::time_point now);

    SequenceState seq_;
};

}  // namespace tagwright::sim
