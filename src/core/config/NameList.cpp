#include "core/config/NameList.h"

#include <algorithm>

namespace tagwright {

int NameList::Find(std::string_view name) const {
    if (name.empty()) return -1;
    for (int i = 0; i < kNameSlots; ++i) {
        if (slots[static_cast<std::size_t>(i)] == name) return i;
    }
    return -1;
}

int NameList::FirstEmpty() const {
    for (int i = 0; i < kNameSlots; ++i) {
        if (slots[static_cast<std::size_t>(i)].empty()) return i;
    }
    return -1;
}

bool NameList::CanAdd(std::string_view name) const {
    return Find(name) >= 0 || FirstEmpty() >= 0;
}

int NameList::Add(std::string_view name) {
    if (int listed = Find(name); listed >= 0) return listed;
    int slot = FirstEmpty();
    if (slot < 0) return -1;
    slots[static_cast<std::size_t>(slot)] = std::string(name);
    // A hand-edited settings file can leave an empty slot below count; filling
    // it must not drop the names listed above it.
    count = std::max(count, slot + 1);
    return slot;
}

bool NameList::Remove(std::string_view name) {
    int slot = Find(name);
    if (slot < 0) return false;
    auto it = slots.begin() + slot;
    std::move(it + 1, slots.end(), it);
    slots.back().clear();
    // A hand-edited list can hold a gap; the names after it stay listed.
    const auto last = std::find_if(slots.rbegin(), slots.rend(),
                                   [](const std::string& s) { return !s.empty(); });
    count = static_cast<int>(slots.rend() - last);
    return true;
}

}  // namespace tagwright
