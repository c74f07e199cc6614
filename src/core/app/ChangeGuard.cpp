#include "core/app/ChangeGuard.h"

#include <utility>

#include "core/app/CycleJournal.h"
#include "core/app/Station.h"
#include "core/production/JournalAudit.h"

namespace tagwright {

namespace {

void Refuse(MessageView& tell, const std::string& why) {
    MessageRequest request;
    request.text = why +
                   "\r\nThe change is not made: nothing is changed at the station without its "
                   "row in the production journal's audit trail.";
    tell.ShowMessage(request);
}

}  // namespace

std::string CurrentRole(const Station& station) { return RoleName(station); }

bool ApproveChange(Station& station, MessageView& tell, AuditEntry entry) {
    if (entry.osUser.empty()) entry.osUser = AuditOsUser();
    if (entry.operatorBadge.empty()) entry.operatorBadge = station.currentSet.operatorBadgeId;
    if (entry.role.empty()) entry.role = CurrentRole(station);
    Journal* journal = StationJournal(station);
    if (journal == nullptr) {
        Refuse(tell, station.journal.error);
        return false;
    }
    const JournalResult recorded = journal->RecordAudit(entry);
    if (recorded.ok) return true;
    // Dropped, so that the next change or cycle opens it again (and sets a
    // damaged one aside).
    station.journal.journal.reset();
    Refuse(tell, recorded.message);
    return false;
}

bool ApproveChange(Station& station, AuditEntry entry) {
    return ApproveChange(station, station.View(), std::move(entry));
}

bool ApproveChange(Station& station, MessageView& tell, std::string_view kind,
                   std::string change) {
    AuditEntry entry;
    entry.kind = kind;
    entry.change = std::move(change);
    return ApproveChange(station, tell, std::move(entry));
}

bool ApproveChange(Station& station, std::string_view kind, std::string change) {
    return ApproveChange(station, station.View(), kind, std::move(change));
}

}  // namespace tagwright
