#pragma once

#include <string>

namespace app {

// The percentage label's text: position / maximum * 100, the quotient taken
// first in double precision and truncated (29 of 100 shows "28%"); a
// position past the maximum shows "100%", a maximum of 0 or less "0%".
std::string PercentText(long long position, long long maximum);

}  // namespace app
