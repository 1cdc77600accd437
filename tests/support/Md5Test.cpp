#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "FileMd5.h"
#include "Md5.h"
#include "TestFiles.h"
#include "WinHandle.h"

namespace {

std::string HashWhole(const std::string& bytes) {
    CSMd5 md5;
    md5.Update(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return md5.HexDigest();
}

}  // namespace

TEST(CSMd5, Rfc1321TestSuite) {
    struct {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        std::string message = c.message;
        EXPECT_EQ(HashWhole(message), c.digest) << '"' << message << '"';

        // Fed a byte at a time, every path through the partial block is taken.
        CSMd5 bytewise;
        for (char ch : message) bytewise.Update(&ch, 1);
        EXPECT_EQ(bytewise.HexDigest(), c.digest) << '"' << message << '"';
        EXPECT_EQ(bytewise.HexDigest(), c.digest) << "finalizing twice changes nothing";
    }
}

TEST(CSMd5, PaddingAroundTheLengthField) {
    // 55 bytes still fit the length in the last block, 56 need another one.
    struct {
        size_t size;
        const char* digest;
    } cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {64, "014842d480b571495a4a0363793f7367"},
    };
    for (const auto& c : cases) EXPECT_EQ(HashWhole(std::string(c.size, 'a')), c.digest) << c.size;
}

// Over 4 GiB the bit count carries into its high word. Hashing 4 GiB of zeros
// from one lazily committed buffer keeps memory and time small; the expected
// digest came from `head -c 4295016679 /dev/zero | md5sum`.
TEST(CSMd5, BitCountCarriesPast4GiB) {
    const uint32_t kLarge = (512u << 20) + 12345;  // length * 8 overflows 32 bits by itself
    const uint32_t kMedium = 64u << 20;            // the running count wraps between calls
    void* zeros = VirtualAlloc(nullptr, kLarge, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
    ASSERT_NE(zeros, nullptr);

    CSMd5 md5;
    uint64_t total = 0;
    md5.Update(zeros, 3);
    total += 3;
    for (int i = 0; i < 4; ++i, total += kLarge) md5.Update(zeros, kLarge);
    for (int i = 0; i < 32; ++i, total += kMedium) md5.Update(zeros, kMedium);
    VirtualFree(zeros, 0, MEM_RELEASE);

    ASSERT_EQ(total, 4295016679ull);
    EXPECT_EQ(md5.HexDigest(), "40f5389b3e4cfda452001ada2ffe318c");
}

TEST(GetFileMd5, MatchesHashingTheWholeContent) {
    ScratchDir scratch;
    // Around the 1024-byte read size and the 64-byte block.
    for (size_t size : {0, 3, 63, 64, 65, 1023, 1024, 1025, 2048, 2049, 300000}) {
        std::string bytes = size == 3 ? std::string("abc") : Pattern(size);
        std::string path = scratch.Join("f" + std::to_string(size) + ".bin");
        ASSERT_TRUE(WriteBytes(path, bytes));
        std::string digest;
        EXPECT_EQ(GetFileMd5(path, digest), 0) << size;
        EXPECT_EQ(digest, HashWhole(bytes)) << size;
        if (size == 0) {
            EXPECT_EQ(digest, "d41d8cd98f00b204e9800998ecf8427e");
        }
        if (size == 3) {
            EXPECT_EQ(digest, "900150983cd24fb0d6963f7d28e17f72");
        }
    }
}

TEST(GetFileMd5, FailuresLeaveTheDigestAlone) {
    ScratchDir scratch;
    const std::string kBefore = "untouched";
    std::string digest = kBefore;

    EXPECT_EQ(GetFileMd5(static_cast<const char*>(nullptr), digest), -1);
    EXPECT_EQ(GetFileMd5(scratch.Join("missing.bin"), digest), -1);

    std::string noArchive = scratch.Join("no-archive.bin");
    ASSERT_TRUE(WriteBytes(noArchive, "abc"));
    std::wstring wide = Utf8ToWide(noArchive);
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL));
    // Wine reports every file as archived whatever is set (see FileSystemTest).
    if (!(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_ARCHIVE)) {
        EXPECT_EQ(GetFileMd5(noArchive, digest), -1);
    }

    std::string locked = scratch.Join("locked.bin");
    ASSERT_TRUE(WriteBytes(locked, "abc"));
    {
        UniqueHandle holder(CreateFileW(Utf8ToWide(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(GetFileMd5(locked, digest), -2);
    }
    EXPECT_EQ(digest, kBefore);
}

// A read that fails part-way must not pass the digest of a part off as the file's.
TEST(GetFileMd5, ReadErrorIsNotEndOfFile) {
    ScratchDir scratch;
    std::string path = scratch.Join("partly-locked.bin");
    ASSERT_TRUE(WriteBytes(path, Pattern(16384)));
    UniqueHandle holder(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    ASSERT_TRUE(LockFile(holder.Get(), 8192, 0, 4096, 0));

    std::string digest = "untouched";
    EXPECT_EQ(GetFileMd5(path, digest), -2);
    EXPECT_EQ(digest, "untouched");
    UnlockFile(holder.Get(), 8192, 0, 4096, 0);
}
