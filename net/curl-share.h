#pragma once

// Internal to core_net: the process-wide curl state behind PageRequest,
// ObjectRequest, PlainGet and the cookie store. Front ends never include it.

#include <curl/curl.h>

namespace net::web {

// curl_global_init, once per process; every other routine here calls it.
void EnsureCurl();

// Cookies, DNS cache, TLS sessions and connections: PageRequest without a
// caller cookie text, PlainGet and the cookie store.
CURLSH* CookieShare();

// DNS cache, TLS sessions and connections but no cookies: requests whose
// caller carries the cookies itself (PageRequest with `cookies`, ObjectRequest).
CURLSH* CookielessShare();

}  // namespace net::web
