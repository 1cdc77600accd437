#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "FileSystem.h"
#include "PathText.h"
#include "TestFiles.h"
#include "TextConv.h"
#include "WinHandle.h"

namespace {

// "文件 ü😀" = "file", U+00FC LATIN SMALL LETTER U WITH DIAERESIS, U+1F600 GRINNING FACE
const char kOddName[] = "\xE6\x96\x87\xE4\xBB\xB6 \xC3\xBC\xF0\x9F\x98\x80";

// Wine reports the archive attribute for every file and for no folder, whatever
// is set; false tells the caller that the platform did not keep the change.
bool SetArchive(const std::string& path, bool on) {
    std::wstring wide = Utf8ToWide(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    attributes = on ? attributes | FILE_ATTRIBUTE_ARCHIVE : attributes & ~FILE_ATTRIBUTE_ARCHIVE;
    if (!SetFileAttributesW(wide.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL)) return false;
    return ((GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_ARCHIVE) != 0) == on;
}

}  // namespace

TEST(FileSystem, ModuleAndAppDataPaths) {
    std::string self = GetModuleFilePath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(self.substr(self.size() - 17), "support_tests.exe");
    EXPECT_EQ(GetModuleDir(), GetParentDir(self));
    EXPECT_TRUE(FileExists(self));

    std::string appData = GetAppDataDir();
    ASSERT_FALSE(appData.empty());
    DWORD attributes = GetFileAttributesW(Utf8ToWide(appData).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileSystem, NonAsciiPathsThroughEveryHelper) {
    ScratchDir scratch;
    std::string dir = scratch.Join(kOddName);
    ASSERT_TRUE(MakeDir(dir));
    std::string file = dir + "\\" + kOddName + ".txt";

    FILE* out = OpenFileStream(file, "wb");
    ASSERT_NE(out, nullptr);
    fputs("hello\r\n", out);
    fclose(out);

    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(QueryFileSize(Utf8ToWide(file)), 7u);
    FILE* in = OpenFileStream(file, "rb");
    ASSERT_NE(in, nullptr);
    char text[16] = {};
    EXPECT_EQ(fread(text, 1, sizeof(text), in), 7u);  // binary: no newline translation
    fclose(in);
    EXPECT_STREQ(text, "hello\r\n");

    EXPECT_TRUE(RemoveFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(RemoveFile(file));
}

TEST(FileSystem, MakeDirMakesOneNewLevelOnly) {
    ScratchDir scratch;
    EXPECT_FALSE(MakeDir(static_cast<const char*>(nullptr)));
    std::string dir = scratch.Join("one");
    EXPECT_TRUE(MakeDir(dir));
    EXPECT_FALSE(MakeDir(dir)) << "an existing folder is left alone";
    EXPECT_FALSE(MakeDir(scratch.Join("missing\\two"))) << "never recursive";
    // The log folder is made with its trailing backslash.
    EXPECT_TRUE(MakeDir(scratch.Join("log\\")));
    EXPECT_FALSE(MakeDir(scratch.Join("log")));
}

TEST(FileSystem, FileExistsNeedsTheArchiveAttribute) {
    ScratchDir scratch;
    EXPECT_FALSE(FileExists(scratch.Join("missing.bin")));
    EXPECT_FALSE(FileExists(""));

    // A folder's attributes can be read, but without the archive bit it does not count.
    std::string dir = scratch.Join("d");
    ASSERT_TRUE(MakeDir(dir));
    if (GetFileAttributesW(Utf8ToWide(dir).c_str()) & FILE_ATTRIBUTE_ARCHIVE) {
        ASSERT_TRUE(SetArchive(dir, false));
    }
    EXPECT_FALSE(FileExists(dir));

    std::string file = scratch.Join("a.bin");
    ASSERT_TRUE(WriteBytes(file, "x"));
    EXPECT_TRUE(FileExists(file));

    bool fileCleared = SetArchive(file, false);
    if (fileCleared) {
        EXPECT_FALSE(FileExists(file)) << "present on disk, but counted absent";
    }
    bool dirMarked = SetArchive(dir, true);
    if (dirMarked) {
        EXPECT_TRUE(FileExists(dir));
    }
    if (!fileCleared || !dirMarked) GTEST_SKIP() << "this platform does not keep the archive attribute as set";
}

TEST(FileSystem, QueryFileSize) {
    ScratchDir scratch;
    EXPECT_EQ(QueryFileSize(Utf8ToWide(scratch.Join("missing"))), 0u);
    EXPECT_EQ(QueryFileSize(L""), 0u);

    // A sparse file beyond 4 GiB: the high part of the size must not be lost.
    std::string big = scratch.Join("big.bin");
    const uint64_t size = (5ull << 30) + 7;
    {
        UniqueHandle file(CreateFileW(Utf8ToWide(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    EXPECT_EQ(QueryFileSize(Utf8ToWide(big)), size);
}

TEST(FileSystem, OpenFileStreamSharing) {
    ScratchDir scratch;
    std::string file = scratch.Join("shared.bin");
    ASSERT_TRUE(WriteBytes(file, "abc"));

    FILE* reader = OpenFileStream(file, "rb");
    ASSERT_NE(reader, nullptr);
    FILE* second = OpenFileStream(file, "rb");
    EXPECT_NE(second, nullptr) << "readers share";
    if (second) fclose(second);
    FILE* writer = OpenFileStream(file, "wb");
    EXPECT_EQ(writer, nullptr) << "no writer while it is read";
    if (writer) fclose(writer);
    fclose(reader);

    writer = OpenFileStream(file, "wb");
    ASSERT_NE(writer, nullptr);
    FILE* blocked = OpenFileStream(file, "rb");
    EXPECT_EQ(blocked, nullptr) << "a file being written is not shared";
    if (blocked) fclose(blocked);
    fclose(writer);

    EXPECT_EQ(OpenFileStream(scratch.Join("missing.bin"), "rb"), nullptr);
}
