#include "core/app/StationSettings.h"

#include <algorithm>

#include "core/base/CText.h"

namespace tagwright {

namespace {

constexpr std::string_view kInterface = "Interface";
constexpr std::string_view kAuto = "Auto";
constexpr std::string_view kData = "Data";
constexpr std::string_view kManual = "Manual";
constexpr std::string_view kJournal = "Journal";

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string Numbered(std::string_view prefix, int n, std::string_view suffix = {}) {
    std::string key(prefix);
    key += FormatInt(n);
    key += suffix;
    return key;
}

std::string NameKey(int slot) { return Numbered("Pruefablauf_", slot); }
std::string SelectKey(int page) { return Numbered("SelectP", page); }
std::string PageKey(int page) { return Numbered("P", page); }
std::string DefaultKey(int page) { return Numbered("P", page, "Default"); }

const char* Flag(bool on) { return on ? "1" : "0"; }

// A field that holds a character no byte stands for is written as typed, in
// UTF-8, under a key that says so: the file loses nothing, and the next start
// shows the field as it was left (and refuses it as before).
std::string Utf8Key(std::string_view key) { return std::string(key) + " UTF-8"; }

void SaveTyped(IniFile& file, std::string_view section, std::string_view key,
               const std::string& bytes, const Refusal& refusal) {
    const std::string* typed = refusal.TypedFor(bytes);
    file.Set(section, key, IniTextValue(typed != nullptr ? *typed : bytes));
    if (typed != nullptr) {
        file.Set(section, Utf8Key(key), "1");
    } else if (!file.Get(section, Utf8Key(key)).empty()) {
        file.Set(section, Utf8Key(key), "");
    }
}

Refusal LoadTyped(const IniFile& file, std::string_view section, std::string_view key,
                  std::string& bytes) {
    std::string value = file.Get(section, key);
    if (file.Get(section, Utf8Key(key)) == "1") return TakeTyped(value, bytes);
    bytes = std::move(value);
    return {};
}

}  // namespace


std::int32_t StopBitsCodeFromText(std::string_view text) {
    if (Contains(text, "2")) return 2;
    if (Contains(text, "1.5")) return 1;
    return 0;
}

std::int32_t ParityCodeFromText(std::string_view text) {
    if (Contains(text, "Even")) return 2;
    if (Contains(text, "Mark")) return 3;
    if (Contains(text, "Odd")) return 1;
    if (Contains(text, "Space")) return 4;
    return 0;
}

std::int32_t FlowControlCodeFromText(std::string_view text) {
    if (Contains(text, "Xon / Xoff")) return 1;
    if (Contains(text, "Hardware")) return 2;
    return 0;
}

std::string StopBitsText(std::int32_t code) {
    switch (code) {
    case 1: return "1.5";
    case 2: return "2";
    default: return "1";
    }
}

std::string ParityText(std::int32_t code) {
    switch (code) {
    case 1: return "Odd";
    case 2: return "Even";
    case 3: return "Mark";
    case 4: return "Space";
    default: return "None";
    }
}

std::string FlowControlText(std::int32_t code) {
    switch (code) {
    case 1: return "Xon / Xoff";
    case 2: return "Hardware";
    default: return "No";
    }
}

void LoadStationSettings(const IniFile& file, StationSettings& settings, TransponderImage& image) {
    settings.place = LoadWindowPlace(file);
    PortSettings& port = settings.port;
    port.portName = file.Get(kInterface, "port");
    port.baudRate = Atol(file.Get(kInterface, "Baudrate"));
    port.dataBits = Atol(file.Get(kInterface, "Databits"));
    port.stopBitsCode = StopBitsCodeFromText(file.Get(kInterface, "Stopbits"));
    port.parityCode = ParityCodeFromText(file.Get(kInterface, "Parity"));
    port.flowControlCode = FlowControlCodeFromText(file.Get(kInterface, "Flowcontrol"));

    settings.selectConfig = Atol(file.Get(kAuto, "SelectConfig"));
    settings.currentSetName = file.Get(kAuto, "Pruefablauf_ist");
    // The list has 256 slots whatever a hand-edited count claims.
    const int count = std::clamp<std::int32_t>(Atol(file.Get(kAuto, "Pruefablaeufe")), 0,
                                               kNameSlots);
    settings.names = NameList{};
    settings.names.count = count;
    for (int i = 0; i < count; ++i) {
        settings.names.slots[static_cast<std::size_t>(i)] = file.Get(kAuto, NameKey(i));
    }
    settings.carrierIdMaxRefusal = LoadTyped(file, kAuto, "Carrier ID Max", settings.carrierIdMax);

    image.selectAll = file.Get(kData, "SelectAll") == "1" ? 1 : 0;
    for (int p = 1; p <= kPageCount; ++p) {
        image.selected[static_cast<std::size_t>(p - 1)] = file.Get(kData, SelectKey(p)) == "1";
    }
    image.format = file.Get(kData, "Format") == "1" ? PageFormat::Ascii : PageFormat::Hex;
    for (int p = 1; p <= kPageCount; ++p) {
        image.refusals[static_cast<std::size_t>(p - 1)] =
            LoadTyped(file, kData, PageKey(p), image.FieldText(p));
    }
    for (int p = 1; p <= kPageCount; ++p) {
        image.defaultText[static_cast<std::size_t>(p - 1)] = file.Get(kData, DefaultKey(p));
    }
    image.DeriveFormsFromFieldTexts();

    ManualCarrierIdTexts& manual = settings.manual;
    manual.offsetRefusal = LoadTyped(file, kManual, "Carrier ID Offset", manual.carrierIdOffset);
    manual.lengthRefusal = LoadTyped(file, kManual, "Carrier ID Length", manual.carrierIdLength);
    manual.carrierIdRefusal = LoadTyped(file, kManual, "Carrier ID", manual.carrierId);
    settings.journal.connection = file.Get(kJournal, "Connection");
    LoadRoleSettings(file, settings.roles);
    settings.mqtt = LoadMqttSettings(file);
    LoadShiftSettings(file, settings.shifts);
}

void SaveStationSettings(IniFile& file, const StationSettings& settings,
                         const TransponderImage& image) {
    const PortSettings& port = settings.port;
    file.Set(kInterface, "port", IniTextValue(port.portName));
    file.Set(kInterface, "baudrate", FormatInt(port.baudRate));
    file.Set(kInterface, "databits", FormatInt(port.dataBits));
    file.Set(kInterface, "stopbits", StopBitsText(port.stopBitsCode));
    file.Set(kInterface, "parity", ParityText(port.parityCode));
    file.Set(kInterface, "Flowcontrol", FlowControlText(port.flowControlCode));

    file.Set(kAuto, "SelectConfig", Flag(settings.selectConfig == 1));
    file.Set(kAuto, "Pruefablauf_ist", IniTextValue(settings.currentSetName));
    const int count = std::clamp(settings.names.count, 0, kNameSlots);
    file.Set(kAuto, "Pruefablaeufe", FormatInt(count));
    for (int i = 0; i < count; ++i) {
        const std::string& name = settings.names.slots[static_cast<std::size_t>(i)];
        file.Set(kAuto, NameKey(i), IniTextValue(name));
    }
    // Names left over from a longer list are emptied, not removed, so that the
    // file lists only the names in use.
    for (int i = count; i < kNameSlots; ++i) {
        const std::string key = NameKey(i);
        if (file.Get(kAuto, key).empty()) break;
        file.Set(kAuto, key, "");
    }
    SaveTyped(file, kAuto, "Carrier ID Max", settings.carrierIdMax, settings.carrierIdMaxRefusal);

    file.Set(kData, "SelectAll", Flag(image.selectAll != 0));
    for (int p = 1; p <= kPageCount; ++p) {
        file.Set(kData, SelectKey(p), Flag(image.selected[static_cast<std::size_t>(p - 1)] != 0));
    }
    file.Set(kData, "Format", FormatInt(image.format == PageFormat::Ascii ? 1 : 0));
    // Exactly as the fields hold them, valid or not.
    for (int p = 1; p <= kPageCount; ++p) {
        SaveTyped(file, kData, PageKey(p), image.FieldText(p),
                  image.refusals[static_cast<std::size_t>(p - 1)]);
    }

    const ManualCarrierIdTexts& manual = settings.manual;
    SaveTyped(file, kManual, "Carrier ID Offset", manual.carrierIdOffset, manual.offsetRefusal);
    SaveTyped(file, kManual, "Carrier ID Length", manual.carrierIdLength, manual.lengthRefusal);
    SaveTyped(file, kManual, "Carrier ID", manual.carrierId, manual.carrierIdRefusal);
    SaveWindowPlace(file, settings.place);
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& setDirectory) {
    return setDirectory / "Tagwright.ini";
}

void LoadStationSettingsFile(const std::filesystem::path& setDirectory,
                             StationSettings& settings, TransponderImage& image) {
    LoadStationSettings(IniFile::Load(SettingsFilePath(setDirectory)), settings, image);
}

bool SaveStationSettingsFile(const std::filesystem::path& setDirectory,
                             const StationSettings& settings, const TransponderImage& image,
                             std::string* error) {
    const std::filesystem::path path = SettingsFilePath(setDirectory);
    IniFile file = IniFile::Load(path);
    SaveStationSettings(file, settings, image);
    return file.Save(path, error);
}

}  // namespace tagwright
