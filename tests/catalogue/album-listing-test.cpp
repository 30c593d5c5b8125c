#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/memory-window.h"
#include "app/program-state.h"
#include "catalogue/album-listing.h"
#include "catalogue/catalogue.h"
#include "catalogue/default-cover.h"
#include "tests/catalogue/page-server.h"
#include "tests/support/sandbox.h"

namespace {

using catalogue_test::PageServer;
using namespace std::chrono_literals;

// Refusal waits of tens of milliseconds, a displayed second of 10 ms.
catalogue::ListingPace ShortPace()
{
    catalogue::ListingPace pace;
    pace.firstRefusalWait = 40ms;
    pace.longestRefusalWait = 1s;
    pace.countdownTick = 10ms;
    pace.retryWait = 5ms;
    return pace;
}

constexpr char AddressBox[] = "编辑框_号码";
constexpr char GetAlbumsButton[] = "按钮_获取相册封面";
constexpr char StatusLabel[] = "标签_动态";
constexpr char PercentLabel[] = "标签_进度条比例";
constexpr char Progress[] = "进度条1";
constexpr char CoversBox[] = "选择框_有图";

class Listing : public ::testing::Test {
protected:
    Listing()
    {
        app::SiteConfig site;
        site.siteWebRoot = server.root();
        site.siteDomain = server.domain();
        site.siteApiRoot = server.root();
        app::ProgramState::instance().setSite(site);
        app::ProgramState::instance().setSelection({});
    }

    void serveUser()
    {
        server.serveFixture("/people/ahuang", "user-home.html");
        server.serveFixture("/people/ahuang/photos", "album-list-page1.html");
        server.serveFixture("/people/ahuang/photos?start=16", "album-list-page2.html");
    }

    // Types the address, clicks, and waits for the listing to end.
    bool list(std::string const& address)
    {
        window.setText(AddressBox, address);
        bool const started = catalogue.onGetAlbumsClick();
        catalogue.join();
        return started;
    }

    std::vector<std::string> textsOf(std::string const& control) const
    {
        std::vector<std::string> texts;
        for (auto const& effect : window.effects())
            if (effect.kind == "text" && effect.control == control)
                texts.push_back(effect.value);
        return texts;
    }

    testing_support::Sandbox sandbox;
    PageServer server;
    app::MemoryWindow window;
    catalogue::Catalogue catalogue{window, ShortPace()};
};

// Counts the entries of the log holding `text`.
size_t Occurrences(std::string const& log, std::string const& text)
{
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++count;
    return count;
}

TEST(AlbumListPattern, IsTheFourLineText)
{
    EXPECT_EQ(sizeof(catalogue::AlbumListPattern) - 1, 129u);
    EXPECT_EQ(std::string(catalogue::AlbumListPattern).find('\r'), std::string::npos);
}

TEST_F(Listing, UserWithTwoPagesFetchesTheFirstPageTwice)
{
    serveUser();
    ASSERT_TRUE(list(server.domain() + "/people/ahuang/"));

    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/people/ahuang", "/people/ahuang/photos",
                                                          "/people/ahuang/photos?start=0",
                                                          "/people/ahuang/photos?start=16"}));
    auto const rows = window.rows();
    ASSERT_EQ(rows.size(), 20u);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].cells.at(1), std::to_string(i + 1));
        EXPECT_EQ(rows[i].cells.at(5), server.root() + "/photos/album/" + std::to_string(1001 + i) + "/");
        EXPECT_EQ(rows[i].checkState, 1);
        EXPECT_FALSE(rows[i].images.contains(3));
    }
    EXPECT_EQ(rows[0].cells.at(2), "相册 1");
    // Titles stay exactly as the page gives them.
    EXPECT_EQ(rows[16].cells.at(2), "  带空格 的标题 ");
    EXPECT_EQ(rows[17].cells.at(2), "&amp;符号 &lt;18&gt;");

    // The maximum comes from the count marker, so row 5 of 20 shows 25%.
    EXPECT_EQ(window.progressMaximum(Progress), 20);
    auto const percents = textsOf(PercentLabel);
    ASSERT_EQ(percents.size(), 21u);
    EXPECT_EQ(percents[0], "0");
    EXPECT_EQ(percents[5], "25%");
    EXPECT_EQ(percents[20], "100%");

    EXPECT_EQ(textsOf(StatusLabel), (std::vector<std::string>{"温馨提示：正在获取相册列表...", "相册获取中，耐心等待...",
                                                              "相册列表获取完毕,共计20个"}));
    EXPECT_EQ(window.log(), "正努力获取相册列表，耐心等待哈！\r\n\r\n-----获取完毕,共计20个\r\n\r\n");
    for (int column : {3, 4, 5, 6, 7})
        EXPECT_EQ(window.columnWidth(column), 0) << column;
    EXPECT_FALSE(window.isVisible("画板1"));
    EXPECT_TRUE(window.isEnabled(GetAlbumsButton));

    auto const selection = app::ProgramState::instance().selection();
    EXPECT_EQ(selection.catalogueAddress, "http://" + server.domain() + "/people/ahuang/");
    EXPECT_EQ(selection.ownerKey, "ahuang");
    EXPECT_EQ(selection.ownerName, "阿黄Wong");
}

TEST_F(Listing, VisibleEffectsKeepTheirOrderWithTheNameFetchOnTheWorker)
{
    serveUser();
    ASSERT_TRUE(list(server.root() + "/people/ahuang"));
    std::vector<std::string> order;
    for (auto const& effect : window.effects()) {
        if (effect.control == StatusLabel || effect.kind == "log" || (effect.kind == "rows" && effect.value.empty())
            || effect.kind == "enabled")
            order.push_back(effect.kind + ":" + effect.value);
    }
    ASSERT_GE(order.size(), 6u);
    EXPECT_EQ(order[0], "text:温馨提示：正在获取相册列表...");
    EXPECT_EQ(order[1], "log:正努力获取相册列表，耐心等待哈！\r\n\r\n");
    EXPECT_EQ(order[2], "enabled:0");
    EXPECT_EQ(order[3], "text:相册获取中，耐心等待...");
    EXPECT_EQ(order[4], "rows:");  // the list is cleared after the status, as the listing begins
    EXPECT_EQ(order.back(), "enabled:1");
}

TEST_F(Listing, HttpsUserAddressListsThroughTheSiteRoot)
{
    serveUser();
    ASSERT_TRUE(list("https://" + server.domain() + "/people/ahuang/photos"));
    EXPECT_EQ(window.rows().size(), 20u);
    EXPECT_EQ(app::ProgramState::instance().selection().catalogueAddress,
              "https://" + server.domain() + "/people/ahuang/photos");
}

TEST_F(Listing, SinglePageUserTakesTheMaximumFromTheMatchesAndFetchesCovers)
{
    server.serveFixture("/people/ahuang", "user-home-title-only.html");
    server.serveFixture("/people/ahuang/photos", "album-list-single-page.html");
    server.serve("/covers/1.jpg", "JPEG-ONE");
    // /covers/3.jpg is not there: the placeholder stands in.
    window.setChecked(CoversBox, true);
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));

    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/people/ahuang", "/people/ahuang/photos",
                                                          "/people/ahuang/photos?start=0", "/covers/1.jpg",
                                                          "/covers/3.jpg"}));
    EXPECT_EQ(window.progressMaximum(Progress), 3);
    EXPECT_EQ(textsOf(PercentLabel), (std::vector<std::string>{"0", "33%", "66%", "100%"}));
    EXPECT_EQ(window.columnWidth(3), 100);

    auto const covers = window.coverImages();
    ASSERT_EQ(covers.size(), 3u);
    EXPECT_EQ(covers[0], "JPEG-ONE");
    EXPECT_EQ(covers[1], catalogue::DefaultCoverPicture());  // empty cover address
    EXPECT_EQ(covers[2], catalogue::DefaultCoverPicture());  // cover answered 404
    auto const rows = window.rows();
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows[static_cast<size_t>(i)].images.at(3), i);
    // Title fallback, line feeds and every space removed.
    EXPECT_EQ(app::ProgramState::instance().selection().ownerName, "小明同学");
}

TEST_F(Listing, UntickingCoversMidListingStopsFetchingThem)
{
    serveUser();
    for (int i = 1; i <= 20; ++i)
        server.serve("/covers/" + std::to_string(i) + ".jpg", "JPEG-" + std::to_string(i));
    server.hold("/covers/3.jpg");
    window.setChecked(CoversBox, true);
    window.setText(AddressBox, server.domain() + "/people/ahuang");
    ASSERT_TRUE(catalogue.onGetAlbumsClick());
    server.waitForRequests(6);  // name, first page, start=0, covers 1 to 3
    window.setChecked(CoversBox, false);
    server.release();
    catalogue.join();

    auto const requests = server.requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[5], "/covers/3.jpg");
    EXPECT_EQ(requests[6], "/people/ahuang/photos?start=16");
    EXPECT_EQ(window.coverImages().size(), 3u);
    EXPECT_EQ(window.columnWidth(3), 0);
    auto const rows = window.rows();
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_TRUE(rows[2].images.contains(3));
    EXPECT_FALSE(rows[3].images.contains(3));
}

TEST_F(Listing, PagesMarkerWithoutCountShowsZeroPercent)
{
    server.serveFixture("/people/ahuang", "user-home.html");
    server.serveFixture("/people/ahuang/photos", "album-list-no-count.html");
    server.serveFixture("/people/ahuang/photos?start=16", "album-list-changed-markup.html");
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));
    EXPECT_EQ(window.rows().size(), 2u);
    EXPECT_EQ(window.progressMaximum(Progress), 0);
    EXPECT_EQ(textsOf(PercentLabel), (std::vector<std::string>{"0", "0%", "0%"}));
}

TEST_F(Listing, ChangedMarkupOrUnreachablePagesListNothing)
{
    server.serveFixture("/people/ahuang", "user-home.html");
    server.serveFixture("/people/ahuang/photos", "album-list-changed-markup.html");
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));
    EXPECT_TRUE(window.rows().empty());
    EXPECT_EQ(window.text(StatusLabel), "相册列表获取完毕,共计0个");

    // A user the site does not know: the name is whatever the error page
    // holds, and the listing still ends with its messages.
    ASSERT_TRUE(list(server.domain() + "/people/nobody/"));
    EXPECT_TRUE(window.rows().empty());
    EXPECT_EQ(app::ProgramState::instance().selection().ownerKey, "nobody");
    EXPECT_EQ(app::ProgramState::instance().selection().ownerName, "");
    EXPECT_TRUE(window.log().ends_with("\r\n\r\n-----获取完毕,共计0个\r\n\r\n"));
}

TEST_F(Listing, SingleAlbumGivesOneRowWithTheTypedAddress)
{
    server.serveFixture("/photos/album/777", "album-page.html");
    std::string const address = "http://" + server.domain() + "/photos/album/777";
    ASSERT_TRUE(list("  " + address));

    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/photos/album/777"}));
    auto const rows = window.rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells.at(1), "1");
    EXPECT_EQ(rows[0].cells.at(2), "旅行2019夏天");  // without "：" and "|"
    EXPECT_EQ(rows[0].cells.at(5), address);
    EXPECT_EQ(rows[0].checkState, 1);
    EXPECT_TRUE(rows[0].images.empty());
    EXPECT_EQ(window.progressMaximum(Progress), 1);
    EXPECT_EQ(window.text(PercentLabel), "100%");
    EXPECT_EQ(window.columnWidth(3), 0);
    EXPECT_EQ(window.text(StatusLabel), "相册列表获取完毕,共计1个");
    auto const selection = app::ProgramState::instance().selection();
    EXPECT_EQ(selection.ownerKey, "777");
    EXPECT_EQ(selection.ownerName, "旅行：2019|夏天");
}

TEST_F(Listing, EmptyAndUnrecognisedAddressesAreRefusedWithTheirMessage)
{
    app::ProgramState::instance().setSelection({"old", "oldkey", "oldname"});
    window.setText(AddressBox, "");
    EXPECT_FALSE(catalogue.onGetAlbumsClick());
    window.setText(AddressBox, "   ");
    EXPECT_FALSE(catalogue.onGetAlbumsClick());
    window.setText(AddressBox, "http://elsewhere.test/people/x");
    EXPECT_FALSE(catalogue.onGetAlbumsClick());

    EXPECT_EQ(window.messages(), (std::vector<std::string>{"请输入网址", "网址格式不符", "网址格式不符"}));
    EXPECT_EQ(window.log(), "");
    EXPECT_TRUE(server.requests().empty());
    // The refused text replaces the address; the owner stays.
    auto const selection = app::ProgramState::instance().selection();
    EXPECT_EQ(selection.catalogueAddress, "http://elsewhere.test/people/x");
    EXPECT_EQ(selection.ownerKey, "oldkey");
    EXPECT_EQ(selection.ownerName, "oldname");
}

TEST_F(Listing, SecondClickWhileListingIsRefused)
{
    serveUser();
    server.hold("/people/ahuang");
    window.setText(AddressBox, server.domain() + "/people/ahuang");
    ASSERT_TRUE(catalogue.onGetAlbumsClick());
    server.waitForRequests(1);
    EXPECT_TRUE(catalogue.isListing());
    EXPECT_FALSE(window.isEnabled(GetAlbumsButton));
    EXPECT_FALSE(catalogue.onGetAlbumsClick());
    server.release();
    catalogue.join();

    EXPECT_FALSE(catalogue.isListing());
    EXPECT_TRUE(window.isEnabled(GetAlbumsButton));
    EXPECT_EQ(server.requests().size(), 4u);
    EXPECT_EQ(window.rows().size(), 20u);
    // Once ended, the next click lists again.
    EXPECT_TRUE(list(server.domain() + "/people/ahuang"));
    EXPECT_EQ(window.rows().size(), 20u);
}

TEST_F(Listing, StopEndsTheListingWithoutFurtherWindowCalls)
{
    serveUser();
    server.hold("/people/ahuang/photos");
    window.setText(AddressBox, server.domain() + "/people/ahuang");
    ASSERT_TRUE(catalogue.onGetAlbumsClick());
    server.waitForRequests(2);
    catalogue.stop();
    server.release();
    catalogue.join();
    EXPECT_FALSE(catalogue.isListing());
    EXPECT_TRUE(window.rows().empty());
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_NE(window.text(StatusLabel), "相册列表获取完毕,共计0个");
}

TEST_F(Listing, RefusedListPageIsCountedDownAndAskedAgainWithGrowingWaits)
{
    serveUser();
    server.refuse("/people/ahuang/photos?start=16", 2, 429);
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));

    std::vector<std::string> const requests = server.requests();
    EXPECT_EQ(requests, (std::vector<std::string>{"/people/ahuang", "/people/ahuang/photos",
                                                  "/people/ahuang/photos?start=0", "/people/ahuang/photos?start=16",
                                                  "/people/ahuang/photos?start=16",
                                                  "/people/ahuang/photos?start=16"}));
    // 40 ms after the first refusal, 80 ms after the second.
    auto const arrivals = server.arrivals();
    ASSERT_EQ(arrivals.size(), 6u);
    EXPECT_GE(arrivals[4] - arrivals[3], 40ms);
    EXPECT_GE(arrivals[5] - arrivals[4], 80ms);

    EXPECT_EQ(window.rows().size(), 20u);
    EXPECT_EQ(window.rows().back().cells.at(5), server.root() + "/photos/album/1020/");
    std::string const log = window.log();
    EXPECT_EQ(Occurrences(log, "网站限制访问（状态码429）"), 2u) << log;
    // In displayed seconds of 10 ms: the wait doubles while refusals go on.
    EXPECT_EQ(Occurrences(log, "（状态码429），4秒后"), 1u) << log;
    EXPECT_EQ(Occurrences(log, "（状态码429），8秒后"), 1u) << log;
    EXPECT_TRUE(log.ends_with("-----获取完毕,共计20个\r\n\r\n")) << log;

    // The countdown shows in the status label, which gets its text back.
    auto const status = textsOf(StatusLabel);
    EXPECT_NE(std::find_if(status.begin(), status.end(),
                           [](std::string const& text) { return text.starts_with("网站限制访问，"); }),
              status.end());
    EXPECT_EQ(status.back(), "相册列表获取完毕,共计20个");
    EXPECT_TRUE(window.isEnabled(GetAlbumsButton));
}

TEST_F(Listing, RedirectToTheLoginPageIsARefusal)
{
    serveUser();
    server.serve("/accounts/login", "<html>请登录</html>");
    server.refuse("/people/ahuang/photos?start=0", 1, 302, "{{ROOT}}/accounts/login?redir=photos");
    server.serve("/covers/1.jpg", "JPEG-ONE");
    // A cover sent to the refusal page is asked again too.
    server.refuse("/covers/1.jpg", 1, 302, "{{ROOT}}/misc/sorry?original-url=cover");
    server.serve("/misc/sorry", "<html>检测到有异常请求</html>");
    window.setChecked(CoversBox, true);
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));

    std::vector<std::string> const requests = server.requests();
    ASSERT_GE(requests.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(requests.begin() + 2, requests.begin() + 8),
              (std::vector<std::string>{"/people/ahuang/photos?start=0", "/accounts/login?redir=photos",
                                        "/people/ahuang/photos?start=0", "/covers/1.jpg",
                                        "/misc/sorry?original-url=cover", "/covers/1.jpg"}));
    EXPECT_EQ(window.rows().size(), 20u);
    ASSERT_FALSE(window.coverImages().empty());
    EXPECT_EQ(window.coverImages().front(), "JPEG-ONE");
    // A success between the refusals: the second wait is the first again.
    EXPECT_EQ(Occurrences(window.log(), "网站限制访问（转到了登录页），4秒后"), 2u) << window.log();
}

TEST_F(Listing, PassingFailuresOfAPageAreTriedAgainThenTheListingGoesOn)
{
    serveUser();
    server.refuse("/people/ahuang/photos?start=0", 2, 503);
    // The second list page never recovers: ten attempts, then the listing
    // ends with what it has.
    server.refuse("/people/ahuang/photos?start=16", 12, 500);
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));

    std::vector<std::string> const requests = server.requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "/people/ahuang/photos?start=0"), 3);
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "/people/ahuang/photos?start=16"), 10);
    EXPECT_EQ(window.rows().size(), 16u);
    EXPECT_EQ(Occurrences(window.log(), "网站限制访问"), 0u);
    EXPECT_EQ(window.text(StatusLabel), "相册列表获取完毕,共计16个");
}

TEST_F(Listing, StopDuringTheCountdownEndsTheListingAtOnce)
{
    serveUser();
    server.refuse("/people/ahuang/photos?start=0", 5, 403);
    catalogue::ListingPace pace = ShortPace();
    pace.firstRefusalWait = 10min;  // only the stop can end this wait
    catalogue::Catalogue patient(window, pace);
    window.setText(AddressBox, server.domain() + "/people/ahuang");
    ASSERT_TRUE(patient.onGetAlbumsClick());
    while (window.log().find("网站限制访问") == std::string::npos)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(patient.isListing());
    auto const stopped = std::chrono::steady_clock::now();
    patient.stop();
    patient.join();

    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 5s);
    EXPECT_FALSE(patient.isListing());
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_TRUE(window.rows().empty());
    EXPECT_EQ(window.log().find("获取完毕"), std::string::npos);
    EXPECT_FALSE(window.isEnabled(GetAlbumsButton));  // the window is closing: no further calls
}

TEST_F(Listing, PoliteDelayIsKeptBetweenRequests)
{
    testing_support::WriteFile(sandbox.programFolder() / "peizi.ini", "[全局设置]\n请求间隔=1\n");
    server.serveFixture("/people/ahuang", "user-home-title-only.html");
    server.serveFixture("/people/ahuang/photos", "album-list-single-page.html");
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));

    auto const arrivals = server.arrivals();
    ASSERT_EQ(arrivals.size(), 3u);
    for (size_t i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i] - arrivals[i - 1], 1s) << i;
    EXPECT_EQ(window.rows().size(), 3u);

    // An override (the console's option) takes the setting's place.
    testing_support::WriteFile(sandbox.programFolder() / "peizi.ini", "[全局设置]\n请求间隔=0\n");
    catalogue.overridePoliteDelay(1s);
    ASSERT_TRUE(list(server.domain() + "/people/ahuang"));
    auto const again = server.arrivals();
    ASSERT_EQ(again.size(), 6u);
    EXPECT_GE(again[4] - again[3], 1s);
}

TEST(DefaultCover, IsTheResourceFile)
{
    std::filesystem::path const file = std::filesystem::path(FIXTURES_DIR) / ".." / ".." / "resources" / "default-cover.jpg";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "built without the cover picture";
    EXPECT_EQ(catalogue::DefaultCoverPicture(), testing_support::ReadFile(file));
}

}  // namespace
