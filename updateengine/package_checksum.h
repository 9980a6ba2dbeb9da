#pragma once
// FileChecksum of a package: the first 8 bytes of the MD5 digest of its
// content as 16 upper-case hexadecimal digits, high digit first.

#include <windows.h>

#include <string>

namespace updateengine {

// Reads the file from its current position to its end.
HRESULT ComputeFileChecksum(HANDLE file, std::wstring& checksum);

}  // namespace updateengine
