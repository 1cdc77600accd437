#include "Launch.h"

#include <userenv.h>

#include <vector>

#include "WinHandle.h"

namespace {

class EnvironmentBlock {
public:
    explicit EnvironmentBlock(HANDLE token) {
        if (!CreateEnvironmentBlock(&block_, token, FALSE)) block_ = nullptr;
    }
    ~EnvironmentBlock() {
        if (block_) DestroyEnvironmentBlock(block_);
    }
    EnvironmentBlock(const EnvironmentBlock&) = delete;
    EnvironmentBlock& operator=(const EnvironmentBlock&) = delete;
    void* Get() const { return block_; }

private:
    void* block_ = nullptr;
};

}  // namespace

HANDLE CreateIntegrityToken(DWORD rid) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, &raw)) return nullptr;
    UniqueHandle processToken(raw);

    HANDLE duplicate = nullptr;
    if (!DuplicateTokenEx(processToken.Get(), MAXIMUM_ALLOWED, nullptr, SecurityAnonymous, TokenPrimary,
                          &duplicate))
        return nullptr;

    SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
    // Room for a SID with one sub-authority, aligned for the SID structure.
    DWORD sidStorage[(SECURITY_MAX_SID_SIZE + sizeof(DWORD) - 1) / sizeof(DWORD)] = {};
    PSID sid = sidStorage;
    if (InitializeSid(sid, &authority, 1)) {
        *GetSidSubAuthority(sid, 0) = rid;
        TOKEN_MANDATORY_LABEL label = {};
        label.Label.Attributes = SE_GROUP_INTEGRITY;
        label.Label.Sid = sid;
        // A level that cannot be set leaves the duplicate at the level it inherited.
        SetTokenInformation(duplicate, TokenIntegrityLevel, &label,
                            static_cast<DWORD>(sizeof(label) + GetLengthSid(sid)));
    }
    return duplicate;
}

bool CreateProcessWithIntegrity(const std::wstring& path) {
    UniqueHandle token(CreateIntegrityToken(SECURITY_MANDATORY_HIGH_RID));
    if (!token) return false;
    EnvironmentBlock environment(token.Get());
    if (!environment.Get()) return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // The path goes in as the application name, so blanks in it are never parsed as arguments.
    BOOL created = CreateProcessAsUserW(token.Get(), path.c_str(), nullptr, nullptr, nullptr, FALSE,
                                        CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE,
                                        environment.Get(), nullptr, &startup, &process);
    UniqueHandle thread(process.hThread);
    UniqueHandle child(process.hProcess);
    return created != FALSE;
}
