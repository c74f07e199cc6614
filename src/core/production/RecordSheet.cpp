#include "core/production/RecordSheet.h"

#include <array>
#include <cstdio>

#include "core/base/CText.h"

namespace tagwright {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Lines 1 to 35, leading blanks included.
constexpr std::array<std::string_view, 35> kHeadLines = {
    R"(<?xml version="1.0"?>)",
    R"(<?mso-application progid="Excel.Sheet"?>)",
    R"(<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet")",
    R"( xmlns:o="urn:schemas-microsoft-com:office:office")",
    R"( xmlns:x="urn:schemas-microsoft-com:office:excel")",
    R"( xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet")",
    R"( xmlns:html="http://www.w3.org/TR/REC-html40">)",
    R"( <DocumentProperties xmlns="urn:schemas-microsoft-com:office:office">)",
    R"(  <Version>11.6360</Version>)",
    R"( </DocumentProperties>)",
    R"( <ExcelWorkbook xmlns="urn:schemas-microsoft-com:office:excel">)",
    R"(  <WindowHeight>10005</WindowHeight>)",
    R"(  <WindowWidth>10005</WindowWidth>)",
    R"(  <WindowTopX>120</WindowTopX>)",
    R"(  <WindowTopY>135</WindowTopY>)",
    R"(  <ProtectStructure>False</ProtectStructure>)",
    R"(  <ProtectWindows>False</ProtectWindows>)",
    R"( </ExcelWorkbook>)",
    R"( <Styles>)",
    R"(  <Style ss:ID="Default" ss:Name="Normal">)",
    R"(   <Alignment ss:Vertical="Bottom"/>)",
    R"(   <Borders/>)",
    R"(   <Font/>)",
    R"(   <Interior/>)",
    R"(   <NumberFormat/>)",
    R"(   <Protection/>)",
    R"(  </Style>)",
    R"(  <Style ss:ID="s21">)",
    R"(   <NumberFormat ss:Format="@"/>)",
    R"(  </Style>)",
    R"(  <Style ss:ID="s22">)",
    R"(   <NumberFormat ss:Format="0"/>)",
    R"(  </Style>)",
    R"( </Styles>)",
    R"( <Worksheet ss:Name="Tabelle1">)",
};
constexpr std::string_view kCountLineStart =
    R"(  <Table ss:ExpandedColumnCount="56" ss:ExpandedRowCount=")";
constexpr std::string_view kCountLineEnd = R"(" x:FullColumns="1")";
constexpr std::string_view kLine37 =
    R"(   x:FullRows="1" ss:StyleID="s21" ss:DefaultColumnWidth="60">)";
constexpr std::string_view kCountKey = R"(ss:ExpandedRowCount=")";

constexpr std::string_view kFoot = "  </Table>\r\n </Worksheet>\r\n</Workbook>\r\n";
constexpr std::string_view kRowOpen = kRecordRowOpen;
constexpr std::string_view kRowClose = kRecordRowClose;
constexpr std::string_view kCellStart = "    <Cell";

const std::string& HeadBeforeCount() {
    static const std::string text = [] {
        std::string s;
        for (std::string_view line : kHeadLines) {
            s += line;
            s += kCrLf;
        }
        s += kCountLineStart;
        return s;
    }();
    return text;
}

const std::string& HeadAfterCount() {
    static const std::string text = [] {
        std::string s;
        s += kCountLineEnd;
        s += kCrLf;
        s += kLine37;
        s += kCrLf;
        auto column = [&s](std::string_view width) {
            s += R"(   <Column ss:StyleID="s22" ss:Width=")";
            s += width;
            s += "\"/>\r\n";
        };
        for (std::string_view w : {"95.0", "45.0", "5.0", "65.0", "5.0"}) column(w);
        for (int page = 1; page <= 16; ++page) {
            column("120.0");
            column("30.0");
            column("5.0");
        }
        column("120.0");
        column("30.0");
        return s;
    }();
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// --- cells and rows ---

void LabelCell(std::string& out, int column, std::string_view label) {
    out += R"(    <Cell ss:Index=")";
    out += FormatInt(column);
    out += R"("><Data ss:Type="String">)";
    out += label;
    out += "</Data></Cell>\r\n";
}

void ValueCell(std::string& out, std::string_view value) {
    out += R"(    <Cell ss:Index="2"><Data ss:Type="String">)";
    out += EscapeCellText(value);
    out += "</Data></Cell>\r\n";
}

void PlainCell(std::string& out, std::string_view value) {
    out += R"(    <Cell><Data ss:Type="String">)";
    out += EscapeCellText(value);
    out += "</Data></Cell>\r\n";
}

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

int YearOfCentury(int year) { return ((year % 100) + 100) % 100; }

}  // namespace

// --- texts ---

std::string EscapeCellText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            // Kept as references so that every cell stays on one line.
            case '\r': out += "&#13;"; break;
            case '\n': out += "&#10;"; break;
            case '\t': out += c; break;
            default: {
                const auto b = static_cast<unsigned char>(c);
                if (b < 0x20) {
                    // XML has no way at all to carry the other control characters.
                    out += '?';
                } else if (b >= 0x80) {
                    // The file declares no encoding, so readers take it as UTF-8;
                    // a reference keeps an 8-bit byte readable, as the fields
                    // show it (one byte, one Latin-1 character).
                    out += "&#" + std::to_string(b) + ";";
                } else {
                    out += c;
                }
            }
        }
    }
    return out;
}

std::string RecordFileHead(std::int64_t rowCount) {
    std::string out = HeadBeforeCount();
    out += FormatInt(rowCount);
    out += HeadAfterCount();
    return out;
}

std::string_view RecordFileFoot() { return kFoot; }

int ParameterBlockRowCount(const ParameterSet& set) {
    return (set.useDecimalCounter || set.useCsvFile || set.useFixData) ? 20 : 19;
}

std::string ParameterBlockRows(std::string_view setName, const ParameterSet& set) {
    std::string out;
    auto emptyRow = [&out] {
        out += kRowOpen;
        out += kRowClose;
    };
    auto labelledRow = [&out](std::string_view label, std::string_view value) {
        out += kRowOpen;
        LabelCell(out, 1, label);
        ValueCell(out, value);
        out += kRowClose;
    };

    emptyRow();
    emptyRow();
    emptyRow();
    out += kRowOpen;
    out += "    <Cell><Data ss:Type=\"String\">Procedure:</Data></Cell>\r\n";
    ValueCell(out, setName);
    out += kRowClose;
    emptyRow();
    labelledRow("Operator badge ID#:", set.operatorBadgeId);
    labelledRow("Part number:", set.partNumber);
    labelledRow("Work order number:", set.workOrderNumber);
    labelledRow("Quantity:", set.quantity);
    emptyRow();
    if (set.useDecimalCounter) {
        labelledRow("Decimal counter:", "true");
    } else if (set.useCsvFile) {
        labelledRow("csv file:", set.csvFileName);
    } else if (set.useFixData) {
        labelledRow("fix data:", "true");
    }
    emptyRow();
    labelledRow("Carrier ID Offset:", set.carrierIdOffset);
    labelledRow("Carrier ID Length:", set.carrierIdLength);
    labelledRow("Lock Carrier ID:", set.lockCarrierId ? "true" : "false");
    emptyRow();
    labelledRow("Transponder type:", set.typeTI ? "TI Multipage" : "Norvik Multipage");
    emptyRow();

    out += kRowOpen;
    LabelCell(out, 1, "Date:");
    LabelCell(out, 2, "Time:");
    LabelCell(out, 4, "UID");
    for (int page = 1; page <= kPageCount; ++page) {
        LabelCell(out, 3 * page + 3, "Page " + FormatInt(page));
    }
    out += kRowClose;

    out += kRowOpen;
    for (int page = 1; page <= kPageCount; ++page) {
        LabelCell(out, 3 * page + 3, "Data:");
        LabelCell(out, 3 * page + 4, "Lock:");
    }
    out += kRowClose;
    return out;
}

std::string TransponderRow(const RecordInput& input) {
    const LocalTime& t = input.time;
    std::string out(kRowOpen);
    PlainCell(out, TwoDigits(t.day) + "/" + TwoDigits(t.month) + "/" +
                       TwoDigits(YearOfCentury(t.year)));
    PlainCell(out, TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second));
    PlainCell(out, "");
    PlainCell(out, input.set.typeNorvik ? input.uid : std::string_view());
    PlainCell(out, "");
    for (std::size_t p = 0; p < static_cast<std::size_t>(kPageCount); ++p) {
        // The pages WritePages wrote, in the HEX form it sent.
        if (input.image.selected[p] != 0 && !input.image.fieldText[p].empty()) {
            PlainCell(out, input.image.hexText[p]);
            PlainCell(out, input.set.lockPage[p] ? "X" : "");
        } else {
            PlainCell(out, "");
            PlainCell(out, "");
        }
        PlainCell(out, "");
    }
    out += kRowClose;
    return out;
}

// --- what an append relies on ---

namespace {

// Text as EscapeCellText writes it: printable ASCII and tabs, every "&"
// starting a reference, no markup.
bool IsCellText(std::string_view text) {
    static constexpr std::string_view kEntities[] = {"amp;", "lt;", "gt;", "quot;", "apos;"};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b < 0x20 && b != '\t') || b >= 0x7F || b == '<' || b == '>' || b == '"') {
            return false;
        }
        if (b != '&') continue;
        const std::string_view rest = text.substr(i + 1);
        bool known = false;
        for (std::string_view e : kEntities) known = known || rest.starts_with(e);
        std::size_t d = 1;
        while (d < rest.size() && IsDigit(rest[d])) ++d;
        known = known || (rest.starts_with('#') && d > 1 && d < rest.size() && rest[d] == ';');
        if (!known) return false;
    }
    return true;
}

}  // namespace

// The cell lines that the rows are made of, exactly: a cell cut short and
// glued to the end of another line is not one.
bool IsRecordCellLine(std::string_view line) {
    static constexpr std::string_view kData = R"(<Data ss:Type="String">)";
    static constexpr std::string_view kDataEnd = "</Data></Cell>\r\n";
    static constexpr std::string_view kIndex = R"( ss:Index=")";
    if (!line.starts_with(kCellStart) || !line.ends_with(kDataEnd)) return false;
    std::string_view rest = line.substr(kCellStart.size());
    if (rest.starts_with(kIndex)) {
        rest.remove_prefix(kIndex.size());
        std::size_t d = 0;
        while (d < rest.size() && IsDigit(rest[d])) ++d;
        if (d == 0 || rest.substr(d, 1) != "\"") return false;
        rest.remove_prefix(d + 1);
    }
    if (!rest.starts_with(">") || rest.substr(1, kData.size()) != kData) return false;
    rest = rest.substr(1 + kData.size());
    return rest.size() >= kDataEnd.size() &&
           IsCellText(rest.substr(0, rest.size() - kDataEnd.size()));
}

std::int64_t RowCountIn(std::string_view head) {
    head = head.substr(0, kRowCountWindow);
    const std::size_t key = head.find(kCountKey);
    if (key == std::string_view::npos) return 0;
    std::string_view digits = head.substr(key + kCountKey.size(), 6);
    digits = digits.substr(0, digits.find('"'));
    const std::int32_t count = Atol(digits);
    return count < 0 ? 0 : count;
}

std::optional<RowCountField> FindRowCountField(std::string_view head) {
    head = head.substr(0, kRowCountWindow);
    const std::size_t key = head.find(kCountKey);
    if (key == std::string_view::npos) return std::nullopt;
    const std::size_t begin = key + kCountKey.size();
    const std::size_t quote = head.find('"', begin);
    if (quote == std::string_view::npos || quote - begin > 20) return std::nullopt;
    return RowCountField{begin, quote};
}

std::optional<std::size_t> RowsStartOfOurHead(std::string_view head) {
    const std::string& before = HeadBeforeCount();
    if (!head.starts_with(before)) return std::nullopt;
    std::size_t i = before.size();
    const std::size_t digitsStart = i;
    while (i < head.size() && IsDigit(head[i])) ++i;
    if (i == digitsStart || i - digitsStart > 10) return std::nullopt;
    const std::string& after = HeadAfterCount();
    if (head.substr(i, after.size()) != after) return std::nullopt;
    return i + after.size();
}

}  // namespace tagwright
