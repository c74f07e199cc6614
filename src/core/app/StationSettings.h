#pragma once
// The station settings file: the operator's port, mode, page and carrier ID
// settings and the list of parameter-set names, carried from one run to the
// next. Read once at start-up, written once at shutdown.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/app/RoleSettings.h"
#include "core/app/ShiftSettings.h"
#include "core/app/WindowPlace.h"
#include "core/base/IniFile.h"
#include "core/config/NameList.h"
#include "core/production/JournalOpen.h"
#include "core/production/MqttSettings.h"
#include "core/reader/PortSettings.h"
#include "core/domain/TransponderImage.h"

namespace tagwright {

// The texts of the manual carrier ID fields, kept as typed.
struct ManualCarrierIdTexts {
    std::string carrierIdOffset;
    std::string carrierIdLength;
    std::string carrierId;
    Refusal carrierIdRefusal;  // the Carrier ID field as typed, when no byte holds it
    Refusal offsetRefusal;     // and so the Offset and Length fields
    Refusal lengthRefusal;
};

struct StationSettings {
    PortSettings port;
    int selectConfig = 0;  // 1 = automatic mode
    std::string currentSetName;
    NameList names;
    std::string carrierIdMax;  // text of the "max" field
    Refusal carrierIdMaxRefusal;
    ManualCarrierIdTexts manual;
    WindowPlace place;  // the main window's, from the last run
    // [Journal] Connection: read only, never written, so the file keeps it
    // exactly as the line engineer typed it.
    JournalChoice journal;
    // [Roles]: read only here; setting the PIN writes it on its own.
    RoleSettings roles;
    MqttSettings mqtt;  // [MQTT]: read only, as [Journal] is
    ShiftSettings shifts;  // [Shifts]: read only, as [Journal]
};

// Port parameters are stored as texts. Reading looks for the first known text
// the value contains (case-sensitive), so "1.5" and "2" are found inside longer
// values; anything else gives code 0.
std::int32_t StopBitsCodeFromText(std::string_view text);
std::int32_t ParityCodeFromText(std::string_view text);
std::int32_t FlowControlCodeFromText(std::string_view text);
std::string StopBitsText(std::int32_t code);
std::string ParityText(std::int32_t code);
std::string FlowControlText(std::int32_t code);

// Fills the settings, the name list and the image from the file's keys, then
// derives both page forms from the stored field texts. Missing keys read as
// empty.
void LoadStationSettings(const IniFile& file, StationSettings& settings, TransponderImage& image);

// Writes every setting into the document. Names beyond the count that are
// still in the document are emptied (up to the first empty one); keys are
// never removed. The page default texts are never written: they are edited
// by hand.
void SaveStationSettings(IniFile& file, const StationSettings& settings,
                         const TransponderImage& image);


// setDirectory / "Tagwright.ini".
std::filesystem::path SettingsFilePath(const std::filesystem::path& setDirectory);

// Reads the settings file of setDirectory; a missing file gives the defaults.
void LoadStationSettingsFile(const std::filesystem::path& setDirectory,
                             StationSettings& settings, TransponderImage& image);

// Writes the settings into the settings file of setDirectory, keeping whatever
// else the file holds (default texts, comments, other sections). The file is
// replaced atomically; on failure returns false with *error set and the old
// file untouched.
bool SaveStationSettingsFile(const std::filesystem::path& setDirectory,
                             const StationSettings& settings, const TransponderImage& image,
                             std::string* error = nullptr);

}  // namespace tagwright
