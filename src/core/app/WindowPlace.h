#pragma once
// Where the main window stood and how large it was, kept in the station
// settings file in a section of its own, so the window comes back where the
// operator left it.

#include "core/base/IniFile.h"

namespace tagwright {

inline constexpr const char* kWindowPlaceSection = "Window";

struct WindowPlace {
    bool known = false;  // false: the file has none; the desktop places the window
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// A place with a missing, non-numeric or non-positive size is not known.
WindowPlace LoadWindowPlace(const IniFile& file);
// Writes a known place; an unknown one leaves the file as it is.
void SaveWindowPlace(IniFile& file, const WindowPlace& place);

}  // namespace tagwright
