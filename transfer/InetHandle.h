#pragma once
// An owning WinINet handle (session, connection or request): closed exactly once.
#include <windows.h>
#include <wininet.h>

#include "WinHandle.h"

using InetHandle = ScopedHandle<HINTERNET, InternetCloseHandle>;
