#pragma once
// The outbox of the station's SQLite journal (see JournalOutbox.h).

#include <memory>
#include <string>

#include "core/production/JournalOutbox.h"
#include "core/production/SqliteDb.h"

namespace tagwright {

// Inside the schema transaction: the columns and the index, in place.
int AddOutboxColumns(sqlite::Connection& db);

std::unique_ptr<JournalOutbox> MakeSqliteOutbox(sqlite::Connection& db, std::string host);

}  // namespace tagwright
