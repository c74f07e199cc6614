#pragma once
// The names of the stored parameter sets: 256 slots, the names in use packed
// from slot 0, every slot from count on empty. Names compare case-sensitively.

#include <array>
#include <string>
#include <string_view>

// Qt defines "slots" as a macro; the windows include this header after Qt's.
#pragma push_macro("slots")
#undef slots

namespace tagwright {

inline constexpr int kNameSlots = 256;

struct NameList {
    std::array<std::string, kNameSlots> slots{};
    int count = 0;

    // The first slot holding exactly this name, or -1. An empty name is never
    // found: empty slots are free, not names.
    int Find(std::string_view name) const;

    // The first empty slot, or -1 when all 256 hold names.
    int FirstEmpty() const;

    // True when the name is listed already or a slot is free for it.
    bool CanAdd(std::string_view name) const;

    // A listed name leaves the list as it is; a new one goes into the first
    // empty slot. Returns the name's slot, or -1 when there is no room.
    int Add(std::string_view name);

    // Empties the first slot with this name and closes the gap; count becomes
    // one past the last slot that holds a name, so that a hand-edited gap
    // hides nothing. A name not listed changes nothing.
    // Returns whether a slot was emptied.
    bool Remove(std::string_view name);
};

}  // namespace tagwright

#pragma pop_macro("slots")
