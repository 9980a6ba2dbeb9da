#pragma once
// Zema's code names the shared INI reader in its own namespace.

#include "win/ini_file.h"

namespace zema {
using win::IniFile;
using win::ParseLeadingInt64;
}  // namespace zema
