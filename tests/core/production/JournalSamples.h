#pragma once
// What the journal tests write: one context, a programmed cycle's details
// and a failure's.

#include <string>

#include "core/production/Journal.h"

namespace tagwright::test {

inline const JournalContext kLine1{"Line 1", "WO-17", "PN-4711", "OP-\xE4"};

inline CycleDetails Programmed(std::string uid) {
    CycleDetails d;
    d.uid = std::move(uid);
    d.pages[0] = "30 30 30 30 30 30 30 34";
    d.pages[1] = "32 00 00 00 00 00 00 00";
    d.locked[0] = d.locked[1] = d.locked[16] = true;
    d.recordFile = "/data/rec \xE4.xml";
    d.recordRow = 113;
    d.retries = 2;
    return d;
}

inline CycleDetails Failed(std::string step, std::string reply) {
    CycleDetails d;
    d.failedStep = std::move(step);
    d.readerReply = std::move(reply);
    return d;
}

}  // namespace tagwright::test
