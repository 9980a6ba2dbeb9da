#pragma once
// Program-wide message numbers, menu commands and timers of Zema. The first
// three messages are also sent from outside the program and never change.

#include <windows.h>

namespace zema {

constexpr UINT kMsgShowMainWindow = WM_USER + 2822;  // 3846
constexpr UINT kMsgTrayCallback = WM_USER + 2823;    // 3847
constexpr UINT kMsgRepairNow = WM_USER + 2824;       // 3848
constexpr UINT kMsgScanFinished = WM_USER + 2049;    // 3073, scan thread -> session

constexpr UINT kCmdExit = 32773;
constexpr UINT kCmdOptions = 32774;
constexpr UINT kCmdShowMainWindow = 32775;
constexpr UINT kCmdAbout = 32777;
constexpr UINT kCmdCheckNewVersion = 32784;

constexpr UINT_PTR kTimerTrayAnimation = 2;
constexpr UINT_PTR kTimerVersionCheck = 3;
constexpr UINT_PTR kTimerTrayRetry = 4;
constexpr UINT_PTR kTimerDelayedScan = 5;

constexpr UINT kTrayAnimationMs = 200;
constexpr UINT kVersionCheckDelayMs = 60000;
constexpr UINT kTrayRetryMs = 5000;
constexpr UINT kDelayedScanMs = 180000;

}  // namespace zema
