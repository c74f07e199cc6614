#include "core/production/JournalOpen.h"

#include "core/production/JournalPostgres.h"
#include "core/production/JournalSqlite.h"

namespace tagwright {

JournalOpenResult OpenJournal(const JournalChoice& choice, const std::filesystem::path& directory) {
    if (choice.Shared()) return OpenPostgresJournal(choice.connection);
    return OpenSqliteJournal(directory);
}

}  // namespace tagwright
