// Started by the launch test: writes what it was started with into "probe.txt"
// in its own folder, one fact a line, and moves it into place only when complete.
#include <windows.h>

#include <string>

#include "FileSystem.h"
#include "TextConv.h"
#include "WinHandle.h"

namespace {

std::string Variable(const wchar_t* name) {
    wchar_t value[1024];
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    if (n == 0 || n >= 1024) return "<unset>";
    return WideToUtf8(std::wstring(value, n));
}

std::string IntegrityRid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return "?";
    UniqueHandle token(raw);
    BYTE buffer[256];
    DWORD length = 0;
    if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, buffer, sizeof(buffer), &length)) return "?";
    auto* label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer);
    DWORD count = *GetSidSubAuthorityCount(label->Label.Sid);
    return std::to_string(*GetSidSubAuthority(label->Label.Sid, count - 1));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string record = WideToUtf8(GetCommandLineW()) + "\n" + Variable(L"TARNIX_LAUNCH_SECRET") + "\n" +
                         Variable(L"USERPROFILE") + "\n" + IntegrityRid() + "\n";
    std::string dir = GetModuleDir();
    std::wstring partial = Utf8ToWide(dir + "\\probe.part");
    {
        UniqueHandle file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return 1;
        DWORD written = 0;
        WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    }
    return MoveFileW(partial.c_str(), Utf8ToWide(dir + "\\probe.txt").c_str()) ? 0 : 1;
}
