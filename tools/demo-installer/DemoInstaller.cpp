// A stand-in installer: records in its own folder that it ran, how it was started and
// what it could see of its environment, then exits. It has no window.
#include <windows.h>

#include <string>

#include "WinHandle.h"

namespace {

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, n);
    const size_t slash = text.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash);
}

std::wstring Variable(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    if (n == 0 || n >= 1024) return L"(absent)";
    return std::wstring(value, n);
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::wstring record = L"ran\r\ncmdline=" + std::wstring(GetCommandLineW()) + L"\r\n" +
                          L"TARNIX_LAUNCHER_ONLY=" + Variable(L"TARNIX_LAUNCHER_ONLY") + L"\r\n" +
                          L"USERNAME=" + Variable(L"USERNAME") + L"\r\n";
    const std::string bytes = ToUtf8(record);
    // Appended, so that a second start shows as a second record.
    UniqueHandle file(CreateFileW((OwnFolder() + L"\\demo-installer-ran.txt").c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ? 0 : 1;
}
