#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <vector>

#include "FileSystem.h"
#include "Launch.h"
#include "TestFiles.h"
#include "TextConv.h"
#include "WinHandle.h"

namespace {

DWORD IntegrityRidOf(HANDLE token) {
    BYTE buffer[256];
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof(buffer), &length)) return 0;
    auto* label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer);
    return *GetSidSubAuthority(label->Label.Sid, *GetSidSubAuthorityCount(label->Label.Sid) - 1);
}

bool RunningOnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

DWORD HandleCount() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

// Polls for the file the probe writes last; the probe may take a few seconds under Wine.
std::string WaitForFile(const std::string& path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return ReadBytes(path);
        Sleep(100);
    }
    return std::string();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(CreateIntegrityToken, LabelsAPrimaryDuplicate) {
    // Lowering the level is always allowed, so Medium shows that the label is applied.
    // Wine accepts the call but keeps every token at High.
    std::vector<DWORD> rids = {SECURITY_MANDATORY_HIGH_RID};
    if (!RunningOnWine()) rids.push_back(SECURITY_MANDATORY_MEDIUM_RID);
    for (DWORD rid : rids) {
        UniqueHandle token(CreateIntegrityToken(rid));
        ASSERT_TRUE(token) << rid;
        TOKEN_TYPE type = TokenImpersonation;
        DWORD length = 0;
        ASSERT_TRUE(GetTokenInformation(token.Get(), TokenType, &type, sizeof(type), &length));
        EXPECT_EQ(type, TokenPrimary);
        EXPECT_EQ(IntegrityRidOf(token.Get()), rid);
    }
}

TEST(CreateProcessWithIntegrity, StartsTheFileNamedByAPathWithBlanks) {
    ScratchDir scratch;
    // "安装 程序" = "setup program": blanks and Chinese in both folder and file name.
    std::string dir = scratch.Join("\xE5\xAE\x89\xE8\xA3\x85 dir");
    ASSERT_TRUE(MakeDir(dir));
    std::string program = dir + "\\\xE5\xAE\x89\xE8\xA3\x85 \xE7\xA8\x8B\xE5\xBA\x8F.exe";
    ASSERT_TRUE(CopyFileTo(GetModuleDir() + "\\launch_probe.exe", program));
    // A decoy where a blank-splitting launcher would look first.
    ASSERT_TRUE(CopyFileTo(GetModuleDir() + "\\plain_app.exe", scratch.Join("\xE5\xAE\x89\xE8\xA3\x85.exe")));

    ASSERT_TRUE(SetEnvironmentVariableW(L"TARNIX_LAUNCH_SECRET", L"only-in-the-launcher"));
    bool started = CreateProcessWithIntegrity(Utf8ToWide(program));
    SetEnvironmentVariableW(L"TARNIX_LAUNCH_SECRET", nullptr);
    ASSERT_TRUE(started);

    std::vector<std::string> record = Lines(WaitForFile(dir + "\\probe.txt", 30000));
    ASSERT_EQ(record.size(), 4u) << "the probe did not report";
    std::string commandLine = record[0];
    if (commandLine.size() >= 2 && commandLine.front() == '"' && commandLine.back() == '"')
        commandLine = commandLine.substr(1, commandLine.size() - 2);
    EXPECT_EQ(commandLine, program) << "no arguments, the path itself";
    EXPECT_EQ(record[1], "<unset>") << "the launcher's own variables must not leak";
    EXPECT_NE(record[2], "<unset>") << "the user's default environment is there";
    EXPECT_EQ(record[3], std::to_string(SECURITY_MANDATORY_HIGH_RID));
}

TEST(CreateProcessWithIntegrity, MissingFileFailsWithoutLeakingHandles) {
    ScratchDir scratch;
    std::wstring missing = Utf8ToWide(scratch.Join("missing setup.exe"));
    EXPECT_FALSE(CreateProcessWithIntegrity(missing));  // warms up anything loaded once
    DWORD before = HandleCount();
    EXPECT_FALSE(CreateProcessWithIntegrity(missing));
    if (before == 0) GTEST_SKIP() << "no handle count here (Wine answers 0)";
    EXPECT_EQ(HandleCount(), before);
}
