#pragma once
// The manual group's Reader operations and the carrier ID operations. Each
// runs to its end on the window thread, holding readBusy or writeBusy so that
// the receiver leaves the traffic text alone, between one take and one show
// of the field values. ReadUidStep, WritePagesStep and LockPagesStep are the
// same work without either, for the programming cycle, which reads their
// outcome from FailureCount (0 = every step succeeded).

#include <string>
#include <string_view>

namespace tagwright {

class Station;
struct CycleDetails;

void ReadPages(Station& station);
void WritePages(Station& station);
void LockPages(Station& station);
void RestoreDefaultContent(Station& station);
void ReadUid(Station& station);

// With details, the pages sent (HEX digits), the pages locked and the
// Reader's reply to a failed step are noted there for the journal.
void WritePagesStep(Station& station, CycleDetails* details = nullptr);
void LockPagesStep(Station& station, CycleDetails* details = nullptr);
void ReadUidStep(Station& station);

void ReadCarrierId(Station& station);
void WriteCarrierId(Station& station);
// When the Carrier ID field loses the focus.
void CheckCarrierIdLength(Station& station);

}  // namespace tagwright
