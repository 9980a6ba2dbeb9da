#pragma once
// The self-updater's dealings with the main program: stopping it before its
// files are replaced, starting it again, and recording the update.

#include <cstdint>
#include <string>

namespace brightwick {

constexpr char kMainProgramName[] = "ZEMA.exe";

// Ends the program that owns the window `handle` (the main program's
// manager window): asks it to tear down, then terminates it after 1 s. A
// window of any other program, or none, is left alone.
void StopMainProgram(uintptr_t handle);

// Starts install folder\ZEMA.exe with `arguments` and does not wait.
void StartMainProgram(const std::string& installFolder, const std::string& arguments);

// Writes UpdateStartTime, UpdateEndTime and Version; failures are ignored.
void RecordUpdate(uint32_t startTime, const std::string& version);

// Seconds since 1970-01-01 UTC.
uint32_t SecondsSince1970();

}  // namespace brightwick
