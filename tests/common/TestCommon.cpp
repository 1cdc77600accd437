#include "TestCommon.h"

#include <vector>

#include "DownloadEvents.h"
#include "TextConv.h"
#include "WinHandle.h"

bool WriteBytes(const std::string& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadBytes(const std::string& path) {
    UniqueHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), FALSE) != FALSE;
}

void DeleteTree(const std::string& path) {
    const std::wstring dir = Utf8ToWide(path);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(WideToUtf8(full));
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(dir.c_str());
}

bool PathIsThere(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string GetEnv(const char* name) {
    const std::wstring wide = Utf8ToWide(name);
    const DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) return std::string();
    std::vector<wchar_t> value(size);
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), value.data(), size);
    return n < size ? WideToUtf8(std::wstring(value.data(), n)) : std::string();
}

std::string TestProgramFolder() {
    std::vector<wchar_t> path(32768);
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring full(path.data(), n);
    const size_t slash = full.find_last_of(L'\\');
    return WideToUtf8(slash == std::wstring::npos ? std::wstring() : full.substr(0, slash));
}

std::string UniqueId(const char* what) {
    static LONG serial = 0;
    return std::string(what) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(InterlockedIncrement(&serial));
}

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7) ^ (i >> 12) ^ (i >> 20));
    return s;
}

std::string ServiceUrl(const std::string& pathAndQuery) {
    return "http://127.0.0.1:" + GetEnv("TARNIX_SERVICE_PORT") + pathAndQuery;
}

std::string ServicePath(const std::string& relative) { return GetEnv("TARNIX_SERVICE_ROOT") + "\\" + relative; }

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD wait = timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

EventWindow::EventWindow(Handler handler) : handler_(std::move(handler)) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &EventWindow::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TarnixTestEvents";
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetEventWindow(window_);
}

EventWindow::~EventWindow() {
    SetEventWindow(nullptr);
    MSG message;
    while (PeekMessageW(&message, window_, WM_DOWNLOAD_EVENT, WM_DOWNLOAD_EVENT, PM_REMOVE)) {
        handler_(message.wParam, message.lParam);
    }
    DestroyWindow(window_);
}

LRESULT CALLBACK EventWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<EventWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_DOWNLOAD_EVENT || self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    self->handler_(wParam, lParam);
    return 0;
}
