#pragma once
// The production journal shared by several stations: a table on a
// PostgreSQL server, reached with libpq.
//
// The same rows as the SQLite journal of one station. A reservation is one
// INSERT ... ON CONFLICT DO NOTHING against a partial UNIQUE index, so of
// two stations taking one ID the server lets exactly one have it; every
// call is its own autocommitted statement, durable when it returns (the
// server's synchronous_commit=on).
//
// The table is created on first open, under an advisory lock so that two
// stations starting at once do not race. A table named "cycles" that is not
// one of ours is never written to. A lost server gives an error that names
// the server and database; the station drops the journal and opens it again
// at the next cycle.

#include <string>

#include "core/production/Journal.h"

namespace tagwright {

// Connects with a libpq connection string (or "service=NAME"). host is what
// the rows name as this station ("" = the machine's host name). A string that
// holds a password is refused.
JournalOpenResult OpenPostgresJournal(const std::string& conninfo, std::string host = {});

}  // namespace tagwright
