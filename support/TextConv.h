#pragma once
// Conversions between the UTF-8 texts used inside the program and the wide and
// ANSI texts of the platform. Null or unconvertible input gives an empty text.
#include <string>

std::wstring Utf8ToWide(const char* utf8);
inline std::wstring Utf8ToWide(const std::string& utf8) { return Utf8ToWide(utf8.c_str()); }
std::string WideToUtf8(const wchar_t* wide);
inline std::string WideToUtf8(const std::wstring& wide) { return WideToUtf8(wide.c_str()); }
// UTF-8 to the active ANSI code page; returns the input unchanged when a step yields nothing.
std::string Utf8ToAnsi(const char* utf8);
inline std::string Utf8ToAnsi(const std::string& utf8) { return Utf8ToAnsi(utf8.c_str()); }
