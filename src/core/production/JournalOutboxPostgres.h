#pragma once
// The outbox of the journal shared on a PostgreSQL server (see
// JournalOutbox.h): each station sends its own rows.

#include <memory>
#include <string>

#include "core/production/JournalOutbox.h"
#include "core/production/PgConnection.h"

namespace tagwright {

// Under the schema lock: the columns and the index, in place. "" when done,
// else why not.
std::string AddOutboxColumns(pg::Connection& db);

// host: this station, as its rows name it (8-bit).
std::unique_ptr<JournalOutbox> MakePostgresOutbox(pg::Connection& db, std::string host);

}  // namespace tagwright
