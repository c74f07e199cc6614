#pragma once
// The record file: one spreadsheet row per programmed transponder, preceded
// by a block of rows describing the parameter set whenever the set changed.
// The file is 8-bit text in the XML Spreadsheet 2003 format with CR LF line
// ends; it grows by rewriting its last lines only, so an append costs the
// same in a file of 100 rows as in one of 65,000.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/Clock.h"
#include "core/config/ParameterSet.h"
#include "core/domain/TransponderImage.h"

namespace tagwright {


// A worksheet holds at most this many rows; a file is closed for good at it,
// or earlier when a parameter block (at most 21 rows with its transponder)
// would not fit any more.
inline constexpr std::int64_t kRecordMaxRows = 65536;
inline constexpr std::int64_t kRecordMaxRowsBeforeBlock = 65513;

// The file used when the set names none, in the station's set directory.
inline constexpr std::string_view kFallbackRecordFileName = "Tagwright.xml";

// What one record is made of.
struct RecordInput {
    std::string_view setName;
    const ParameterSet& set;
    const TransponderImage& image;  // selected, fieldText and hexText per page
    std::string_view uid;           // the UID field
    LocalTime time;                 // the moment of the record
};

// Where the record goes; AppendRecord may change both members (default
// path, next file, block written).
struct RecordTarget {
    std::string logFileName;
    std::filesystem::path setDirectory;
    bool headerBlockPending = true;
};

// Appends the parameter block (when pending) and the transponder row. False
// when the record file cannot be opened or written, or when the file at the
// path is not a record file that can be appended to.
bool AppendRecord(RecordTarget& target, const RecordInput& input);

// The row count of the head (the digits of ss:ExpandedRowCount); 0 when the
// file or the count is missing.
std::int64_t ReadRowCount(const std::filesystem::path& path);
// Sets the row count to old + added: in place when the digits keep their
// number, otherwise by writing a copy under TimestampedName and renaming it
// over the file. True also for a file without a count (nothing to change).
bool UpdateRowCount(const std::filesystem::path& path, std::int64_t old, std::int64_t added,
                    const LocalTime& now);
// The file to go on with when this one is full: rec_1.xml gives rec_2.xml,
// rec.xml gives rec_1.xml. Only the file name is looked at.
std::string NextRecordFileName(const std::string& path);
// The name of the copy while the file is rewritten: rec.xml at 2026-12-05
// 04:55:56 gives rec_261205045556.xml.
std::string TimestampedName(const std::string& path, const LocalTime& now);

// The pieces of the file, exposed for tests and the benchmark.
// A cell text: the five predefined entities, CR and LF as character
// references, other control characters (not allowed in XML) as "?".
std::string EscapeCellText(std::string_view text);
// Lines 1 to 92: head and column definitions with the given row count.
std::string RecordFileHead(std::int64_t rowCount);
// The last three lines of the file.
std::string_view RecordFileFoot();
// The parameter block's rows; 20, or 19 without a data source row.
std::string ParameterBlockRows(std::string_view setName, const ParameterSet& set);
int ParameterBlockRowCount(const ParameterSet& set);
// One row of 56 cells for the transponder.
std::string TransponderRow(const RecordInput& input);

}  // namespace tagwright
