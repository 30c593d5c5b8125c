#pragma once

#include <string>

#include "net/text.h"

namespace net {

class JobControl;

inline constexpr char const* DefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The optional arguments of PageRequest, in the order of the call. Pointers
// are in/out or out arguments; a null pointer means "left out".
struct PageRequestArgs {
    int method = 0;                          // 0 GET, 1 POST, 2 HEAD; others: GET
    std::string postText{};                  // body when postBytes is empty
    std::string* cookies = nullptr;          // present (even empty): the shared store is neither read nor written
    std::string* receivedCookies = nullptr;  // out: name=value pairs the answer set, joined by "; "
    std::string* headers = nullptr;          // in/out: extra lines; on return the header text actually sent
    std::string* responseHeaders = nullptr;  // out: raw header block of the final answer, lines ended by "\r\n"
    bool noRedirect = false;
    Bytes* postBytes = nullptr;              // in/out: body bytes, precedence over postText
    std::string proxy{};                     // host:port; empty = none (it serves redirects too)
    int* status = nullptr;                   // out: HTTP status of the final answer, 0 when none or cut off
    JobControl* control = nullptr;           // a stop aborts the transfer in flight; a pause does not hold it
    std::string* finalUrl = nullptr;         // out: the address that answered after redirects; empty when none
};

// One HTTP(S) request through the process-wide curl share. Returns the body
// exactly as received (no content decoding); empty bytes when no answer
// came, the bytes so far when the answer was cut off (then `status` is 0).
// Connects within 60 s and gives up after 60 s without a byte; follows at
// most 10 redirects (http and https only); bodies above 64 MB are refused.
// Certificates are verified against the system's trust store.
// Safe to call from any thread.
Bytes PageRequest(std::string const& url, PageRequestArgs args = {});

}  // namespace net
