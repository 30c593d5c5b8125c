#include "download/browse-album-downloader.h"

#include <charconv>
#include <cstdint>

#include "download/album-steps.h"
#include "net/matcher.h"

namespace download {

namespace {

constexpr long long PageSize = 18;

// The count sits after the album's description block: "\n</span>\n\n<span
// class="pl">" ... "张照片".
constexpr char const* CountLeftMarker = "\n</span>\n\n<span class=\"pl\">";
constexpr char const* CountRightMarker = "张照片";

// Group 1: the image host; group 2: the photo identifier. Used as stored: the
// "." before "jpg" matches any character.
constexpr char const* ThumbnailPattern = "<img src=\"http://(.*?)/view/photo/thumb/public/p(.*?).jpg\" />";

long long readCount(std::string const& digits)
{
    long long count = 0;
    auto const [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return INT32_MAX;
    return error == std::errc() ? count : 0;
}

}  // namespace

void BrowseAlbumDownloader(JobContext& context, std::string& countText, std::string& albumAddress,
                           std::string& albumTitle)
{
    net::RegexMatcher matcher;
    AlbumRun run(context);

    auto const first = ReadPage(context, albumAddress);
    if (first.stopped)
        return;
    if (!first.readable) {
        run.skipUnreadable(albumTitle);
        return;
    }
    std::string const digits = net::DigitsOnly(net::TextBetween(first.text, CountLeftMarker, CountRightMarker));
    long long const count = readCount(digits);
    if (count <= 0)
        return;  // a page without photos: nothing to do, nothing to say

    countText = digits;
    run.begin(albumTitle, countText, count);
    albumTitle = net::SafeFileName(albumTitle) + countText;
    run.prepareFolder(albumTitle);

    long long const pages = count / PageSize + 1;
    for (long long page = 1; page <= pages; ++page) {
        auto const read = ReadPage(context, albumAddress + "?start=" + std::to_string((page - 1) * PageSize));
        if (read.stopped)
            return;
        if (!read.readable) {
            run.pageFailed(page);
            continue;
        }
        matcher.Run(ThumbnailPattern, read.text);
        int const found = matcher.MatchCount();
        for (int k = 1; k <= found; ++k) {
            std::string const host = matcher.SubMatchText(k, 1);
            PhotoSource photo;
            photo.id = matcher.SubMatchText(k, 2);
            photo.mediumUrl = "http://" + host + "/view/photo/photo/public/p" + photo.id + ".jpg";
            photo.fullUrl = "http://" + host + "/view/photo/large/public/p" + photo.id + ".jpg";
            if (!run.handlePhoto(photo, (page - 1) * PageSize + k, false))
                return;
        }
    }
    run.finish(albumTitle);
}

}  // namespace download
