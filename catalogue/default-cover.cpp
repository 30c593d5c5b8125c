#include "catalogue/default-cover.h"

#include <string_view>

namespace catalogue {

// Generated at build time from resources/default-cover.jpg.
std::string_view DefaultCoverBytes();

net::Bytes DefaultCoverPicture()
{
    return net::Bytes(DefaultCoverBytes());
}

}  // namespace catalogue
