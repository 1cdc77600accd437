#pragma once
// One synchronous HTTP/1.0 exchange over WinINet: open, send, read the reply into a
// string or hand over to a callback, close. No retry and no logging here.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

struct CHttpProxy {
    std::string host;
    int32_t port = 0;
    std::string user;
    std::string password;
};

// (callbackArg, buffer, byteCount, callbackContext, reserved); the result is ignored.
using HttpReplyCallback = bool (*)(int32_t, const uint8_t*, int32_t, void*, int32_t);

enum HttpReplyMode : int { ReplyToString = 0, ReplyToCallback = 1, ReplyNone = 3 };

struct CHttpRequest {
    std::string headers;
    std::string referrer;
    std::string body;
    // Unsigned, so that ReplyNone (3) reads back as 3 rather than -1.
    unsigned replyMode : 2;
    std::string* reply = nullptr;
    HttpReplyCallback callback = nullptr;
    void* callbackContext = nullptr;

    CHttpRequest() : replyMode(ReplyNone) {}
    // Back to the state of a new request; done on every return of HttpFetch.
    void Reset();
};

// The three handles of one exchange; each null when not open.
struct CHttpHandles {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    CHttpHandles() = default;
    ~CHttpHandles();
    CHttpHandles(const CHttpHandles&) = delete;
    CHttpHandles& operator=(const CHttpHandles&) = delete;
};

// The user agent of the process's URL moniker session, or empty when it cannot be read.
std::string GetUserAgent();
// A WinINet session as every exchange opens it (preconfigured proxy unless one is given),
// with the connect and receive timeouts set; null on failure.
HINTERNET OpenHttpSession(const CHttpProxy* proxy);
// Splits url and connects to its host; fills host, path and the request flags; null on failure.
HINTERNET ConnectForUrl(HINTERNET session, const char* url, std::string& path, DWORD& flags);

// Opens and sends; on false every handle it opened is closed and nulled.
bool HttpOpenAndSend(const char* url, bool isPost, const CHttpRequest* request,
                     const CHttpProxy* proxy, CHttpHandles* handles);
// Closes request, connection and session, in this order.
void HttpCloseHandles(CHttpHandles* handles);
// True when the request was sent and the reply handled by replyMode. Resets request.
bool HttpFetch(int32_t callbackArg, const CHttpProxy* proxy, CHttpRequest* request, int isPost,
               const char* url);
// The reply's Content-Length; size is 0 when there is none. Does not reset request.
bool HttpGetContentLength(const CHttpProxy* proxy, CHttpRequest* request, const char* url,
                          int64_t& size);
