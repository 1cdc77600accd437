#pragma once
// Starting the installer with a duplicate of our token labelled with an integrity level.
#include <windows.h>

#include <string>

// A primary token owned by the caller, or null.
HANDLE CreateIntegrityToken(DWORD rid);
// Starts path (no arguments) at High integrity with the user's default environment.
bool CreateProcessWithIntegrity(const std::wstring& path);
