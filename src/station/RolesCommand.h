#pragma once
// tagwright-station roles set-pin: the engineer PIN, read without echo,
// kept in the settings file as its hash.

#include <atomic>

namespace tagwright::station {

int RunRolesSetPin(const std::atomic<bool>& stop);

}  // namespace tagwright::station
