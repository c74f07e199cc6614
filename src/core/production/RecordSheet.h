#pragma once
// The text of the record file: an 8-bit XML spreadsheet with CR LF line
// ends. Its head, the parameter block, the transponder row and the foot, and
// the few facts about that text that an append relies on.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Clock.h"
#include "core/config/ParameterSet.h"
#include "core/domain/TransponderImage.h"

namespace tagwright {

// What one record is made of.
struct RecordInput {
    std::string_view setName;
    const ParameterSet& set;
    const TransponderImage& image;  // selected, fieldText and hexText per page
    std::string_view uid;           // the UID field
    LocalTime time;                 // the moment of the record
};

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

// Every row is these lines: the opening line, cell lines, the closing line.
inline constexpr std::string_view kRecordRowOpen = "   <Row>\r\n";
inline constexpr std::string_view kRecordRowClose = "   </Row>\r\n";
// The foot begins with the line that closes the table.
inline constexpr std::string_view kRecordTableEnd = "</Table>";

// One whole cell line of ours.
bool IsRecordCellLine(std::string_view line);

// The digits of the row count, [begin, end) in the file.
struct RowCountField {
    std::size_t begin = 0;
    std::size_t end = 0;
};
// The count is looked for only where the head has it.
inline constexpr std::size_t kRowCountWindow = 2000;
// Where the head's count digits stand; nothing without a count.
std::optional<RowCountField> FindRowCountField(std::string_view head);
// The count's value; 0 when missing.
std::int64_t RowCountIn(std::string_view head);
// Where the rows begin when the text starts with exactly our head.
std::optional<std::size_t> RowsStartOfOurHead(std::string_view head);

}  // namespace tagwright
