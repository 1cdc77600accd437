// single-fetch URL PATH: one WinINet GET with 4096-byte reads straight into a file; the
// benchmark's single-connection baseline. Ends like engine-fetch, with the file's MD5, so
// both do the same work: prints "bytes=<n> seconds=<s> md5=<hex>".
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>

#include "FileMd5.h"

#include "TextConv.h"
#include "InetHandle.h"
#include "WinHandle.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: single-fetch URL PATH\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    InetHandle session(InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return 1;
    InetHandle request(InternetOpenUrlA(session.Get(), argv[1], nullptr, 0,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return 1;
    UniqueHandle file(CreateFileW(Utf8ToWide(argv[2]).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    char buffer[4096];
    long long total = 0;
    DWORD got = 0;
    while (InternetReadFile(request.Get(), buffer, sizeof(buffer), &got) && got > 0) {
        DWORD written = 0;
        if (!WriteFile(file.Get(), buffer, got, &written, nullptr) || written != got) return 1;
        total += got;
    }
    file.Reset();
    std::string md5;
    if (GetFileMd5(argv[2], md5) != 0) md5 = "-";
    printf("bytes=%lld seconds=%.3f md5=%s\n", total, (GetTickCount() - start) / 1000.0, md5.c_str());
    return 0;
}
