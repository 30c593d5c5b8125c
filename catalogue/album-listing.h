#pragma once

#include <string>

#include "app/program-state.h"
#include "catalogue/address-check.h"
#include "catalogue/listing-pace.h"

namespace app {
class Window;
}

namespace net {
class JobControl;
}

namespace catalogue {

// Finds one album on a user's album list page: groups 1 cover address,
// 2 album address, 3 title. Four lines joined by bare line feeds.
inline constexpr char AlbumListPattern[] =
    "<img class=\"album\" src=\"(.*?)\"/></a>\n"
    "    <div class=\"albumlst_r\">\n"
    "        <div class=\"pl2\">\n"
    "            <a href=\"(.*?)\">(.*?)</a>";

// Albums per list page: the list pages start at 0, 16, 32 ...
inline constexpr int AlbumsPerListPage = 16;


// What a listing worker starts from: the accepted address, the site and
// the pace of its requests.
struct ListingRequest {
    CheckedAddress address;
    app::SiteConfig site;
    ListingPace pace{};
};

// The listing workers. Each first fetches the owner's display name and
// stores the catalogue selection, then fills the album list 超级列表框1.
// A stop through `control` ends them at their next step, without further
// window calls. When the site refuses a request (403, 429, or a redirect to
// a login or refusal page), the worker pauses `control`, counts the wait
// down and asks again; a stop ends that wait too. Both return true when
// they ran to their end.
bool ListUserAlbums(app::Window& window, ListingRequest const& request, net::JobControl& control);
bool ListSingleAlbum(app::Window& window, ListingRequest const& request, net::JobControl& control);

}  // namespace catalogue
