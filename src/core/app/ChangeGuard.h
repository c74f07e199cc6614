#pragma once
// The one gate every audited change passes: nothing about the station's
// setup or a tag is changed by hand without its row in the journal's audit
// table, written BEFORE the change is made.
//
// Use it at the change site in the core, after the change's own checks
// (a refused field, an operator's "No") and right before the change:
//
//   if (!ApproveChange(station, kAuditCounterMoved, "from 12 to 40")) return;
//   ... make the change ...
//
// ApproveChange fills the OS user, the current set's operator badge and the
// role (CurrentRole), opens the journal the programming cycle uses and
// writes the row. When no journal can be had, or the row cannot be written,
// the operator is told (the message names the journal) and false comes
// back: the change must not be made. A change that fails after its row was
// written keeps the row: the trail records what was attempted, and the
// failure itself is told to the operator as before.
//
// Whether the current role may make a change at all is decided before the
// call (a refused change writes no row). Events of the roles themselves
// (kAuditUnlock, kAuditUnlockFailed) go through the same call; their result
// says whether the row was written.
//
// Dialogs that run modally (Config) pass their own view, so that the
// message shows over them.

#include <string>
#include <string_view>

#include "core/base/Presentation.h"
#include "core/production/Journal.h"

namespace tagwright {

class Station;

// The role a change is made in: "none" on a station without roles.
inline constexpr char kRoleNone[] = "none";
std::string CurrentRole(const Station& station);

// Writes the entry's audit row (empty OS user, badge and role are filled
// from the station) and tells `tell` why not when it cannot be written.
bool ApproveChange(Station& station, MessageView& tell, AuditEntry entry);
// The same, told in the main window.
bool ApproveChange(Station& station, AuditEntry entry);
bool ApproveChange(Station& station, std::string_view kind, std::string change);
bool ApproveChange(Station& station, MessageView& tell, std::string_view kind,
                   std::string change);

}  // namespace tagwright
