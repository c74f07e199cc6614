#pragma once
// Which production journal a station uses, and the one place that opens it.

#include <filesystem>
#include <string>

#include "core/production/Journal.h"

namespace tagwright {

struct JournalChoice {
    // A libpq connection string or "service=NAME" for a journal shared on a
    // PostgreSQL server; "" for the station's own SQLite journal beside the
    // record file.
    std::string connection;

    bool Shared() const { return !connection.empty(); }
    bool operator==(const JournalChoice&) const = default;
};

// Opens the chosen journal; directory is the record file's, used by the
// SQLite journal only.
JournalOpenResult OpenJournal(const JournalChoice& choice, const std::filesystem::path& directory);

}  // namespace tagwright
