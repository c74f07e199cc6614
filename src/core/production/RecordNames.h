#pragma once
// The names around the record file: the next file when one is full, and a
// name stamped with the time.

#include <string>

#include "core/base/Clock.h"

namespace tagwright {

// The file to go on with when this one is full: rec_1.xml gives rec_2.xml,
// rec.xml gives rec_1.xml. Only the file name is looked at.
std::string NextRecordFileName(const std::string& path);
// rec.xml at 2026-12-05 04:55:56 gives rec_261205045556.xml. The copy made
// for a longer count no longer uses it: a name known in advance can be
// planted, and it grows with the file's name.
std::string TimestampedName(const std::string& path, const LocalTime& now);

}  // namespace tagwright
