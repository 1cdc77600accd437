// filemd5 PATH: prints the MD5 of a file as GetFileMd5 computes it, so that the
// program's hashing can be timed and compared with other tools.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "FileMd5.h"
#include "TextConv.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fputs("usage: filemd5 PATH\n", stderr);
        return 2;
    }
    std::string digest;
    int result = GetFileMd5(WideToUtf8(argv[1]), digest);
    if (result != 0) {
        fprintf(stderr, "filemd5: cannot hash the file (%d)\n", result);
        return 1;
    }
    printf("%s\n", digest.c_str());
    return 0;
}
