#include "core/config/SetStore.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <vector>

#include "core/base/AtomicFile.h"
#include "core/base/CText.h"
#include "core/base/IniFile.h"

namespace tagwright {

namespace {

constexpr std::string_view kWorkOrder = "Work order Setup";
constexpr std::string_view kDataSource = "Data Source";
constexpr std::string_view kCarrierIdSetup = "SEMI E99 Carrier ID Setup";
constexpr std::string_view kCarrierIdKey = "Carrier ID";
// The write checks live in a section of their own, after every key the older
// files hold, so that adding them never moves or changes those keys.
constexpr std::string_view kChecks = "Write checks";
constexpr std::string_view kVerifyKey = "Verify after write";
constexpr std::string_view kRetriesKey = "Retries";

// Byte numbers in keys have two digits at least: "HEX 07", "HEX 100".
std::string ByteKey(std::string_view prefix, int byte) {
    std::string key(prefix);
    if (byte < 10) key += '0';
    key += FormatInt(byte);
    return key;
}

std::string PageKey(std::string_view prefix, int page) {
    return std::string(prefix) + FormatInt(page);
}

// Every key of a set file, in the order the file is written. One list for
// both directions keeps load and save from drifting apart. Set is
// ParameterSet or const ParameterSet; visit(section, key, field) gets a
// std::string or a bool field.
template <typename Set, typename Visit>
void ForEachSetKey(Set& set, Visit&& visit) {
    visit(kWorkOrder, "Operator badge ID#", set.operatorBadgeId);
    visit(kWorkOrder, "Part number", set.partNumber);
    visit(kWorkOrder, "Work order number", set.workOrderNumber);
    visit(kWorkOrder, "Quantity", set.quantity);
    visit(kDataSource, "Decimal counter", set.useDecimalCounter);
    visit(kDataSource, "csv file", set.useCsvFile);
    visit(kDataSource, "file name", set.csvFileName);
    visit(kDataSource, "fix data", set.useFixData);
    visit(kCarrierIdSetup, "Carrier ID Offset", set.carrierIdOffset);
    visit(kCarrierIdSetup, "Carrier ID Length", set.carrierIdLength);
    visit(kCarrierIdSetup, kCarrierIdKey, set.carrierId);
    visit(kCarrierIdSetup, "Lock Carrier ID", set.lockCarrierId);
    visit("Transponder type", "TI", set.typeTI);
    visit("Transponder type", "Norvik", set.typeNorvik);

    for (int page = 1; page <= kPageCount; ++page) {
        if (page == 3) visit("Pages 3-17", "Write Pages 3-17", set.writePages3to17);
        const std::string section = PageKey("Page ", page);
        const int first = (page - 1) * kPageBytes;
        for (int k = first; k < first + kPageBytes; ++k) {
            visit(section, ByteKey("HEX ", k), set.hex[static_cast<std::size_t>(k)]);
        }
        if (page <= 2) {
            for (int k = first; k < first + kPageBytes; ++k) {
                visit(section, ByteKey("fix byte ", k), set.fixByte[static_cast<std::size_t>(k)]);
            }
        }
        const auto p = static_cast<std::size_t>(page - 1);
        visit(section, PageKey("Edit Page ", page), set.editPage[p]);
        visit(section, PageKey("Lock Page ", page), set.lockPage[p]);
    }

    visit("Log", "Log", set.logEnabled);
    visit("Log", "file name", set.logFileName);
}

// A file without the keys (written before they existed, or none at all)
// gets the defaults; an unreadable value does too.
void LoadWriteChecks(const IniFile& file, ParameterSet& set) {
    const std::string verify = file.Get(kChecks, kVerifyKey);
    set.verifyAfterWrite = verify == "0" ? false : verify == "1" ? true : kDefaultVerifyAfterWrite;
    const std::string retries = file.Get(kChecks, kRetriesKey);
    const bool digits = !retries.empty() && retries.size() <= 2 &&
                        retries.find_first_not_of("0123456789") == std::string::npos;
    set.retries = digits ? std::clamp(std::stoi(retries), kMinRetries, kMaxRetries)
                         : kDefaultRetries;
}

void SaveWriteChecks(IniFile& file, const ParameterSet& set) {
    file.Set(kChecks, kVerifyKey, set.verifyAfterWrite ? "1" : "0");
    file.Set(kChecks, kRetriesKey, FormatInt(std::clamp(set.retries, kMinRetries, kMaxRetries)));
}

void ShowRefusal(MessageView& view, std::string text) {
    view.ShowMessage({std::move(text), "", MsgIcon::Warning, MsgButtons::Ok});
}

void ShowSaveError(MessageView& view) {
    view.ShowMessage({"Fehler beim Speichern des Pr\xFC"
                      "fablaufes",
                      "", MsgIcon::Error, MsgButtons::Ok});
}

// The lines of a text as the INI rules split it, each with its line end.
std::vector<std::string_view> LinesWithEnds(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.push_back(text.substr(start, i + 1 - start));
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

// The old bytes with the one line that `changed` differs in spliced in, so
// that a file with LF line ends or no final line end keeps them. Nothing when
// more than one line differs (a key or section was added): then the whole
// serialised text is written.
std::optional<std::string> SpliceChangedLine(std::string_view old, std::string_view changed) {
    const std::vector<std::string_view> oldLines = LinesWithEnds(old);
    const std::vector<std::string_view> newLines = LinesWithEnds(changed);
    if (oldLines.size() != newLines.size()) return std::nullopt;
    std::string out;
    out.reserve(old.size() + 32);
    int differing = 0;
    for (std::size_t i = 0; i < oldLines.size(); ++i) {
        const std::string_view before = WithoutLineEnd(oldLines[i]);
        const std::string_view after = WithoutLineEnd(newLines[i]);
        if (before == after) {
            out += oldLines[i];
            continue;
        }
        ++differing;
        out += after;
        out += oldLines[i].substr(before.size());
    }
    if (differing > 1) return std::nullopt;
    return out;
}

}  // namespace

std::filesystem::path SetFilePath(const std::filesystem::path& setDirectory,
                                  std::string_view name) {
    std::string file(name);
    file += ".ini";
    return setDirectory / file;
}

bool IsValidSetName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

ParameterSet LoadSet(const std::filesystem::path& setDirectory, std::string_view name,
                     bool withCarrierId) {
    ParameterSet set;
    if (!IsValidSetName(name)) {
        LoadWriteChecks(IniFile(), set);
        return set;
    }
    const IniFile file = IniFile::Load(SetFilePath(setDirectory, name));
    LoadWriteChecks(file, set);
    ForEachSetKey(set, [&](std::string_view section, std::string_view key, auto& field) {
        if (!withCarrierId && section == kCarrierIdSetup && key == kCarrierIdKey) return;
        std::string value = file.Get(section, key);
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(field)>, bool>) {
            field = value == "1";
        } else {
            field = std::move(value);
        }
    });
    DeriveAsciiTexts(set);
    return set;
}

SaveSetResult SaveSet(const std::filesystem::path& setDirectory, std::string_view name,
                      const ParameterSet& set, NameList& names, MessageView& view,
                      const SetSaveApproval& approve) {
    // The name becomes a file name in the set directory: anything that would
    // land elsewhere, or nowhere, is refused before a file is touched.
    if (!IsValidSetName(name)) {
        ShowRefusal(view,
                    "This is not a valid name for a parameter set.\r\n"
                    "A name must not be empty, \".\" or \"..\", and must not contain "
                    "\"/\" or \"\\\".");
        return SaveSetResult::Failed;
    }
    // A line break would split the name's line in the settings file.
    if (name.find_first_of("\r\n") != std::string_view::npos) {
        ShowRefusal(view, "A name of a parameter set must not contain a line break.");
        return SaveSetResult::Failed;
    }
    if (name.size() > kMaxSetNameBytes) {
        ShowRefusal(view,
                    "This name is too long for a parameter set.\r\nA name may have at most " +
                        FormatInt(static_cast<std::int64_t>(kMaxSetNameBytes)) + " characters.");
        return SaveSetResult::Failed;
    }
    if (!names.CanAdd(name)) {
        ShowRefusal(view,
                    "The list of parameter sets is full (256 names).\r\n"
                    "Delete a name from the list or save under a listed name.");
        return SaveSetResult::Failed;
    }

    const std::filesystem::path path = SetFilePath(setDirectory, name);
    const std::optional<std::string> existing = ReadWholeFile(path);
    if (existing) {
        const MsgAnswer answer =
            view.ShowMessage({"This parameter set already exists.\r\nOverwrite it?", "",
                              MsgIcon::Question, MsgButtons::YesNo});
        if (answer != MsgAnswer::Yes) return SaveSetResult::Declined;
    }

    // Overwriting starts from the old file so that keys this program does not
    // know survive.
    IniFile file = existing ? IniFile::Parse(*existing) : IniFile();
    const IniFile before = file;
    std::vector<SetKeyChange> changes;
    // A key the file lacks reads as empty or off: writing it so is no change.
    auto note = [&](std::string_view section, std::string_view key) {
        std::string was = before.Get(section, key);
        std::string now = file.Get(section, key);
        if (was == now || (was.empty() && (now.empty() || now == "0"))) return;
        changes.push_back({std::string(section), std::string(key), std::move(was), std::move(now)});
    };
    ForEachSetKey(set, [&](std::string_view section, std::string_view key, const auto& field) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, bool>) {
            file.Set(section, key, field ? "1" : "0");
        } else {
            file.Set(section, key, IniTextValue(field));
        }
        note(section, key);
    });
    SaveWriteChecks(file, set);
    note(kChecks, kVerifyKey);
    note(kChecks, kRetriesKey);
    if (approve && !approve(changes)) return SaveSetResult::Failed;
    if (!file.Save(path)) {
        ShowSaveError(view);
        return SaveSetResult::Failed;
    }

    names.Add(name);
    return SaveSetResult::Saved;
}

bool WriteSetCarrierId(const std::filesystem::path& setDirectory, std::string_view name,
                       std::string_view carrierId, std::string* error) {
    if (!IsValidSetName(name)) {
        if (error != nullptr) {
            *error = "The carrier ID could not be saved: \"" + std::string(name) +
                     "\" is not a valid name for a parameter set.";
        }
        return false;
    }
    const std::filesystem::path path = SetFilePath(setDirectory, name);
    std::string readError;
    const std::optional<std::string> old = ReadWholeFile(path, &readError);
    if (!old && std::filesystem::exists(path)) {
        if (error != nullptr) *error = readError;
        return false;
    }
    IniFile file = IniFile::Parse(old.value_or(""));
    const std::string before = file.Serialise();
    file.Set(kCarrierIdSetup, kCarrierIdKey, IniTextValue(carrierId));
    const std::string after = file.Serialise();
    if (old && before == after) return true;  // already written

    std::optional<std::string> content;
    if (old) content = SpliceChangedLine(*old, after);
    return WriteFileAtomically(path, content ? *content : after, error);
}

void DeleteName(NameList& names, std::string_view name) { names.Remove(name); }

}  // namespace tagwright
