#include "HttpRequest.h"

#include "InetHandle.h"

#include <urlmon.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kConnectTimeoutMs = 2000;
constexpr DWORD kReceiveTimeoutMs = 1000;
constexpr DWORD kHttpFlags = INTERNET_FLAG_RELOAD;
constexpr DWORD kHttpsFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE |
                              INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                              INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kReadChunk = 4096;

bool SetTimeout(HINTERNET session, DWORD option, DWORD ms) {
    return InternetSetOptionA(session, option, &ms, sizeof(ms)) != FALSE;
}

bool IsCertificateError(DWORD error) {
    return error == ERROR_INTERNET_INVALID_CA || error == ERROR_INTERNET_SEC_CERT_REV_FAILED;
}

// The URLs we are handed are to be accepted with an unknown CA or an unreachable
// revocation list, so the flags are widened and the request goes out once more.
bool SendRequest(HINTERNET request, const CHttpRequest* r) {
    const char* headers = (r && !r->headers.empty()) ? r->headers.c_str() : nullptr;
    DWORD headersLength = headers ? static_cast<DWORD>(r->headers.size()) : 0;
    void* body = (r && !r->body.empty()) ? const_cast<char*>(r->body.data()) : nullptr;
    DWORD bodyLength = body ? static_cast<DWORD>(r->body.size()) : 0;

    if (HttpSendRequestA(request, headers, headersLength, body, bodyLength)) return true;
    if (!IsCertificateError(GetLastError())) return false;

    DWORD security = 0;
    DWORD size = sizeof(security);
    if (!InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, &size))
        return false;
    security |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
    if (!InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof(security)))
        return false;
    return HttpSendRequestA(request, headers, headersLength, body, bodyLength) != FALSE;
}

// Strict decimal: the whole text must be digits and fit 63 bits.
bool ParseContentLength(const char* text, int64_t& value) {
    if (*text == '\0') return false;
    uint64_t v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        if (v > (static_cast<uint64_t>(INT64_MAX) - static_cast<uint64_t>(*p - '0')) / 10)
            return false;
        v = v * 10 + static_cast<uint64_t>(*p - '0');
    }
    value = static_cast<int64_t>(v);
    return true;
}

// The header as the server sent it; the number form of the query holds only 32 bits
// and would silently misreport a file of 4 GiB or more.
bool QueryContentLength(HINTERNET request, int64_t& size) {
    char text[32] = {};
    DWORD length = sizeof(text) - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &length, nullptr)) return false;
    text[length < sizeof(text) ? length : sizeof(text) - 1] = '\0';
    return ParseContentLength(text, size);
}

}  // namespace

void CHttpRequest::Reset() {
    headers.clear();
    referrer.clear();
    body.clear();
    replyMode = ReplyNone;
    reply = nullptr;
    callback = nullptr;
    callbackContext = nullptr;
}

CHttpHandles::~CHttpHandles() { HttpCloseHandles(this); }

std::string GetUserAgent() {
    char buffer[1024] = {};
    DWORD length = 0;
    // Only a successful call counts, even though the platform fills the buffer on
    // E_OUTOFMEMORY too.
    if (UrlMkGetSessionOption(URLMON_OPTION_USERAGENT, buffer, sizeof(buffer), &length, 0) != S_OK)
        return std::string();
    return std::string(buffer, strnlen(buffer, sizeof(buffer)));
}

HINTERNET OpenHttpSession(const CHttpProxy* proxy) {
    const std::string agent = GetUserAgent();
    InetHandle session;
    if (proxy) {
        char proxyName[512] = {};
        int n = snprintf(proxyName, sizeof(proxyName), "HTTP=HTTP://%s:%d", proxy->host.c_str(),
                         static_cast<int>(proxy->port));
        if (n < 0 || n >= static_cast<int>(sizeof(proxyName))) return nullptr;
        session.Reset(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyName, nullptr, 0));
        if (!session) return nullptr;
        InternetSetOptionA(session.Get(), INTERNET_OPTION_USERNAME,
                           const_cast<char*>(proxy->user.c_str()),
                           static_cast<DWORD>(proxy->user.size()));
        InternetSetOptionA(session.Get(), INTERNET_OPTION_PASSWORD,
                           const_cast<char*>(proxy->password.c_str()),
                           static_cast<DWORD>(proxy->password.size()));
    } else {
        session.Reset(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!session) return nullptr;
    }
    if (!SetTimeout(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, kConnectTimeoutMs) ||
        !SetTimeout(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, kReceiveTimeoutMs))
        return nullptr;
    return session.Release();
}

HINTERNET ConnectForUrl(HINTERNET session, const char* url, std::string& path, DWORD& flags) {
    if (!InetHandle::IsOpen(session) || url == nullptr) return nullptr;
    const size_t urlLength = strlen(url);
    if (urlLength >= MAXDWORD) return nullptr;
    std::vector<char> host(urlLength + 1, '\0');
    std::vector<char> urlPath(urlLength + 1, '\0');

    URL_COMPONENTSA parts;
    memset(&parts, 0, sizeof(parts));
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUrlPath = urlPath.data();
    parts.dwUrlPathLength = static_cast<DWORD>(urlPath.size());
    if (!InternetCrackUrlA(url, static_cast<DWORD>(urlLength), ICU_DECODE, &parts)) return nullptr;

    const DWORD chosen = parts.nScheme == INTERNET_SCHEME_HTTPS ? kHttpsFlags : kHttpFlags;
    InetHandle connection(InternetConnectA(session, host.data(), parts.nPort, nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, chosen, 0));
    if (!connection) return nullptr;
    path.assign(urlPath.data(), strnlen(urlPath.data(), urlPath.size()));
    flags = chosen;
    return connection.Release();
}

bool HttpOpenAndSend(const char* url, bool isPost, const CHttpRequest* request,
                     const CHttpProxy* proxy, CHttpHandles* handles) {
    if (handles == nullptr) return false;
    HttpCloseHandles(handles);
    if (url == nullptr) return false;

    // Declared in this order so that a failure closes request, connection, session.
    InetHandle session(OpenHttpSession(proxy));
    if (!session) return false;
    std::string path;
    DWORD flags = 0;
    InetHandle connection(ConnectForUrl(session.Get(), url, path, flags));
    if (!connection) return false;
    const char* referrer = request ? request->referrer.c_str() : "";
    InetHandle httpRequest(HttpOpenRequestA(connection.Get(), isPost ? "POST" : "GET", path.c_str(),
                                            "HTTP/1.0", referrer, nullptr, flags, 0));
    if (!httpRequest) return false;
    if (!SendRequest(httpRequest.Get(), request)) return false;

    handles->session = session.Release();
    handles->connection = connection.Release();
    handles->request = httpRequest.Release();
    return true;
}

void HttpCloseHandles(CHttpHandles* handles) {
    if (handles == nullptr) return;
    for (HINTERNET* h : {&handles->request, &handles->connection, &handles->session}) {
        if (*h != nullptr) InternetCloseHandle(*h);
        *h = nullptr;
    }
}

bool HttpFetch(int32_t callbackArg, const CHttpProxy* proxy, CHttpRequest* request, int isPost,
               const char* url) {
    if (request == nullptr) return false;
    // Taken aside before anything is sent: a request that has nowhere to put its reply
    // is refused without reaching the server, so a POST is never carried out and then
    // reported as failed.
    const unsigned mode = request->replyMode;
    std::string* reply = request->reply;
    HttpReplyCallback callback = request->callback;
    void* context = request->callbackContext;
    const bool usable = (mode == ReplyToString && reply != nullptr) ||
                        (mode == ReplyToCallback && callback != nullptr);
    CHttpHandles handles;  // closes on every path out
    const bool sent =
        usable && url != nullptr && HttpOpenAndSend(url, isPost != 0, request, proxy, &handles);
    request->Reset();
    if (!sent) return false;

    uint8_t buffer[kReadChunk] = {};
    if (mode == ReplyToCallback) {
        // The reply is left unread; the callback runs while the exchange is still open.
        callback(callbackArg, buffer, 0, context, 0);
        return true;
    }

    int64_t received = 0;
    DWORD bytesRead = 0;
    BOOL ok;
    while ((ok = InternetReadFile(handles.request, buffer, kReadChunk, &bytesRead)) && bytesRead > 0) {
        reply->append(reinterpret_cast<const char*>(buffer), bytesRead);
        received += bytesRead;
    }
    // A read that succeeds with 0 bytes is the end; the last-error value is not defined
    // after a successful call and is not looked at then.
    if (!ok) return false;
    // WinINet ends a body cut short by the server like a complete one.
    int64_t announced = 0;
    if (QueryContentLength(handles.request, announced) && received < announced) return false;
    return true;
}

bool HttpGetContentLength(const CHttpProxy* proxy, CHttpRequest* request, const char* url,
                          int64_t& size) {
    size = 0;
    if (url == nullptr) return false;
    CHttpHandles handles;
    if (!HttpOpenAndSend(url, false, request, proxy, &handles)) return false;
    int64_t length = 0;
    if (!QueryContentLength(handles.request, length)) return false;
    size = length;
    return true;
}
