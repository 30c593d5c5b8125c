#include "download/api-album-downloader.h"

#include <memory>

#include <json-c/json.h>

#include "download/album-steps.h"

namespace download {

namespace {

constexpr long long PageSize = 100;

struct JsonDeleter {
    void operator()(json_object* object) const { json_object_put(object); }
};
using JsonDocument = std::unique_ptr<json_object, JsonDeleter>;

// A member rendered as JSON text: a string in double quotes with "/" written
// as "\/"; a missing member renders as "null".
std::string renderedMember(json_object* entry, char const* name)
{
    json_object* member = nullptr;
    if (entry == nullptr || !json_object_object_get_ex(entry, name, &member))
        member = nullptr;
    return json_object_to_json_string(member);
}

std::string withoutQuotes(std::string const& rendered)
{
    return net::ReplaceText(rendered, "\"", "");
}

std::string cleanedAddress(std::string const& rendered)
{
    std::string const plain = net::ReplaceText(withoutQuotes(rendered), "\\", "");
    return net::ReplaceText(plain, "https://", "http://", true);
}

// The album number in its web address. An address typed without the final
// "/" still names its album: the number then runs to the end (or the query).
std::string albumIdentifier(std::string const& address)
{
    std::string identifier = net::TextBetween(address, "/photos/album/", "/");
    if (identifier.empty()) {
        auto const at = net::FindText(address, "/photos/album/");
        if (at > 0) {
            identifier = address.substr(static_cast<std::size_t>(at - 1) + std::string_view("/photos/album/").size());
            identifier = identifier.substr(0, identifier.find_first_of("?#"));
        }
    }
    return identifier;
}

}  // namespace

void ApiAlbumDownloader(JobContext& context, std::string& countText, std::string& albumAddress,
                        std::string& albumTitle)
{
    AlbumRun run(context);
    std::string const& apiRoot = context.snapshot.site.siteApiRoot;

    albumAddress = albumIdentifier(albumAddress);
    std::string const albumRoot = apiRoot + "/v2/album/" + albumAddress + "/photos";
    // An unreadable total goes on as 0: one page is still read.
    auto const total = ReadPage(context, albumRoot + "?count=1");
    if (total.stopped)
        return;
    countText = net::TextBetween(total.text, "total\":", ",\"o");
    long long const count = net::LeadingNumber(countText);

    run.begin(albumTitle, countText, count);
    albumTitle = net::SafeFileName(albumTitle) + net::SafeFileName(countText);
    run.prepareFolder(albumTitle);

    long long const pages = count / PageSize + 1;
    for (long long page = 1; page <= pages; ++page) {
        auto const start = std::to_string((page - 1) * PageSize);
        auto const read = ReadPage(context, albumRoot + "?start=" + start + "&count=" + std::to_string(PageSize));
        if (read.stopped)
            return;
        JsonDocument const document(read.readable ? json_tokener_parse(read.text.c_str()) : nullptr);
        if (!document) {
            run.pageFailed(page);
            continue;
        }
        json_object* photos = nullptr;
        json_object_object_get_ex(document.get(), "photos", &photos);
        auto const found =
            json_object_is_type(photos, json_type_array) ? static_cast<long long>(json_object_array_length(photos)) : 0;
        for (long long k = 1; k <= found; ++k) {
            json_object* const entry = json_object_array_get_idx(photos, static_cast<std::size_t>(k - 1));
            PhotoSource photo;
            photo.id = withoutQuotes(renderedMember(entry, "id"));
            photo.created = withoutQuotes(renderedMember(entry, "created"));
            photo.mediumUrl = cleanedAddress(renderedMember(entry, "image"));
            photo.fullUrl = cleanedAddress(renderedMember(entry, "large"));
            if (photo.fullUrl.empty() || photo.fullUrl == "null")
                photo.fullUrl = photo.mediumUrl;
            if (!run.handlePhoto(photo, (page - 1) * PageSize + k, true))
                return;
        }
    }
    run.finish(albumTitle);
}

}  // namespace download
