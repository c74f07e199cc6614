#pragma once
// The production journal of one station: an SQLite database beside the
// record file, created on first use.
//
// Durability: WAL mode with synchronous=FULL, so that every reservation and
// confirmation is on disk (the WAL synced) before the call returns; NORMAL
// would survive a killed process but could lose the last commits to a power
// cut, and a lost reservation could hand out its ID again.
//
// A file that is damaged, or is not a journal of ours, is never written to:
// it is renamed to "<name>.damaged-<UTC time>.sqlite" (with its WAL) and a new
// journal is started under the usual name; the open result's notice says so.

#include <filesystem>
#include <string_view>

#include "core/production/Journal.h"

namespace tagwright {

inline constexpr std::string_view kJournalFileName = "Tagwright-journal.sqlite";

// directory / kJournalFileName.
std::filesystem::path JournalPath(const std::filesystem::path& directory);

// Opens the journal in directory (the record file's directory), creating the
// database when it does not exist. The directory itself is not created.
JournalOpenResult OpenSqliteJournal(const std::filesystem::path& directory);

}  // namespace tagwright
