#pragma once
// The named kernel objects that keep one Zema running and keep it away while
// the self-updater replaces its files.

#include <windows.h>

#include "win/unique_handle.h"

namespace zema {

constexpr char kInstanceMutexName[] = "Global\\ZEMAMutex";
constexpr char kUpdatingMutexName[] = "Global\\ZEMAUpdating";

// Creates the instance mutex with initial ownership. On return `alreadyRunning`
// tells whether another instance holds it (the mutex existed, or access to it
// was denied); the handle is kept either way until the caller drops it.
win::KernelHandle AcquireInstanceMutex(bool& alreadyRunning);

// True while the self-updater holds its mutex (it existed, or access to it
// was denied). The probe's own handle is closed at once.
bool IsUpdaterRunning();

// Asks the running instance's manager window to show the main window, when
// that window exists and belongs to this thread's desktop.
bool SignalFirstInstance(HWND window);

}  // namespace zema
