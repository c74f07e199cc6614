#pragma once
// Parameter sets on disk: one INI file per set, named after the set, in the
// directory of the station settings file; and the name list rules of Save and
// Delete.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Presentation.h"
#include "core/config/ParameterSet.h"
#include "core/config/NameList.h"

namespace tagwright {

// The longest name a set can have: its file name (name + ".ini") must fit
// the 255 bytes a file name can have. Temporary names are short whatever
// the target is called.
inline constexpr std::size_t kMaxSetNameBytes = 251;

// setDirectory / (name + ".ini").
std::filesystem::path SetFilePath(const std::filesystem::path& setDirectory,
                                  std::string_view name);

// A name the store can keep as a file of its own in setDirectory: not empty,
// not "." or "..", no "/", "\\" or NUL.
bool IsValidSetName(std::string_view name);

// Reads the set file of that name. A missing file, a missing key or a name
// that could never have been saved reads as empty texts and off flags.
// withCarrierId: also read "Carrier ID" (the start-up load of the current set
// does, the Config dialog's load keeps its own carrier ID). The ASCII byte
// texts are derived from the HEX texts; hexAsciiMode is left at its default.
ParameterSet LoadSet(const std::filesystem::path& setDirectory, std::string_view name,
                     bool withCarrierId);

enum class SaveSetResult {
    Saved,     // file written, name listed
    Declined,  // the operator kept the existing file
    Failed,    // refused or not written; told to the operator, nothing changed
};

// One key a save changes: the file's value before and the value written.
struct SetKeyChange {
    std::string section;
    std::string key;
    std::string before;
    std::string after;
};
// Asked with the keys that change, after every check and question and right
// before the file is written: false writes nothing (the one asked has told
// the operator why).
using SetSaveApproval = std::function<bool(const std::vector<SetKeyChange>& changes)>;

// Writes the set under that name and lists the name. Refuses, with a message
// and before anything else, names that are not valid, hold a line break or
// are longer than kMaxSetNameBytes, and new names when all 256 slots are
// taken. Asks before replacing an existing file; an existing
// file's other keys are kept. The file is replaced atomically. A refused
// approval is Failed.
SaveSetResult SaveSet(const std::filesystem::path& setDirectory, std::string_view name,
                      const ParameterSet& set, NameList& names, MessageView& view,
                      const SetSaveApproval& approve = {});

// Writes carrierId as the "Carrier ID" of the set file of that name and
// changes nothing else: every other byte of the file stays, line ends
// included. The file is replaced atomically and durably (temporary file,
// fsync, rename, fsync of the directory), so that a counter once written
// survives a crash or a power cut. A missing file gets that one key. On
// failure returns false, fills *error with a sentence the operator can read
// and leaves the file as it was.
bool WriteSetCarrierId(const std::filesystem::path& setDirectory, std::string_view name,
                       std::string_view carrierId, std::string* error = nullptr);

// Removes the name from the list; its set file stays on disk.
void DeleteName(NameList& names, std::string_view name);

}  // namespace tagwright
