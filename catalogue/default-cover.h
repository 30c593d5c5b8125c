#pragma once

#include "net/text.h"

namespace catalogue {

// The placeholder picture (JPEG) for an album whose cover address is empty.
// Empty bytes when the program was built without resources/default-cover.jpg.
net::Bytes DefaultCoverPicture();

}  // namespace catalogue
