#pragma once

// Internal to core_net and its tests: settings a test needs to change and a
// user never does.

#include <chrono>
#include <string>

namespace net {

// Trust the certificates in this PEM file besides the system's trust store
// (a test server's self-signed certificate). Empty: the system store alone.
void SetExtraCaFile(std::string path);

// The time-outs of PageRequest and PlainGet: connecting within `connect`,
// giving up after `idle` without a byte. The defaults are 60 s and 60 s.
void SetPageTimeouts(std::chrono::milliseconds connect, std::chrono::seconds idle);

}  // namespace net
