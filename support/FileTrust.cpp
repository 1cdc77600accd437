#include "FileTrust.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>
#include <mscat.h>

#include <cstddef>
#include <vector>

#include "TextConv.h"
#include "WinHandle.h"

namespace {

// The request records are passed in the forms without their later members
// (signature settings, administrator context), which every Windows version accepts.
#if defined(_M_IX86) || defined(__i386__)
static_assert(sizeof(WINTRUST_DATA) == 48, "WINTRUST_DATA without pSignatureSettings");
static_assert(sizeof(WINTRUST_CATALOG_INFO) == 36, "WINTRUST_CATALOG_INFO without hCatAdmin");
static_assert(sizeof(WINTRUST_FILE_INFO) == 16, "WINTRUST_FILE_INFO");
#endif

class CatAdmin {
public:
    CatAdmin() {
        if (!CryptCATAdminAcquireContext(&admin_, nullptr, 0)) admin_ = nullptr;
    }
    ~CatAdmin() {
        if (admin_) CryptCATAdminReleaseContext(admin_, 0);
    }
    CatAdmin(const CatAdmin&) = delete;
    CatAdmin& operator=(const CatAdmin&) = delete;
    HCATADMIN Get() const { return admin_; }

private:
    HCATADMIN admin_ = nullptr;
};

class CatInfo {
public:
    CatInfo(HCATADMIN admin, HCATINFO info) : admin_(admin), info_(info) {}
    ~CatInfo() {
        if (info_) CryptCATAdminReleaseCatalogContext(admin_, info_, 0);
    }
    CatInfo(const CatInfo&) = delete;
    CatInfo& operator=(const CatInfo&) = delete;
    HCATINFO Get() const { return info_; }

private:
    HCATADMIN admin_;
    HCATINFO info_;
};

std::wstring UpperHex(const BYTE* bytes, DWORD length) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(length * 2);
    for (DWORD i = 0; i < length; ++i) {
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 15]);
    }
    return text;
}

}  // namespace

bool IsFileTrusted(const std::string& path) {
    CatAdmin admin;
    if (!admin.Get()) return false;

    std::wstring widePath = Utf8ToWide(path);
    BYTE hash[100] = {};
    DWORD hashLength = sizeof(hash);
    bool hashed;
    {
        UniqueHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        if (!file) return false;
        hashed = CryptCATAdminCalcHashFromFileHandle(file.Get(), &hashLength, hash, 0) != FALSE;
    }
    // Without a hash there is nothing to look up; an unchecked length could also exceed the buffer.
    if (!hashed || hashLength > sizeof(hash)) hashLength = 0;

    std::wstring memberTag = UpperHex(hash, hashLength);
    CatInfo catalog(admin.Get(),
                    hashLength ? CryptCATAdminEnumCatalogFromHash(admin.Get(), hash, hashLength, 0, nullptr)
                               : nullptr);

    WINTRUST_FILE_INFO fileInfo = {};
    WINTRUST_CATALOG_INFO catalogInfo = {};
    CATALOG_INFO catalogFile = {};
    WINTRUST_DATA request = {};
    request.cbStruct = sizeof(request);
    request.dwUIChoice = WTD_UI_NONE;
    request.dwStateAction = WTD_STATEACTION_IGNORE;
    if (catalog.Get()) {
        catalogFile.cbStruct = sizeof(catalogFile);
        CryptCATCatalogInfoFromContext(catalog.Get(), &catalogFile, 0);
        catalogInfo.cbStruct = sizeof(catalogInfo);
        catalogInfo.dwCatalogVersion = 0;
        catalogInfo.pcwszCatalogFilePath = catalogFile.wszCatalogFile;
        catalogInfo.pcwszMemberTag = memberTag.c_str();
        catalogInfo.pcwszMemberFilePath = widePath.c_str();
        request.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
        request.dwUnionChoice = WTD_CHOICE_CATALOG;
        request.pCatalog = &catalogInfo;
        request.dwProvFlags = 0;
    } else {
        fileInfo.cbStruct = sizeof(fileInfo);
        fileInfo.pcwszFilePath = widePath.c_str();
        request.fdwRevocationChecks = WTD_REVOKE_NONE;
        request.dwUnionChoice = WTD_CHOICE_FILE;
        request.pFile = &fileInfo;
        request.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    }

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG status = WinVerifyTrust(nullptr, &action, &request);
    return status >= 0;
}

bool ReadFileVersion(const std::string& path, AppVersion& version) {
    std::wstring widePath = Utf8ToWide(path);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(widePath.c_str(), 0, size, block.data())) return false;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", &value, &length) || !value ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    version.major = HIWORD(info->dwProductVersionMS);
    version.minor = LOWORD(info->dwProductVersionMS);
    version.build = HIWORD(info->dwProductVersionLS);
    version.revision = LOWORD(info->dwProductVersionLS);
    return true;
}
