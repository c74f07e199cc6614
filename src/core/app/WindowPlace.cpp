#include "core/app/WindowPlace.h"

#include <charconv>
#include <optional>
#include <string>

namespace tagwright {

namespace {

std::optional<int> Number(const IniFile& file, const char* key) {
    const std::string text = file.Get(kWindowPlaceSection, key);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

WindowPlace LoadWindowPlace(const IniFile& file) {
    const auto left = Number(file, "Left");
    const auto top = Number(file, "Top");
    const auto width = Number(file, "Width");
    const auto height = Number(file, "Height");
    if (!left || !top || !width || !height || *width <= 0 || *height <= 0) return {};
    return {true, *left, *top, *width, *height};
}

void SaveWindowPlace(IniFile& file, const WindowPlace& place) {
    if (!place.known) return;
    file.Set(kWindowPlaceSection, "Left", std::to_string(place.left));
    file.Set(kWindowPlaceSection, "Top", std::to_string(place.top));
    file.Set(kWindowPlaceSection, "Width", std::to_string(place.width));
    file.Set(kWindowPlaceSection, "Height", std::to_string(place.height));
}

}  // namespace tagwright
