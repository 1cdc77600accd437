// single-fetch URL PATH: one WinINet GET with 4096-byte reads straight into a file; the
// benchmark's single-connection baseline. Prints "bytes=<n> seconds=<s>".
#include <windows.h>
#include <wininet.h>

#include <cstdio>

#include "TextConv.h"
#include "WinHandle.h"

namespace {
struct Inet {
    HINTERNET h;
    ~Inet() {
        if (h) InternetCloseHandle(h);
    }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: single-fetch URL PATH\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    Inet session{InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
    if (!session.h) return 1;
    Inet request{InternetOpenUrlA(session.h, argv[1], nullptr, 0,
                                  INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)};
    if (!request.h) return 1;
    UniqueHandle file(CreateFileW(Utf8ToWide(argv[2]).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    char buffer[4096];
    long long total = 0;
    DWORD got = 0;
    while (InternetReadFile(request.h, buffer, sizeof(buffer), &got) && got > 0) {
        DWORD written = 0;
        if (!WriteFile(file.Get(), buffer, got, &written, nullptr) || written != got) return 1;
        total += got;
    }
    printf("bytes=%lld seconds=%.3f\n", total, (GetTickCount() - start) / 1000.0);
    return 0;
}
