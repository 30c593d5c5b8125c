#include "app/progress-text.h"

#include <algorithm>

namespace app {

std::string PercentText(long long position, long long maximum)
{
    if (maximum <= 0)
        return "0%";
    double const share = static_cast<double>(std::min(position, maximum)) / static_cast<double>(maximum);
    return std::to_string(static_cast<long long>(share * 100.0)) + "%";
}

}  // namespace app
