#include "FileMd5.h"

#include <cstdio>

#include "FileSystem.h"
#include "Md5.h"

int GetFileMd5(const char* path, std::string& digest) {
    if (!path) return -1;
    if (!FileExists(path)) return -1;
    FILE* stream = OpenFileStream(path, "rb");
    if (!stream) return -2;
    // The reads stay 1024 bytes; a larger stream buffer only saves system calls.
    setvbuf(stream, nullptr, _IOFBF, 256 * 1024);

    CSMd5 md5;
    unsigned char chunk[1024];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), stream)) > 0) md5.Update(chunk, static_cast<uint32_t>(got));
    // A read error is not the end of the file: the digest of a part would pass for the whole.
    bool failed = ferror(stream) != 0;
    fclose(stream);
    if (failed) return -2;
    digest = md5.HexDigest();
    return 0;
}
