#pragma once
// Thread messages posted to the engine's pump; the object in wParam belongs to the pump.
#include <windows.h>

constexpr UINT WM_TASK_RESULT = WM_USER + 102;      // CTaskResult*, lParam: bytes to add
constexpr UINT WM_TASK_ADD = WM_USER + 103;         // CDownloadTask*
constexpr UINT WM_BREAKPOINT_ADD = WM_USER + 104;   // BreakpointEntry*
constexpr UINT WM_TRANSFER_FAILED = WM_USER + 105;  // no parameters
static_assert(WM_TASK_RESULT == 1126 && WM_TRANSFER_FAILED == 1129, "engine message ids");
