#pragma once
// reboot.xml: the records whose installation waits for a reboot, kept across
// runs of Zema.

#include <string>

#include "zema/core/update_record.h"

namespace zema {

// Writes a new document holding only the records in InstalledNeedsReboot,
// replacing the file. False when the document cannot be built or written.
bool SaveUpdateList(const std::string& path, const UpdateList& list);

// Appends the records read from the file. A file that is missing, empty or
// not well-formed leaves the list as it was and returns false. Records
// without a valid ID or a known status, and records whose ID the list
// already holds, are not read; other missing values keep their defaults.
bool LoadUpdateList(const std::string& path, UpdateList& list);

}  // namespace zema
