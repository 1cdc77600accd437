#include <gtest/gtest.h>

#include "FileSystem.h"
#include "FileTrust.h"
#include "TestFiles.h"

// The programs these tests read are built beside the test program:
// versioned_app.exe has product version 3.5.0.1 and file version 9.8.7.6,
// versioned_app_signed.exe is the same file signed with the build's throwaway
// certificate, plain_app.exe has neither a version resource nor a signature.
// Wine accepts a valid signature whatever its root; Windows would also need
// the certificate among the trusted roots.
namespace {

std::string Beside(const char* name) { return GetModuleDir() + "\\" + name; }

}  // namespace

TEST(IsFileTrusted, Cases) {
    ScratchDir scratch;
    std::string signedCopy = scratch.Join("\xE5\xAE\x89\xE8\xA3\x85 setup.exe");  // "安装" = "install"
    ASSERT_TRUE(CopyFileTo(Beside("versioned_app_signed.exe"), signedCopy));

    std::string broken = scratch.Join("broken.exe");
    std::string bytes = ReadBytes(signedCopy);
    ASSERT_GT(bytes.size(), 4096u);
    bytes[bytes.size() / 4] ^= 0x01;  // inside the code, far from the signature at the end
    ASSERT_TRUE(WriteBytes(broken, bytes));

    struct {
        const char* what;
        std::string path;
        bool trusted;
    } cases[] = {
        {"signed", Beside("versioned_app_signed.exe"), true},
        {"signed, non-ASCII path", signedCopy, true},
        {"one changed byte", broken, false},
        {"unsigned", Beside("versioned_app.exe"), false},
        {"unsigned, no version", Beside("plain_app.exe"), false},
        {"missing", scratch.Join("missing.exe"), false},
        {"empty path", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsFileTrusted(c.path), c.trusted) << c.what;
}

TEST(ReadFileVersion, ProductNotFileVersion) {
    AppVersion version;
    ASSERT_TRUE(ReadFileVersion(Beside("versioned_app_signed.exe"), version));
    EXPECT_EQ(version.ToString(), "3.5.0.1");

    ScratchDir scratch;
    std::string copy = scratch.Join("\xE7\x89\x88\xE6\x9C\xAC.exe");  // "版本" = "version"
    ASSERT_TRUE(CopyFileTo(Beside("versioned_app.exe"), copy));
    AppVersion fromCopy;
    ASSERT_TRUE(ReadFileVersion(copy, fromCopy));
    EXPECT_EQ(fromCopy, version);
}

TEST(ReadFileVersion, FailureLeavesTheRecordAlone) {
    AppVersion sentinel;
    sentinel.major = 7;
    sentinel.minor = 6;
    sentinel.build = 5;
    sentinel.revision = 4;
    for (const std::string& path : {Beside("plain_app.exe"), Beside("missing.exe")}) {
        AppVersion version = sentinel;
        EXPECT_FALSE(ReadFileVersion(path, version)) << path;
        EXPECT_EQ(version, sentinel) << path;
    }
}
