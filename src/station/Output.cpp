#include "station/Output.h"

#include <unistd.h>

#include <vector>

#include <nlohmann/json.hpp>

#include "station/ConsoleView.h"
#include "station/ExitCodes.h"

namespace tagwright::station {

using nlohmann::json;

std::string TagLine(const CycleReport& outcome, bool json) {
    const std::string id = Cp1252ToUtf8(outcome.carrierId);
    const std::string uid = Cp1252ToUtf8(outcome.uid);
    if (json) {
        return nlohmann::json{{"carrier_id", id},
                              {"uid", uid},
                              {"outcome", OutcomeName(outcome.result)},
                              {"retries", outcome.retries},
                              {"ms", outcome.elapsedMs}}
            .dump();
    }
    return (id.empty() ? "-" : id) + " " + (uid.empty() ? "-" : uid) + " " +
           OutcomeName(outcome.result) + " retries=" + std::to_string(outcome.retries) + " " +
           std::to_string(outcome.elapsedMs) + " ms";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

namespace {

// The columns of both exports, in one order.
json RowObject(const JournalRow& r) {
    json pages = json::array();
    for (const std::string& p : r.pages) pages.push_back(Cp1252ToUtf8(p));
    return json{{"cycle", r.cycle},
                {"time_utc", r.timeUtc},
                {"time_local", r.timeLocal},
                {"host", Cp1252ToUtf8(r.host)},
                {"set", Cp1252ToUtf8(r.setName)},
                {"work_order", Cp1252ToUtf8(r.workOrder)},
                {"part_number", Cp1252ToUtf8(r.partNumber)},
                {"operator_badge", Cp1252ToUtf8(r.operatorBadge)},
                {"carrier_id", Cp1252ToUtf8(r.carrierId)},
                {"outcome", r.outcome},
                {"failed_step", Cp1252ToUtf8(r.failedStep)},
                {"reader_reply", Cp1252ToUtf8(r.readerReply)},
                {"uid", Cp1252ToUtf8(r.uid)},
                {"pages", pages},
                {"locks", r.locks},
                {"record_file", Cp1252ToUtf8(r.recordFile)},
                {"record_row", r.recordRow},
                {"retries", r.retries},
                {"origin", r.origin}};
}

constexpr const char* kTextColumns[] = {
    "time_utc", "time_local", "host", "set", "work_order", "part_number", "operator_badge",
    "carrier_id", "outcome", "failed_step", "reader_reply", "uid"};

}  // namespace

std::string JournalCsvHeader() {
    std::string line = "cycle";
    for (const char* c : kTextColumns) line += std::string(",") + c;
    for (int p = 1; p <= kJournalPages; ++p) line += ",page_" + std::to_string(p);
    return line + ",locks,record_file,record_row,retries,origin";
}

std::string JournalCsvLine(const JournalRow& row) {
    const json o = RowObject(row);
    std::string line = std::to_string(row.cycle);
    for (const char* c : kTextColumns) line += "," + CsvField(o[c].get<std::string>());
    for (const auto& p : o["pages"]) line += "," + CsvField(p.get<std::string>());
    return line + "," + CsvField(row.locks) + "," + CsvField(o["record_file"].get<std::string>()) +
           "," + std::to_string(row.recordRow) + "," + std::to_string(row.retries) + "," +
           CsvField(row.origin);
}

std::string JournalJsonLine(const JournalRow& row) { return RowObject(row).dump(); }

namespace {

// The audit table's columns, in the table's order, for both formats.
constexpr const char* kAuditColumns[] = {"id",   "time_utc", "time_local", "host",        "os_user",
                                         "operator_badge", "role", "kind", "what_changed"};

std::vector<std::string> AuditFields(const AuditEntry& r) {
    std::vector<std::string> fields{std::to_string(r.id), r.timeUtc, r.timeLocal};
    for (const std::string* text :
         {&r.host, &r.osUser, &r.operatorBadge, &r.role, &r.kind, &r.change}) {
        fields.push_back(Cp1252ToUtf8(*text));
    }
    return fields;
}

}  // namespace

std::string AuditCsvHeader() {
    std::string line;
    for (const char* c : kAuditColumns) line += (line.empty() ? "" : ",") + std::string(c);
    return line;
}

std::string AuditCsvLine(const AuditEntry& row) {
    std::string line;
    for (const std::string& field : AuditFields(row)) {
        line += (line.empty() ? "" : ",") + CsvField(field);
    }
    return line;
}

std::string AuditTextLine(const AuditEntry& row) {
    const std::vector<std::string> f = AuditFields(row);
    // local time, host, OS user, role, badge, then what happened
    std::string line = f[2] + "  " + f[3] + "  " + f[4] + "  " + f[6];
    if (!f[5].empty()) line += "  " + f[5];
    return line + "  " + f[7] + ": " + f[8];
}

std::string AuditJsonLine(const AuditEntry& row) {
    const std::vector<std::string> fields = AuditFields(row);
    json o{{"id", row.id}};
    for (std::size_t i = 1; i < fields.size(); ++i) o[kAuditColumns[i]] = fields[i];
    return o.dump();
}

Printer::Printer(std::FILE* out) : out_(out), terminal_(::isatty(::fileno(out)) == 1) {}

void Printer::Line(const std::string& text) {
    if (statusShown_) std::fputs("\r\033[K", out_);
    statusShown_ = false;
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void Printer::Status(const std::string& text) {
    if (!terminal_ || (statusShown_ && text == status_)) return;
    status_ = text;
    std::fputs(("\r\033[K" + text).c_str(), out_);
    std::fflush(out_);
    statusShown_ = true;
}

void Printer::Done() {
    if (statusShown_) std::fputs("\r\033[K", out_);
    statusShown_ = false;
    std::fflush(out_);
}

}  // namespace tagwright::station
