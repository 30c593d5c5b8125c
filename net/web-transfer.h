#pragma once

// Internal to core_net: what PageRequest, ObjectRequest and PlainGet share
// around one curl transfer.

#include <string>
#include <string_view>
#include <vector>

#include <curl/curl.h>

#include "net/cookie-store.h"
#include "net/text.h"

namespace net {
class JobControl;
}

namespace net::web {

inline constexpr long MaxRedirects = 10;
inline constexpr std::size_t MaxBodyBytes = 64u * 1024u * 1024u;

struct Timeouts {
    long connectMs = 0;    // resolve and connect; 0: curl's default
    long idleSeconds = 0;  // abort after this long without a byte; 0: never
};

Timeouts PageTimeouts();

// Owns a curl easy handle.
struct EasyHandle {
    EasyHandle();
    ~EasyHandle();
    EasyHandle(EasyHandle const&) = delete;
    EasyHandle& operator=(EasyHandle const&) = delete;
    CURL* handle;
};

// Owns a header list for CURLOPT_HTTPHEADER.
class HeaderList {
public:
    HeaderList() = default;
    ~HeaderList();
    HeaderList(HeaderList const&) = delete;
    HeaderList& operator=(HeaderList const&) = delete;

    // One "Name: value" line. A line with an empty value is sent as such
    // (curl would otherwise drop it); one holding CR or LF is not sent.
    void add(std::string_view line);
    // Keeps curl from adding its own header of this name.
    void suppress(std::string_view name);
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// Settings of every transfer: http and https only (redirects too), at most
// MaxRedirects redirects, HTTP/1.1, certificates verified against the trust
// store, no proxy from the environment, no signals.
void ApplyCommonOptions(CURL* handle, Timeouts timeouts);

// The method clamp: 0 GET, 1 POST, 2 HEAD, anything else GET.
int ClampMethod(int method);
// Sets the verb and, for POST, the body (copied).
void ApplyMethod(CURL* handle, int method, std::string const& body);

struct Answer {
    Bytes body;
    std::string headerBlock;  // raw header block of the final answer, "\r\n" lines
    int status = 0;           // HTTP status of the final answer; 0 when none or cut off
    std::string finalUrl;     // the address that answered after redirects; empty when none did
    bool complete = false;    // the transfer ended without an error
    std::vector<Cookie> storeCookies;  // every cookie set on the way, when asked for
};

// Runs the transfer. A stop of `control` aborts it within about a second;
// a pause does not hold it (the worker waits at its next checkpoint).
// With `collectStoreCookies` every Set-Cookie of every answer on the way is
// parsed into `storeCookies` against the address it came from.
Answer Perform(CURL* handle, JobControl* control, bool collectStoreCookies);

// The address to hand to curl for `url`: scheme from the secure test, host
// UrlHost, port UrlPort, path UrlPath as given (bytes curl would refuse, such
// as spaces and controls, percent-encoded). Use with CURLOPT_PATH_AS_IS.
std::string ConnectAddress(std::string const& url);
bool IsSecure(std::string_view url);
// `text` with spaces, controls and bytes above 0x7e percent-encoded, which
// curl would refuse in an address; everything else as given.
std::string EncodeUnsafeBytes(std::string_view text);

// Completes a caller's header text with the default lines, in this order
// and with case-sensitive name searches: Accept, Referer (the address),
// Accept-Language, User-Agent (only when `userAgent` is given), Content-Type.
void AppendDefaultHeaders(std::string& headers, std::string const& url, char const* userAgent);

// Rewrites "Set-Cookie" in any letter case to exactly "Set-Cookie".
void NormaliseSetCookie(std::string& responseHeaders);
// The first name=value of each "Set-Cookie" line, joined by "; ".
std::string ReceivedCookies(std::string const& responseHeaders);

}  // namespace net::web
