#pragma once
// Small stateless helpers shared across Zema: boot time, stored-password
// protection, Base64, and display formatting of sizes and dates.

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/protected_text.h"

namespace zema {

// The kernel's boot time in 100-ns units, or 0 when it cannot be obtained.
int64_t QueryBootTime();

std::string Base64Encode(const uint8_t* data, size_t length);
// Skips leading blanks and tabs and stops at the first character outside the
// alphabet.
std::vector<uint8_t> Base64Decode(const std::string& text);

// Stored passwords: the protection shared with the self-updater.
using win::DecryptBytes;
using win::EncryptBytes;
using win::ProtectText;
using win::UnprotectText;

// 999 -> "999", 1000 -> "0.98 KB", 10240 -> "10.0 KB", 1024000 -> "0.98 MB".
std::string FormatSize(int32_t bytes);
// Seconds since 1970 as a local date "%m/%d/%Y"; empty when not convertible.
std::string FormatTime(int32_t secondsSince1970);
// A COM date as "month/day/year" without leading zeros; empty when invalid.
std::string FormatDate(DATE date);

// Waits for a thread to end while this thread's windows keep working. A quit
// request that arrives meanwhile stops the dispatching and is posted again
// afterwards, so the caller's message loop still ends. Returns the thread's
// exit code.
DWORD WaitForThreadDispatching(HANDLE thread);

// Whether the system animates minimising and restoring windows.
bool IsWindowAnimationEnabled();
// Sends an application-bar message with a zeroed, correctly sized request;
// the request (taskbar edge, rectangle) comes back in `data` when given.
UINT_PTR QueryTaskbar(DWORD message, APPBARDATA* data = nullptr);

}  // namespace zema
