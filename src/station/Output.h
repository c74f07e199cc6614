#pragma once
// What tagwright-station writes to stdout: one line per transponder (plain
// or JSON), the progress line on a terminal, and the journal's rows as CSV
// or JSON. Every text is converted from the core's 8-bit texts to UTF-8.

#include <cstdio>
#include <string>

#include "core/app/Station.h"
#include "core/production/Journal.h"

namespace tagwright::station {

// The line for one cycle, without its line end.
std::string TagLine(const CycleReport& outcome, bool json);

// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);
std::string JournalCsvHeader();
std::string JournalCsvLine(const JournalRow& row);
std::string JournalJsonLine(const JournalRow& row);
std::string AuditCsvHeader();
std::string AuditCsvLine(const AuditEntry& row);
std::string AuditJsonLine(const AuditEntry& row);
// One line for a reader: local time, host, OS user, role, badge, kind: change.
std::string AuditTextLine(const AuditEntry& row);

// Lines on stdout; on a terminal a status line below them that rewrites
// itself, so that a waiting station shows that it waits.
class Printer {
public:
    explicit Printer(std::FILE* out);
    void Line(const std::string& text);
    void Status(const std::string& text);
    // Clears the status line before the program ends.
    void Done();

private:
    std::FILE* out_;
    bool terminal_;
    bool statusShown_ = false;
    std::string status_;  // what the status line shows
};

}  // namespace tagwright::station
