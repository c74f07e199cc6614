#pragma once
// The station's line events on the MQTT broker the settings' [MQTT] section
// names: the journal's rows as events, the run's state, the station online.
// Without the section nothing here does anything. Both front ends start it
// (StartLineEvents), tick it with the message tick, and stop it at the end.
// Window thread only; the broker's own thread is behind EventPump.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "core/production/Broker.h"
#include "core/production/EventPump.h"

namespace tagwright {

class Station;

struct LineEventsState {
    std::unique_ptr<EventPump> pump;  // nothing without [MQTT] Host
    std::string stateKey;             // the state last handed to the pump
    std::uint64_t seenCycle = 0;      // the last cycle the pump heard of
    std::chrono::steady_clock::time_point journalTried{};
};

// From the settings: starts connecting in the background (through broker,
// or libmosquitto when none is given). Settings that cannot be used are
// told; the events then wait in the journal.
void StartLineEvents(Station& station, std::unique_ptr<Broker> broker = nullptr);
// Events out, acknowledgements in; the state when it changed. Also opens
// the journal, so that events left by an earlier run go out before a cycle.
void LineEventsTick(Station& station);
// The run's state as the state topic says it ("idle", "waiting",
// "programming", "stopped"), sent when it changed.
void ShowRunState(Station& station);
// Ticks until no event waits, the broker is lost, or wait is over; then
// says "offline" and leaves.
void StopLineEvents(Station& station, std::chrono::milliseconds wait);
// For the status line and the station's output: "" without MQTT.
std::string LineEventsText(const Station& station);
// Events waiting in the journal; -1 while not known (or without MQTT).
std::int64_t PendingEvents(const Station& station);

}  // namespace tagwright
