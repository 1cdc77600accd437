#pragma once
// Helpers every test layer shares: file bytes, the environment the test fixtures set,
// unique names, and pumping the test thread's messages.
#include <windows.h>

#include <functional>
#include <string>

// Whole-file helpers on UTF-8 paths; ReadBytes gives empty text when the file cannot be read.
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to);
// Deletes a folder with everything in it, read-only files too.
void DeleteTree(const std::string& path);
// Present in any form (the program's own presence rule lives in FileExists).
bool PathIsThere(const std::string& path);

std::string GetEnv(const char* name);
// The folder of the running test program (UTF-8, no trailing backslash).
std::string TestProgramFolder();
// Unique within the machine's run: the services' folders outlive a test.
std::string UniqueId(const char* what);
// Bytes with no repeat inside 4096, so a misplaced piece shows.
std::string Pattern(size_t size);

// The local service the test fixture started: a URL on it, and a path in its folder
// (TARNIX_SERVICE_ROOT) relative to that folder.
std::string ServiceUrl(const std::string& pathAndQuery);
std::string ServicePath(const std::string& relative);

// Dispatches this thread's messages until done() holds or timeoutMs pass; returns done().
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A message-only window set as the process's event window while it lives; hands every
// WM_DOWNLOAD_EVENT to the handler, which owns the progress records it receives. Events
// still queued when it is destroyed go to the handler too, so none leaks.
class EventWindow {
public:
    using Handler = std::function<void(WPARAM code, LPARAM param)>;
    explicit EventWindow(Handler handler);
    ~EventWindow();
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    HWND Get() const { return window_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    HWND window_ = nullptr;
};
