#pragma once

#include <string>

#include "net/text.h"

namespace net {

class JobControl;

// One GET through the process-wide share (its cookies included), never from
// a cache. The body whatever the status; empty for an empty address or no
// answer. `status` (when given) gets the HTTP status, 0 when none;
// `finalUrl` (when given) the address that answered after redirects, empty
// when none did.
Bytes PlainGet(std::string const& url, int* status = nullptr, JobControl* control = nullptr,
               std::string* finalUrl = nullptr);

}  // namespace net
