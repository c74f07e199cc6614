#pragma once
// The Config dialog (ConfigDialog) without its window: a working copy of one
// parameter set and of the name list, and every rule of the dialog's
// controls. The window renders what this model holds and routes each click,
// Enter, Tab and timer tick to one of the entry points below.

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Presentation.h"
#include "core/config/Pages317.h"
#include "core/config/ParameterSet.h"
#include "core/config/NameList.h"
#include "core/config/SetStore.h"
#include "core/domain/TypedText.h"

namespace tagwright {

enum class ConfigControl : int {
    Name,
    Save,
    Delete,
    // Work order Setup
    OperatorBadgeId,
    PartNumber,
    WorkOrderNumber,
    Quantity,
    // Data Source
    DecimalCounter,
    CsvFile,
    FixData,
    CsvFileDisplay,
    CsvOpen,
    // SEMI E99 Carrier ID Setup
    Fill,
    CarrierIdOffset,
    CarrierIdLength,
    CarrierId,
    LockCarrierId,
    // Transponder type
    TypeTI,
    TypeNorvik,
    // Carrier ID: bytes 0-15 of pages 1 and 2
    Hex0,
    Hex15 = Hex0 + 15,
    Ascii0,
    Ascii15 = Ascii0 + 15,
    FixByte0,
    FixByte15 = FixByte0 + 15,
    EditPage1,
    LockPage1,
    EditPage2,
    LockPage2,
    // Data Area
    WritePages3to17,
    EditPages3to17,
    Log,
    LogFileDisplay,
    LogOpen,
    // Write checks
    VerifyAfterWrite,
    Retries,
    Ok,
    Cancel,
    Count
};

inline constexpr std::size_t kConfigControlCount = static_cast<std::size_t>(ConfigControl::Count);

constexpr ConfigControl HexEdit(int byte) {
    return static_cast<ConfigControl>(static_cast<int>(ConfigControl::Hex0) + byte);
}
constexpr ConfigControl AsciiEdit(int byte) {
    return static_cast<ConfigControl>(static_cast<int>(ConfigControl::Ascii0) + byte);
}
constexpr ConfigControl FixByteBox(int byte) {
    return static_cast<ConfigControl>(static_cast<int>(ConfigControl::FixByte0) + byte);
}

// The byte (0-15) of a control in the row that starts at row0 (Hex0, Ascii0
// or FixByte0); nothing for a control outside that row.
std::optional<int> ByteIndex(ConfigControl c, ConfigControl row0);
bool IsByteEdit(ConfigControl c);
bool IsCarrierIdEdit(ConfigControl c);
bool IsWorkOrderEdit(ConfigControl c);
// The set's text behind an edit field; nullptr for every other control.
std::string* TextOf(ParameterSet& set, ConfigControl c);

// A file dialog the model asks the window for.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    std::string filter;            // description and pattern alike: "*.csv"
    std::string defaultExtension;  // "csv"
    // A path to start in: the current file when there is one, else the
    // process's current directory.
    std::string initialPath;
};

// What the dialog's window provides to the model.
class ConfigDialogView : public MessageView {
public:
    // Controls to model: the texts of the "Name" box, the work order, carrier
    // ID and byte edits. Check boxes are the model's: clicks arrive as
    // Clicked().
    virtual void TakeFieldValues() = 0;
    // Model to controls: texts, check images, colours, enable states.
    virtual void ShowFieldValues() = 0;
    // One control's state changed (enabled, colours, image): show it now.
    virtual void UpdateControl(ConfigControl control) = 0;
    // Refills the "Name" list from the model's name list, slot order, without
    // touching the typed text and without counting as a pick.
    virtual void RebuildNameChoices() = 0;
    // Focus; selectAll also selects the whole text and scrolls to the caret.
    virtual void SetFocus(ConfigControl control, bool selectAll) = 0;
    virtual void Repaint() {}
    // The one-shot timer of a pick; its expiry comes back as LoadTimerFired().
    virtual void StartLoadTimer(int /*ms*/) {}
    virtual void StopLoadTimer() {}
    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<std::string> AskFileName(const FileDialogRequest& request) = 0;
    // Runs the Pages 3-17 dialog modally: true with data replaced on OK.
    virtual bool RunPages317(Pages317Data& data) = 0;
};

class ConfigDialogModel {
public:
    static constexpr int kLoadDelayMs = 500;
    static constexpr int kTotalTagLength = kImageBytes;
    static constexpr int kMaximumCarrierIdBytes = kCarrierIdBytes;
    // File name displays show at most this many characters of a path's end.
    static constexpr std::size_t kDisplayTail = 85;

    explicit ConfigDialogModel(ConfigDialogView& view);

    ConfigDialogView& View() { return view_; }
    ControlState& Control(ConfigControl c) { return controls_.at(Index(c)); }
    const ControlState& Control(ConfigControl c) const { return controls_.at(Index(c)); }

    // --- the dialog's values (the hand-over fills them before Start) ---
    std::string nameText;  // the "Name" box
    // False when the "Name" box held characters that no byte of the files'
    // 8-bit encoding stands for; nameText then holds a changed copy.
    bool nameFitsFile = true;
    // The text fields as typed where they hold a character that no byte
    // stands for; such a set is neither saved nor taken.
    std::array<Refusal, kConfigControlCount> typed{};
    NameList names;        // the dialog's own copy
    ParameterSet set;
    std::filesystem::path setDirectory;
    bool saved = false;        // a set file was written while the dialog was open
    bool savePressed = false;  // Save was pressed, whatever came of it
    // The operator may look at the sets and choose one, not change, save or
    // delete one: every control but the name, OK, Cancel and the Pages 3-17
    // view is disabled.
    bool viewOnly = false;
    // Asked right before Save writes the file and before Delete takes a
    // listed name off the list; false changes nothing (the one asked told
    // the operator why). Unset: allowed.
    SetSaveApproval approveSave;
    std::function<bool()> approveDelete;

    // Opening: loads the set named in the "Name" box.
    void Start();

    // "Name" list: a pick loads 500 ms later; typing loads nothing.
    void NamePicked();
    void LoadTimerFired();
    void Save();
    void Delete();

    // A click on any check box: the box's flag toggles, then its rule runs.
    void Clicked(ConfigControl box);
    void FillPressed();
    void CsvOpenPressed();
    void LogOpenPressed();
    void EditPages3to17Pressed();
    // The retries field's new value, held within kMinRetries .. kMaxRetries.
    void RetriesChanged(int value);

    // Carrier ID edits: Enter or leaving the field / Tab.
    void CarrierIdEditCompleted(ConfigControl edit);
    void CarrierIdEditTabbed(ConfigControl edit);
    // Work order edits: Enter and Tab alike.
    void WorkOrderEditConfirmed(ConfigControl edit);
    // HEX or ASCII byte edits of pages 1-2: Enter and Tab alike.
    void ByteEditConfirmed(ConfigControl edit);

    // "OK": false while it is disabled; else takes the values and the
    // dialog ends with OK.
    bool Accept();

    // The names of the "Name" list, slot order.
    std::vector<std::string> ListedNames() const;

    // The two file name displays.
    std::string CsvFileDisplay() const { return ShortFileName(set.csvFileName); }
    // With no file chosen, the one rows go to all the same; the set keeps
    // its empty name.
    std::string LogFileDisplay() const;
    static std::string ShortFileName(const std::string& path);

    // The offset and length check: values that do not fit bytes 0-15 are
    // cut back and the operator is told which key held which value. True
    // when nothing had to change. Runs on every load as well, so a length
    // never leaves the decimal counter without room.
    bool CheckOffsetAndLength();
    // The SEMI E99 fill of pages 1-2 from offset, length and carrier ID.
    void Fill();

    static constexpr const char* kNameEncodingMessage =
        "This name has characters that a parameter set's name cannot hold.\r\n"
        "A name may use the characters of Latin-1 (ISO 8859-1) only.";
    static constexpr const char* kListedSetsOnlyMessage =
        "In operator mode only a set of the list can be chosen.";
    // The record file when the operator picks none: in the station's directory.
    static constexpr const char* kDefaultRecordFileName = "zb48_record.xml";

private:
    static std::size_t Index(ConfigControl c) { return static_cast<std::size_t>(c); }

    // Offset and length as the rules use them, always within bytes 0-15.
    struct Span {
        int offset = 0;
        int length = 0;
        int End() const { return offset + length; }
    };
    Span CarrierIdSpan() const;

    void Load();
    void ApplyLoadLook();
    void DisableChanges();
    void Refresh();  // check images from the flags, then show
    void DisableOk();
    // Tells the operator when the typed name or a field cannot be kept; true
    // when they can.
    bool NameFits();
    // The first character of a text field that no byte stands for, or 0.
    char32_t Refused(ConfigControl c);
    char32_t FirstRefused();
    void SetCarrierIdEditsLook(bool usable, bool touchEnabled);
    void SetByteColour(int byte, Rgb colour);
    // Byte k's HEX and ASCII texts from the one the operator worked in.
    void SetByteForms(std::size_t k, std::string shown, PageFormat shownIn);
    void RecolourCarrierId();
    bool* FlagOf(ConfigControl box);  // nullptr for controls that are no check box
    void DataSourceClicked(ConfigControl box);
    void LockClicked(ConfigControl box);
    void TypeClicked(ConfigControl box);
    void LogClicked();
    std::string InitialPath(const std::string& current) const;

    ConfigDialogView& view_;
    std::array<ControlState, kConfigControlCount> controls_{};
};

}  // namespace tagwright
