#include "TestFiles.h"

#include <vector>

#include "WinHandle.h"

ScratchDir::ScratchDir() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base(temp, n);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    static LONG counter = 0;
    // "测试 目录" = "test folder"
    std::wstring dir = base + L"\\\u6d4b\u8bd5 \u76ee\u5f55 " + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(InterlockedIncrement(&counter));
    DeleteTree(WideToUtf8(dir));
    CreateDirectoryW(dir.c_str(), nullptr);
    path_ = WideToUtf8(dir);
}

ScratchDir::~ScratchDir() { DeleteTree(path_); }

