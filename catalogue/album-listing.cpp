#include "catalogue/album-listing.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <string>

#include "app/progress-text.h"
#include "app/window.h"
#include "catalogue/default-cover.h"
#include "catalogue/listing-fetch.h"
#include "net/job-control.h"
#include "net/matcher.h"
#include "net/text.h"

namespace catalogue {

namespace {

constexpr char Progress[] = "进度条1";
constexpr char PercentLabel[] = "标签_进度条比例";
constexpr char StatusLabel[] = "标签_动态";
constexpr char CoversBox[] = "选择框_有图";
constexpr char Canvas[] = "画板1";

constexpr int TitleColumn = 2;
constexpr int CoverColumn = 3;
constexpr int AddressColumn = 5;
constexpr int CoverWidth = 100;

// The name fetch the get-albums click asks for, done here so the window
// stays responsive; then the selection the download job will snapshot.
std::optional<std::string> learnOwnerName(ListingRequest const& request, ListingFetch& fetch)
{
    bool const user = request.address.form == AddressForm::UserHomePage;
    std::string const url =
        user ? request.site.siteWebRoot + "/people/" + request.address.ownerKey : request.address.catalogueAddress;
    std::optional<std::string> const page = fetch.page(url);
    if (!page)
        return std::nullopt;
    std::string name = net::RemoveSpaces(user ? NameFromUserPage(*page) : NameFromAlbumPage(*page));
    app::ProgramState::instance().setSelection({request.address.catalogueAddress, request.address.ownerKey, name});
    return name;
}

void beginListing(app::Window& window)
{
    window.setProgressPosition(Progress, 0);
    window.setText(PercentLabel, "0");
    for (int column = 4; column <= 7; ++column)
        window.setColumnWidth(column, 0);
    window.setText(StatusLabel, "相册获取中，耐心等待...");
    window.clearRows();
}

void stepProgress(app::Window& window)
{
    window.setProgressPosition(Progress, window.progressPosition(Progress) + 1);
    window.setText(PercentLabel, app::PercentText(window.progressPosition(Progress), window.progressMaximum(Progress)));
}

void endListing(app::Window& window)
{
    window.setVisible(Canvas, false);
    std::string const count = std::to_string(window.rowCount());
    window.setText(StatusLabel, "相册列表获取完毕,共计" + count + "个");
    window.appendLog("-----获取完毕,共计" + count + "个\r\n\r\n");
}

// The cover's picture bytes; the placeholder for an empty address or an
// answer that cannot be a picture. Nullopt once stopped.
std::optional<net::Bytes> coverPicture(std::string const& address, ListingFetch& fetch)
{
    if (address.empty())
        return DefaultCoverPicture();
    int status = 0;
    std::optional<net::Bytes> picture = fetch.cover(address, status);
    if (!picture)
        return std::nullopt;
    if (status != 200 || picture->empty())
        return DefaultCoverPicture();
    return picture;
}

int appendAlbumRow(app::Window& window, std::string const& title, std::string const& address, int coverIndex)
{
    int const row = window.appendRow();
    window.setCellText(row, 1, std::to_string(row + 1));
    window.setCellText(row, TitleColumn, title);
    if (coverIndex >= 0)
        window.setCellImage(row, CoverColumn, coverIndex);
    window.setCellText(row, AddressColumn, address);
    window.setRowCheckState(row, 1);
    return row;
}

}  // namespace

bool ListUserAlbums(app::Window& window, ListingRequest const& request, net::JobControl& control)
{
    ListingFetch fetch(window, control, request.pace);
    if (!learnOwnerName(request, fetch))
        return false;
    net::RegexMatcher matcher;
    beginListing(window);

    std::string const listPage = request.site.siteWebRoot + "/people/" + request.address.ownerKey + "/photos";
    std::optional<std::string> const first = fetch.page(listPage);
    if (!first || !net::PumpedDelay(1000, 0, &control))
        return false;

    std::string const& firstPage = *first;
    std::string totalPages = net::TextBetween(firstPage, "data-total-page=\"", "\">1</span>");
    if (totalPages.empty()) {
        totalPages = "1";
    } else {
        // Without the count marker this is 0, and the percentage shows "0%".
        long long const albums = net::LeadingNumber(net::TextBetween(firstPage, "<span class=\"count\">(共", "个)</span>"));
        window.setProgressMaximum(Progress, static_cast<int>(std::clamp<long long>(albums, 0, INT_MAX)));
    }
    long long const pageCount = net::LeadingNumber(totalPages);

    for (long long page = 1; page <= pageCount; ++page) {
        if (!control.checkpoint())
            return false;
        std::string const url = listPage + "?start=" + std::to_string((page - 1) * AlbumsPerListPage);
        std::optional<std::string> const text = fetch.page(url);
        if (!text)
            return false;
        matcher.Run(AlbumListPattern, *text);
        int const matches = matcher.MatchCount();
        if (totalPages == "1")
            window.setProgressMaximum(Progress, matches);

        for (int match = 1; match <= matches; ++match) {
            if (!control.checkpoint())
                return false;
            stepProgress(window);
            std::string const address = matcher.SubMatchText(match, 2);
            std::string const title = matcher.SubMatchText(match, 3);
            std::string const cover = matcher.SubMatchText(match, 1);

            // Read anew for every album: unticking mid-listing stops the covers.
            int coverIndex = -1;
            if (window.isChecked(CoversBox)) {
                window.setColumnWidth(CoverColumn, CoverWidth);
                std::optional<net::Bytes> const picture = coverPicture(cover, fetch);
                if (!picture)
                    return false;
                coverIndex = window.addCoverImage(*picture);
            } else {
                window.setColumnWidth(CoverColumn, 0);
            }
            appendAlbumRow(window, title, address, coverIndex);
        }
    }
    endListing(window);
    return true;
}

bool ListSingleAlbum(app::Window& window, ListingRequest const& request, net::JobControl& control)
{
    ListingFetch fetch(window, control, request.pace);
    std::optional<std::string> const ownerName = learnOwnerName(request, fetch);
    if (!ownerName)
        return false;
    beginListing(window);
    window.setProgressMaximum(Progress, 1);
    std::string const name = net::SafeFileName(*ownerName);
    window.setColumnWidth(CoverColumn, 0);
    appendAlbumRow(window, name, request.address.catalogueAddress, -1);
    stepProgress(window);
    endListing(window);
    return true;
}

}  // namespace catalogue
