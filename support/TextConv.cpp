#include "TextConv.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring MultiToWide(UINT codePage, const char* text) {
    int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, 0, text, -1, buffer.data(), n) <= 0) return std::wstring();
    return std::wstring(buffer.data());
}

std::string WideToMulti(UINT codePage, const wchar_t* text) {
    int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(n), '\0');
    if (WideCharToMultiByte(codePage, 0, text, -1, buffer.data(), n, nullptr, nullptr) <= 0)
        return std::string();
    return std::string(buffer.data());
}

}  // namespace

std::wstring Utf8ToWide(const char* utf8) {
    if (!utf8) return std::wstring();
    return MultiToWide(CP_UTF8, utf8);
}

std::string WideToUtf8(const wchar_t* wide) {
    if (!wide) return std::string();
    return WideToMulti(CP_UTF8, wide);
}

std::string Utf8ToAnsi(const char* utf8) {
    if (!utf8) return std::string();
    std::wstring wide = MultiToWide(CP_UTF8, utf8);
    if (wide.empty()) return std::string(utf8);
    std::string ansi = WideToMulti(CP_ACP, wide.c_str());
    if (ansi.empty()) return std::string(utf8);
    return ansi;
}
