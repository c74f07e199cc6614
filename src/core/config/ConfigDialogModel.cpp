#include "core/config/ConfigDialogModel.h"

#include <algorithm>
#include <iterator>
#include <system_error>
#include <utility>

#include "core/domain/Hex.h"
#include "core/base/CText.h"
#include "core/base/DataPaths.h"
#include "core/domain/ByteText.h"
#include "core/domain/TextForms.h"
#include "core/config/SetStore.h"

namespace tagwright {

namespace {

constexpr ConfigControl kCarrierIdEdits[] = {
    ConfigControl::CarrierIdOffset,
    ConfigControl::CarrierIdLength,
    ConfigControl::CarrierId,
};
constexpr ConfigControl kWorkOrderEdits[] = {
    ConfigControl::OperatorBadgeId,
    ConfigControl::PartNumber,
    ConfigControl::WorkOrderNumber,
    ConfigControl::Quantity,
};
// Check boxes whose image is their own flag; the transponder type pair has a
// rule of its own.
constexpr ConfigControl kPlainBoxes[] = {
    ConfigControl::DecimalCounter, ConfigControl::CsvFile,   ConfigControl::FixData,
    ConfigControl::LockCarrierId,  ConfigControl::EditPage1, ConfigControl::LockPage1,
    ConfigControl::EditPage2,      ConfigControl::LockPage2, ConfigControl::WritePages3to17,
    ConfigControl::Log,            ConfigControl::VerifyAfterWrite,
};

// The next control of a Tab or Enter cycle.
template <std::size_t N>
ConfigControl NextInCycle(const ConfigControl (&cycle)[N], ConfigControl c) {
    for (std::size_t i = 0; i < N; ++i) {
        if (cycle[i] == c) return cycle[(i + 1) % N];
    }
    return c;
}


}  // namespace

std::optional<int> ByteIndex(ConfigControl c, ConfigControl row0) {
    const int byte = static_cast<int>(c) - static_cast<int>(row0);
    if (byte < 0 || byte >= kCarrierIdBytes) return std::nullopt;
    return byte;
}

bool IsByteEdit(ConfigControl c) {
    return ByteIndex(c, ConfigControl::Hex0) || ByteIndex(c, ConfigControl::Ascii0);
}

bool IsCarrierIdEdit(ConfigControl c) {
    return std::find(std::begin(kCarrierIdEdits), std::end(kCarrierIdEdits), c) !=
           std::end(kCarrierIdEdits);
}

bool IsWorkOrderEdit(ConfigControl c) {
    return std::find(std::begin(kWorkOrderEdits), std::end(kWorkOrderEdits), c) !=
           std::end(kWorkOrderEdits);
}

std::string* TextOf(ParameterSet& set, ConfigControl c) {
    if (auto byte = ByteIndex(c, ConfigControl::Hex0)) return &set.hex[static_cast<std::size_t>(*byte)];
    if (auto byte = ByteIndex(c, ConfigControl::Ascii0)) {
        return &set.ascii[static_cast<std::size_t>(*byte)];
    }
    switch (c) {
        case ConfigControl::OperatorBadgeId: return &set.operatorBadgeId;
        case ConfigControl::PartNumber: return &set.partNumber;
        case ConfigControl::WorkOrderNumber: return &set.workOrderNumber;
        case ConfigControl::Quantity: return &set.quantity;
        case ConfigControl::CarrierIdOffset: return &set.carrierIdOffset;
        case ConfigControl::CarrierIdLength: return &set.carrierIdLength;
        case ConfigControl::CarrierId: return &set.carrierId;
        default: return nullptr;
    }
}

ConfigDialogModel::ConfigDialogModel(ConfigDialogView& view) : view_(view) {}

std::vector<std::string> ConfigDialogModel::ListedNames() const {
    return {names.slots.begin(), names.slots.begin() + std::clamp(names.count, 0, kNameSlots)};
}

std::string ConfigDialogModel::ShortFileName(const std::string& path) {
    if (path.size() <= kDisplayTail) return path;
    return "..." + path.substr(path.size() - kDisplayTail);
}

std::string ConfigDialogModel::LogFileDisplay() const {
    std::filesystem::path file(set.logFileName.empty() ? kStationRecordFileName : set.logFileName);
    // A bare name goes to the record directory as well.
    if (file.is_relative()) file = StationRecordDirectory(setDirectory) / file;
    return ShortFileName(file.string());
}

ConfigDialogModel::Span ConfigDialogModel::CarrierIdSpan() const {
    // Whatever the texts say, the rules only ever touch bytes 0-15.
    Span s;
    s.offset = std::clamp(Atol(set.carrierIdOffset), 0, kCarrierIdBytes);
    s.length = std::clamp(Atol(set.carrierIdLength), 0, kCarrierIdBytes - s.offset);
    return s;
}

// --- start, load, name list ---------------------------------------------

void ConfigDialogModel::Start() { Load(); }

void ConfigDialogModel::NamePicked() { view_.StartLoadTimer(kLoadDelayMs); }

void ConfigDialogModel::LoadTimerFired() {
    view_.StopLoadTimer();
    Load();
}

void ConfigDialogModel::Load() {
    view_.TakeFieldValues();
    view_.RebuildNameChoices();
    // The carrier ID is the main window's next one, and the HEX/ASCII choice
    // is the main window's; neither comes from the file here.
    ParameterSet loaded = LoadSet(setDirectory, nameText, false);
    loaded.carrierId = std::move(set.carrierId);
    loaded.hexAsciiMode = set.hexAsciiMode;
    set = std::move(loaded);
    Refresh();
    ApplyLoadLook();
    // A hand-edited file can hold a layout the dialog would never save.
    CheckOffsetAndLength();
    Fill();
}

void ConfigDialogModel::ApplyLoadLook() {
    for (ConfigControl c : kWorkOrderEdits) {
        Control(c).background = colour::White;
        Control(c).foreground = colour::Black;
    }
    for (int j = 0; j < kCarrierIdBytes; ++j) {
        for (ConfigControl c : {HexEdit(j), AsciiEdit(j)}) {
            Control(c).background = colour::White;
            Control(c).foreground = colour::Black;
        }
    }
    SetCarrierIdEditsLook(!set.useFixData, false);
    Control(ConfigControl::LogOpen).enabled = set.logEnabled;
    if (viewOnly) DisableChanges();
    Refresh();
}

void ConfigDialogModel::DisableChanges() {
    for (std::size_t i = 0; i < kConfigControlCount; ++i) {
        const auto c = static_cast<ConfigControl>(i);
        const bool stays = c == ConfigControl::Name || c == ConfigControl::Ok ||
                           c == ConfigControl::Cancel || c == ConfigControl::EditPages3to17;
        if (!stays) Control(c).enabled = false;
    }
}

void ConfigDialogModel::Save() {
    if (viewOnly) return;
    Fill();
    view_.TakeFieldValues();
    if (!NameFits()) {
        savePressed = true;
        Refresh();
        return;
    }
    const bool listed = names.Find(nameText) >= 0;
    if (SaveSet(setDirectory, nameText, set, names, view_, approveSave) == SaveSetResult::Saved) {
        if (!listed) view_.RebuildNameChoices();
        Control(ConfigControl::Ok).enabled = true;
        saved = true;
    }
    savePressed = true;
    Refresh();
}

void ConfigDialogModel::Delete() {
    if (viewOnly) return;
    view_.TakeFieldValues();
    if (names.Find(nameText) >= 0 && approveDelete && !approveDelete()) return Refresh();
    DeleteName(names, nameText);
    nameText.clear();
    view_.RebuildNameChoices();
    Refresh();
}

// --- presentation helpers -------------------------------------------------

void ConfigDialogModel::Refresh() {
    for (ConfigControl c : kPlainBoxes) Control(c).imageOn = *FlagOf(c);
    for (int j = 0; j < kCarrierIdBytes; ++j) {
        Control(FixByteBox(j)).imageOn = set.fixByte[static_cast<std::size_t>(j)];
    }
    // Exactly one type shows as chosen, even when the file has neither.
    Control(ConfigControl::TypeNorvik).imageOn = set.typeNorvik;
    Control(ConfigControl::TypeTI).imageOn = !set.typeNorvik;
    view_.ShowFieldValues();
}

void ConfigDialogModel::DisableOk() {
    Control(ConfigControl::Ok).enabled = false;
    view_.UpdateControl(ConfigControl::Ok);
}

void ConfigDialogModel::SetCarrierIdEditsLook(bool usable, bool touchEnabled) {
    Control(ConfigControl::Fill).enabled = usable;
    for (ConfigControl c : kCarrierIdEdits) {
        Control(c).background = usable ? colour::White : colour::DisabledBackground;
        if (touchEnabled) Control(c).enabled = usable;
    }
}

void ConfigDialogModel::SetByteColour(int byte, Rgb colour) {
    Control(HexEdit(byte)).background = colour;
    Control(AsciiEdit(byte)).background = colour;
}

void ConfigDialogModel::SetByteForms(std::size_t k, std::string shown, PageFormat shownIn) {
    TextForms forms = ByteForms(shown, shownIn);
    set.hex[k] = std::move(forms.hex);
    set.ascii[k] = std::move(forms.ascii);
}

bool* ConfigDialogModel::FlagOf(ConfigControl box) {
    if (auto byte = ByteIndex(box, ConfigControl::FixByte0)) {
        return &set.fixByte[static_cast<std::size_t>(*byte)];
    }
    switch (box) {
        case ConfigControl::DecimalCounter: return &set.useDecimalCounter;
        case ConfigControl::CsvFile: return &set.useCsvFile;
        case ConfigControl::FixData: return &set.useFixData;
        case ConfigControl::LockCarrierId: return &set.lockCarrierId;
        case ConfigControl::TypeTI: return &set.typeTI;
        case ConfigControl::TypeNorvik: return &set.typeNorvik;
        case ConfigControl::EditPage1: return &set.editPage[0];
        case ConfigControl::LockPage1: return &set.lockPage[0];
        case ConfigControl::EditPage2: return &set.editPage[1];
        case ConfigControl::LockPage2: return &set.lockPage[1];
        case ConfigControl::WritePages3to17: return &set.writePages3to17;
        case ConfigControl::Log: return &set.logEnabled;
        case ConfigControl::VerifyAfterWrite: return &set.verifyAfterWrite;
        default: return nullptr;
    }
}

// --- carrier ID layout ------------------------------------------------------

bool ConfigDialogModel::CheckOffsetAndLength() {
    // Every value that had to change is named with what it was and became.
    std::string changes;
    for (const LayoutCut& cut : CarrierIdLayoutCuts(set)) {
        if (!changes.empty()) changes += "; ";
        changes += std::string(cut.key) + " \"" + cut.text + "\" was changed to \"" +
                   FormatInt(cut.fitted) + "\"";
        set.*cut.field = FormatInt(cut.fitted);
    }
    if (changes.empty()) return true;
    Refresh();
    view_.ShowMessage({std::string(kOffsetLengthMessage) + "\r\n" + changes + ".", "",
                       MsgIcon::None, MsgButtons::Ok});
    return false;
}

void ConfigDialogModel::Fill() {
    view_.TakeFieldValues();
    const Span s = CarrierIdSpan();
    const int end = s.End();
    std::string padded = set.carrierId;
    if (padded.size() < static_cast<std::size_t>(s.length)) {
        padded.insert(0, static_cast<std::size_t>(s.length) - padded.size(), '0');
    }
    for (int i = 0; i < s.length; ++i) {
        const auto k = static_cast<std::size_t>(s.offset + i);
        set.hex[k] = HexByte(static_cast<unsigned char>(padded[static_cast<std::size_t>(i)]));
        set.ascii[k] = ByteText::HexToAsciiByte(set.hex[k]);
    }
    for (int j = 0; j < kCarrierIdBytes; ++j) {
        const auto k = static_cast<std::size_t>(j);
        if (j >= s.offset && j < end) {
            SetByteColour(j, colour::CarrierIdGreen);
            set.fixByte[k] = set.useFixData;
            continue;
        }
        SetByteColour(j, colour::White);
        set.fixByte[k] = true;
        // Page 2 after an ID that ends within page 1 keeps its fixed data.
        const bool clear = j < s.offset || (j >= end && (j < kPageBytes || end > kPageBytes));
        if (!set.useFixData && clear) {
            set.hex[k] = "00";
            set.ascii[k] = "NUL";
        }
    }
    Refresh();
}

void ConfigDialogModel::RecolourCarrierId() {
    if (!set.useFixData) {
        const Span s = CarrierIdSpan();
        std::string id;
        for (int j = 0; j < kCarrierIdBytes; ++j) {
            if (j >= s.offset && j < s.End()) {
                SetByteColour(j, colour::CarrierIdGreen);
                id += set.ascii[static_cast<std::size_t>(j)];
            } else {
                SetByteColour(j, colour::White);
            }
        }
        set.carrierId = std::move(id);
        Refresh();
    }
    view_.Repaint();
}

void ConfigDialogModel::FillPressed() {
    view_.TakeFieldValues();
    CheckOffsetAndLength();
    Fill();
    DisableOk();
    view_.Repaint();
}

void ConfigDialogModel::CarrierIdEditCompleted(ConfigControl /*edit*/) {
    view_.TakeFieldValues();
    CheckOffsetAndLength();
    DisableOk();
    view_.Repaint();
}

void ConfigDialogModel::CarrierIdEditTabbed(ConfigControl edit) {
    view_.SetFocus(NextInCycle(kCarrierIdEdits, edit), false);
}

void ConfigDialogModel::WorkOrderEditConfirmed(ConfigControl edit) {
    view_.SetFocus(NextInCycle(kWorkOrderEdits, edit), false);
}

void ConfigDialogModel::ByteEditConfirmed(ConfigControl edit) {
    const auto hexByte = ByteIndex(edit, ConfigControl::Hex0);
    const auto asciiByte = ByteIndex(edit, ConfigControl::Ascii0);
    if (!hexByte && !asciiByte) return;
    const bool hexRow = hexByte.has_value();
    const int byte = hexRow ? *hexByte : *asciiByte;

    view_.TakeFieldValues();
    if (const char32_t refused = Refused(edit); refused != 0) {
        // Kept as typed, red, for the operator to mend.
        SetByteColour(byte, colour::Red);
        view_.ShowMessage({"Byte " + FormatInt(byte) + " holds " + RefusedCharacterText(refused) +
                               ".",
                           "", MsgIcon::Warning, MsgButtons::Ok});
        Refresh();
        return;
    }
    SetByteForms(static_cast<std::size_t>(byte), *TextOf(set, edit),
                 hexRow ? PageFormat::Hex : PageFormat::Ascii);
    Refresh();
    RecolourCarrierId();
    DisableOk();

    const int next = (byte + 1) % kCarrierIdBytes;
    view_.SetFocus(hexRow ? HexEdit(next) : AsciiEdit(next), true);
}

// --- check boxes ------------------------------------------------------------

void ConfigDialogModel::Clicked(ConfigControl box) {
    bool* flag = FlagOf(box);
    if (flag == nullptr) return;
    view_.TakeFieldValues();
    *flag = !*flag;
    switch (box) {
        case ConfigControl::DecimalCounter:
        case ConfigControl::CsvFile:
        case ConfigControl::FixData: DataSourceClicked(box); break;
        case ConfigControl::LockCarrierId:
        case ConfigControl::LockPage1:
        case ConfigControl::LockPage2: LockClicked(box); break;
        case ConfigControl::TypeTI:
        case ConfigControl::TypeNorvik: TypeClicked(box); break;
        case ConfigControl::Log: LogClicked(); break;
        case ConfigControl::EditPage1:
        case ConfigControl::EditPage2:
        case ConfigControl::WritePages3to17:
        case ConfigControl::VerifyAfterWrite: DisableOk(); break;
        default:
            if (ByteIndex(box, ConfigControl::FixByte0)) DisableOk();
            break;
    }
    Refresh();
}

void ConfigDialogModel::DataSourceClicked(ConfigControl box) {
    if (box == ConfigControl::FixData) {
        if (set.useFixData) {
            set.fixByte.fill(true);
            set.carrierIdOffset.clear();
            set.carrierIdLength.clear();
            set.carrierId.clear();
            SetCarrierIdEditsLook(false, true);
            set.useDecimalCounter = false;
            set.useCsvFile = false;
        } else {
            SetCarrierIdEditsLook(true, true);
            set.useDecimalCounter = true;
            set.useCsvFile = false;
        }
        DisableOk();
        return;
    }

    if (box == ConfigControl::DecimalCounter) {
        set.useCsvFile = !set.useDecimalCounter;
        if (!set.useDecimalCounter) set.carrierId.clear();
    } else {
        set.useDecimalCounter = !set.useCsvFile;
        if (set.useCsvFile) set.carrierId.clear();
    }
    set.useFixData = false;
    SetCarrierIdEditsLook(true, true);
    DisableOk();
}

void ConfigDialogModel::LockClicked(ConfigControl box) {
    const Span s = CarrierIdSpan();
    const int end = s.End();
    bool& page1 = set.lockPage[0];
    bool& page2 = set.lockPage[1];
    switch (box) {
        case ConfigControl::LockCarrierId: {
            const bool on = set.lockCarrierId;
            if (s.offset >= kPageBytes) {
                page2 = on;
            } else if (end <= kPageBytes) {
                page1 = on;
            } else {
                page1 = on;
                page2 = on;
            }
            break;
        }
        case ConfigControl::LockPage1:
            if (page1) {
                if (end <= kPageBytes || page2) set.lockCarrierId = true;
            } else if (s.offset < kPageBytes) {
                set.lockCarrierId = false;
            }
            break;
        case ConfigControl::LockPage2:
            if (page2) {
                if (s.offset >= kPageBytes || page1) set.lockCarrierId = true;
            } else if (end > kPageBytes) {
                set.lockCarrierId = false;
            }
            break;
        default: break;
    }
    DisableOk();
}

void ConfigDialogModel::TypeClicked(ConfigControl box) {
    if (box == ConfigControl::TypeTI) {
        set.typeNorvik = !set.typeTI;
    } else {
        set.typeTI = !set.typeNorvik;
    }
}

void ConfigDialogModel::LogClicked() {
    Control(ConfigControl::LogOpen).enabled = set.logEnabled;
    DisableOk();
}

// --- file dialogs and the Pages 3-17 dialog -----------------------------------

std::string ConfigDialogModel::InitialPath(const std::string& current) const {
    if (!current.empty()) return current;
    std::error_code ec;
    return std::filesystem::current_path(ec).string();
}

void ConfigDialogModel::CsvOpenPressed() {
    view_.TakeFieldValues();
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.filter = "*.csv";
    request.defaultExtension = "csv";
    request.initialPath = InitialPath(set.csvFileName);
    if (auto path = view_.AskFileName(request)) set.csvFileName = std::move(*path);
    DisableOk();
    Refresh();
}

void ConfigDialogModel::RetriesChanged(int value) {
    value = std::clamp(value, kMinRetries, kMaxRetries);
    if (value == set.retries) return;
    set.retries = value;
    DisableOk();
}

void ConfigDialogModel::LogOpenPressed() {
    view_.TakeFieldValues();
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.filter = "*.xml";
    request.defaultExtension = "xml";
    request.initialPath = InitialPath(set.logFileName);
    if (auto path = view_.AskFileName(request)) set.logFileName = std::move(*path);
    // The station's own directory is the one place known to be there and
    // writable; a fixed drive root is neither on every machine.
    if (set.logFileName.empty()) {
        set.logFileName = (StationRecordDirectory(setDirectory) / kDefaultRecordFileName).string();
    }
    Refresh();
    DisableOk();
}

void ConfigDialogModel::EditPages3to17Pressed() {
    view_.TakeFieldValues();
    Pages317Data data;
    data.hex = set.hex;
    data.ascii = set.ascii;
    data.editPage = set.editPage;
    data.lockPage = set.lockPage;
    data.mode = set.hexAsciiMode == 1 ? 1 : 0;
    data.viewOnly = viewOnly;
    if (!view_.RunPages317(data) || viewOnly) {
        Refresh();
        return;
    }
    set.hexAsciiMode = data.mode;
    const PageFormat format = data.mode == 1 ? PageFormat::Ascii : PageFormat::Hex;
    for (std::size_t k = 0; k < set.hex.size(); ++k) {
        // The form the dialog worked in is the one to trust.
        SetByteForms(k, format == PageFormat::Ascii ? data.ascii[k] : data.hex[k], format);
    }
    for (std::size_t p = 2; p < set.editPage.size(); ++p) {
        set.editPage[p] = data.editPage[p];
        set.lockPage[p] = data.lockPage[p];
        if (set.editPage[p]) set.writePages3to17 = true;
    }
    Refresh();
}

bool ConfigDialogModel::Accept() {
    if (!Control(ConfigControl::Ok).enabled) return false;
    view_.TakeFieldValues();
    if (viewOnly) {
        // Only a listed set, exactly as its file holds it: a typed name
        // would start a set file of its own.
        if (names.Find(nameText) < 0) {
            view_.ShowMessage({kListedSetsOnlyMessage, "", MsgIcon::Warning, MsgButtons::Ok});
            return false;
        }
        Load();
    }
    return NameFits();
}

bool ConfigDialogModel::NameFits() {
    if (!nameFitsFile) {
        view_.ShowMessage({kNameEncodingMessage, "", MsgIcon::Warning, MsgButtons::Ok});
        return false;
    }
    if (const char32_t refused = FirstRefused(); refused != 0) {
        view_.ShowMessage({"A field holds " + RefusedCharacterText(refused) +
                               ".\r\nA parameter set holds bytes only; mend the field first.",
                           "", MsgIcon::Warning, MsgButtons::Ok});
        return false;
    }
    return true;
}

char32_t ConfigDialogModel::Refused(ConfigControl c) {
    const std::string* text = TextOf(set, c);
    return text != nullptr ? typed.at(Index(c)).For(*text) : 0;
}

char32_t ConfigDialogModel::FirstRefused() {
    for (std::size_t i = 0; i < kConfigControlCount; ++i) {
        if (const char32_t c = Refused(static_cast<ConfigControl>(i)); c != 0) return c;
    }
    return 0;
}

}  // namespace tagwright
