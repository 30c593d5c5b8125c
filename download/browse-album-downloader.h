#pragma once

#include <string>

#include "download/job-context.h"

namespace download {

// Downloads one album by reading its web pages, 18 thumbnails a page. The
// three texts are rewritten: the count text to the album's photo count, the
// title to the album folder's name (both left alone when the album is
// skipped). Runs on the job's worker.
void BrowseAlbumDownloader(JobContext& context, std::string& countText, std::string& albumAddress,
                           std::string& albumTitle);

}  // namespace download
