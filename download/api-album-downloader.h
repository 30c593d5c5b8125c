#pragma once

#include <string>

#include "download/job-context.h"

namespace download {

// Downloads one album through the site's JSON album interface, 100 photo
// entries a page. The three texts are rewritten: the count text to the total
// the interface gave, the address to the album identifier, the title to the
// album folder's name. Runs on the job's worker.
void ApiAlbumDownloader(JobContext& context, std::string& countText, std::string& albumAddress,
                        std::string& albumTitle);

}  // namespace download
