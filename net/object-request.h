#pragma once

#include <memory>
#include <string>

#include "net/text.h"

namespace net {

class JobControl;

// A reusable request handle: passed to consecutive ObjectRequest calls (one
// album's photos) it keeps their connection warm. Never shares cookies with
// the process-wide store. Use on one thread at a time.
class RequestHandle {
public:
    RequestHandle();
    ~RequestHandle();
    RequestHandle(RequestHandle const&) = delete;
    RequestHandle& operator=(RequestHandle const&) = delete;

    struct Impl;
    Impl& impl() { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

// The optional arguments of ObjectRequest, in the order of the call.
struct ObjectRequestArgs {
    int method = 0;                          // 0 GET, 1 POST, 2 HEAD; others: GET
    std::string postText{};
    std::string* cookies = nullptr;          // in/out: sent as "Cookie" when non-empty; always merged with the answer's
    std::string* receivedCookies = nullptr;  // out
    std::string* headers = nullptr;          // in/out: extra lines; the defaults are appended
    std::string* responseHeaders = nullptr;  // out
    int* status = nullptr;                   // out: HTTP status, 0 on failure
    bool noRedirect = false;
    Bytes* postBytes = nullptr;
    std::string proxy{};                     // host:port; empty = none
    int timeoutSeconds = 0;                  // per phase; below 1: 15 s; -1: libcurl's defaults
    std::string proxyUser{};                 // used only with a proxy
    std::string proxyPassword{};
    int credentialsTarget = 1;               // 1: the credentials are for the proxy, 0: for the server
    RequestHandle* requestObject = nullptr;  // reuse this handle instead of a fresh one
    JobControl* control = nullptr;           // a stop aborts the transfer in flight; a pause does not hold it
    std::string* finalUrl = nullptr;         // out: the address that answered after redirects; empty on failure
};

// One HTTP(S) request on its own handle with the answer's status. Verifies
// certificates against the system's trust store; a body sent with a content
// encoding is decoded. Empty bytes on failure. Any thread.
Bytes ObjectRequest(std::string const& url, ObjectRequestArgs args = {});

}  // namespace net
