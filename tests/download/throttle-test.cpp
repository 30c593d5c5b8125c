// The site's refusals waited out with a countdown, the polite delay, one
// more try for a photo the site could not serve, and every album's account.
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "download/request-pacer.h"
#include "net/job-control.h"
#include "tests/download/engine-fixture.h"

namespace engine_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::ReadFile;

// The "<n>秒后" of every countdown entry in the log, in order.
std::vector<int> countdownSeconds(std::string const& log)
{
    std::vector<int> seconds;
    std::regex const entry("网站限制访问（[^）]*），([0-9]+)秒后");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), entry); it != std::sregex_iterator(); ++it)
        seconds.push_back(std::stoi((*it)[1].str()));
    return seconds;
}

// Polls until `ready()` or 20 s have passed.
template <typename Ready>
bool eventually(Ready ready)
{
    auto const limit = Clock::now() + 20s;
    while (!ready()) {
        if (Clock::now() > limit)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST_F(EngineTest, ABurstOfRefusalsMidAlbumIsWaitedOutWithGrowingWaitsAndEveryPhotoIsSaved)
{
    auto const album = addAlbum("900", "限流", NumberedPhotos("90", 40));
    addRow("限流", site.albumAddress("900"));
    std::string const second = "/photos/album/900/?start=18";
    std::string const third = "/photos/album/900/?start=36";
    site.failWith(second, 403, 3);
    site.failWith(third, 403, 1);
    // One counted second is 10 ms: waits of 40, 80, 160 ms, at most 320.
    shortThrottle = {40ms, 320ms, 10ms};

    auto const summary = runJob();

    EXPECT_EQ(filesIn(albumFolder("限流40")), expectedFiles(album.photos));
    EXPECT_EQ(summary.photosSaved, 40);
    EXPECT_EQ(summary.throttleWaits, 4);
    EXPECT_EQ(summary.albumsFailed, 0);
    // Each refused request is made once more after its wait, no sooner.
    auto const times = site.arrivals(second);
    ASSERT_EQ(times.size(), 4u);
    EXPECT_GE(times[1] - times[0], 40ms);
    EXPECT_GE(times[2] - times[1], 80ms);
    EXPECT_GE(times[3] - times[2], 160ms);
    EXPECT_EQ(site.requestCount(third), 2);
    // The waits grow while refusals go on and start over after a success.
    auto const log = window.log();
    EXPECT_EQ(countdownSeconds(log), (std::vector<int>{4, 8, 16, 4}));
    EXPECT_NE(log.find("网站限制访问（状态码403），4秒后（"), std::string::npos);
    // Paused by itself, then running again, each time.
    auto const resumeShown = effectValues("visible", "按钮_继续下载");
    EXPECT_EQ(std::count(resumeShown.begin(), resumeShown.end(), "1"), 4);
    EXPECT_FALSE(window.isVisible("按钮_继续下载"));
    EXPECT_TRUE(window.isVisible("按钮_下载选中"));
    // The label counted down and got its text back.
    auto const counter = effectValues("text", "标签_动态");
    EXPECT_NE(std::find(counter.begin(), counter.end(), "网站限制访问，16秒后自动继续"), counter.end());
    EXPECT_NE(std::find(counter.begin(), counter.end(), "网站限制访问，1秒后自动继续"), counter.end());
    EXPECT_EQ(window.text("标签_动态"), "");
    EXPECT_TRUE(summary.ranToEnd);
}

TEST_F(EngineTest, RefusedPhotosAndARedirectToTheLoginPageAreWaitedOutAndRepeated)
{
    auto const album = addAlbum("901", "照片", NumberedPhotos("91", 3));
    addRow("照片", site.albumAddress("901"));
    // The request object and the plain fetch are both refused, twice over.
    site.failWith(mediumPath("912"), 429, 4);
    site.redirectTo(mediumPath("913"), "/accounts/login?redir=x", 2);

    auto const summary = runJob();

    auto const folder = albumFolder("照片3");
    EXPECT_EQ(filesIn(folder), expectedFiles(album.photos));
    EXPECT_EQ(ReadFile(folder / "2_913_.jpg"), FakeSite::MediumPicture(album.photos[2]));
    EXPECT_EQ(site.requestCount(mediumPath("912")), 5);  // two refused rounds, then the request object
    EXPECT_EQ(summary.throttleWaits, 3);
    EXPECT_EQ(summary.photosFailed, 0);
    auto const log = window.log();
    EXPECT_NE(log.find("网站限制访问（状态码429），"), std::string::npos);
    EXPECT_NE(log.find("网站限制访问（被转到登录页面），"), std::string::npos);
    EXPECT_NE(log.find("网站限制访问3次，均已等待后继续"), std::string::npos);
}

TEST_F(EngineTest, ContinueDuringACountdownGoesOnAtOnceAndStopEndsTheJob)
{
    for (bool const pressContinue : {true, false}) {
        SCOPED_TRACE(pressContinue ? "continue" : "stop");
        std::string const id = pressContinue ? "902" : "903";
        auto const album = addAlbum(id, "等" + id, NumberedPhotos(id, 2));
        window.clearRows();
        addRow("等" + id, site.albumAddress(id));
        std::string const page = "/photos/album/" + id + "/?start=0";
        auto const logStart = window.log().size();
        site.failWith(page, 403, 1);

        download::DownloadJob job(window);
        job.setRetryWait(0ms);
        job.setThrottleTiming({1h, 1h, 10ms});  // nobody waits this out
        job.start();
        ASSERT_TRUE(eventually([&] { return window.isVisible("按钮_继续下载") && window.isVisible("按钮_结束下载"); }));
        ASSERT_TRUE(eventually([&] { return window.text("标签_动态").starts_with("网站限制访问，"); }));
        EXPECT_FALSE(window.isVisible("按钮_暂停线程"));
        EXPECT_FALSE(window.isVisible("按钮_下载选中"));
        EXPECT_TRUE(job.isRunning());
        if (pressContinue)
            job.resume();
        else
            job.stop();
        job.join();

        if (pressContinue) {
            EXPECT_EQ(filesIn(albumFolder("等" + id + "2")), expectedFiles(album.photos));
            EXPECT_EQ(site.requestCount(page), 2);
            EXPECT_TRUE(job.summary().ranToEnd);
        } else {
            EXPECT_EQ(filesIn(albumFolder("等" + id + "2")), std::vector<std::string>{});
            EXPECT_EQ(site.requestCount(page), 1);
            EXPECT_FALSE(job.summary().ranToEnd);
            EXPECT_EQ(window.log().find("全部下载完毕", logStart), std::string::npos);
            EXPECT_EQ(window.text("标签_动态"), "") << "no countdown left on show";
        }
        EXPECT_TRUE(window.isVisible("按钮_下载选中"));
        EXPECT_FALSE(window.isVisible("按钮_继续下载"));
    }
}

TEST_F(EngineTest, AnOrdinaryPauseStillHoldsEveryDisplayUpdate)
{
    addAlbum("904", "停", NumberedPhotos("94", 3));
    addRow("停", site.albumAddress("904"));
    site.hold(mediumPath("942"));

    download::DownloadJob job(window);
    job.setThrottleTiming(shortThrottle);
    job.start();
    ASSERT_TRUE(site.waitForHeld(mediumPath("942")));
    job.pause();
    auto const before = window.effects().size();
    site.release(mediumPath("942"));
    // The answer is in; nothing of it may show while paused.
    ASSERT_TRUE(eventually([&] { return site.requestCount(mediumPath("942")) == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(window.effects().size(), before);
    job.resume();
    job.join();
    EXPECT_TRUE(job.summary().ranToEnd);
}

TEST_F(EngineTest, APhotoTheSiteCouldNotServeIsTriedOnceMoreAfterTheOthers)
{
    auto const album = addAlbum("905", "再", NumberedPhotos("95", 3));
    addAlbum("906", "坏", NumberedPhotos("96", 2));
    addRow("再", site.albumAddress("905"));
    addRow("坏", site.albumAddress("906"));
    site.failWith(mediumPath("952"), 503, 2);  // both fetches of the first pass
    site.failWith(mediumPath("961"), 503);     // for good

    auto const summary = runJob();

    EXPECT_EQ(filesIn(albumFolder("再3")), expectedFiles(album.photos));
    auto const log = site.requests();
    auto const retried = std::find(log.rbegin(), log.rend(), mediumPath("952")).base();
    auto const third = std::find(log.begin(), log.end(), mediumPath("953"));
    EXPECT_LT(third, retried) << "the retry comes after the album's other photos";
    EXPECT_EQ(site.requestCount(mediumPath("952")), 3);

    EXPECT_EQ(filesIn(albumFolder("坏2")), std::vector<std::string>{"1_962_.jpg"});
    EXPECT_EQ(site.requestCount(mediumPath("961")), 4);
    EXPECT_EQ(summary.photosFailed, 1);
    EXPECT_EQ(summary.photosSaved, 4);
    auto const entries = window.log();
    EXPECT_NE(entries.find("照片961下载失败（状态码503）"), std::string::npos);
    EXPECT_EQ(entries.find("照片952下载失败"), std::string::npos);
    EXPECT_NE(entries.find("相册《坏》：标明2张，本次保存1张，已有记录跳过0张，失败1张\r\n\r\n"), std::string::npos);
}

TEST_F(EngineTest, AnAlbumShowingFewerPhotosThanItStatesIsAFailedAlbum)
{
    struct Case {
        char const* name;
        bool api;
        std::string id;
        std::string title;
        std::optional<std::string> countText;
        int photos;
        bool thumbnailsLost;
        std::string entry;
    };
    std::vector<Case> const cases = {
        {"browse, thumbnails gone", false, "910", "无图", std::nullopt, 5, true,
         "相册《无图》标明5张照片，但各页都没有找到照片，网站的页面格式可能已经改变\r\n\r\n"},
        {"browse, fewer", false, "911", "少图", std::string("5"), 3, false,
         "相册《少图》标明5张照片，各页只找到3张，网站的页面格式可能已经改变\r\n\r\n"},
        {"api, fewer", true, "912", "接口少", std::string("4"), 1, false,
         "相册《接口少》标明4张照片，各页只找到1张，网站的页面格式可能已经改变\r\n\r\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string const& title = c.title;
        auto const logStart = window.log().size();
        site.addAlbum({c.id, title, NumberedPhotos(c.id, c.photos), {}, c.countText});
        if (c.thumbnailsLost) {
            site.answerWith("/photos/album/" + c.id + "/", 200,
                            "<h1>" + title + "</h1>\n</span>\n\n<span class=\"pl\">5张照片</span>\n<p>new layout</p>");
        }
        window.clearRows();
        window.setChecked("选择框_浏览模式", !c.api);
        window.setChecked("选择框_api模式", c.api);
        addRow(title, site.albumAddress(c.id));

        auto const summary = runJob();

        auto const log = window.log().substr(logStart);
        EXPECT_NE(log.find(c.entry), std::string::npos) << log;
        EXPECT_EQ(summary.albumsFailed, 1);
        EXPECT_EQ(summary.albumsLayoutChanged, 1);
        EXPECT_EQ(summary.albumsDone, 0);
        EXPECT_NE(log.find("；1个相册未能下载完整，详见上面的记录\r\n\r\n-------全部下载完毕"), std::string::npos);
    }
}

TEST_F(EngineTest, ThePoliteDelaySpacesEveryRequestOfTheJob)
{
    useApiMode();
    addAlbum("920", "慢", NumberedPhotos("92", 1));
    addRow("慢", site.albumAddress("920"));
    ASSERT_TRUE(app::ProgramSettings().Write("全局设置", "请求间隔", "1"));

    auto const summary = runJob();

    EXPECT_EQ(summary.photosSaved, 1);
    auto const times = site.allArrivals();
    ASSERT_EQ(times.size(), 3u);  // the total, the page, the photo
    EXPECT_GE(times[1] - times[0], 1s);
    EXPECT_GE(times[2] - times[1], 1s);

    // The console's value goes before the setting's, which here reads as none.
    ASSERT_TRUE(app::ProgramSettings().Write("全局设置", "请求间隔", "soon"));
    site.clearRequests();
    download::JobOverrides overrides;
    overrides.requestDelaySeconds = 1;
    runJob(overrides);
    auto const again = site.allArrivals();
    ASSERT_EQ(again.size(), 3u);
    EXPECT_GE(again[1] - again[0], 1s);
    EXPECT_GE(again[2] - again[1], 1s);
}

TEST_F(EngineTest, AStopEndsThePoliteDelayAtOnce)
{
    useApiMode();
    addAlbum("921", "久", NumberedPhotos("921", 1));
    addRow("久", site.albumAddress("921"));
    download::DownloadJob job(window);
    download::JobOverrides overrides;
    overrides.requestDelaySeconds = 3600;
    job.setOverrides(overrides);
    job.start();
    ASSERT_TRUE(eventually([&] { return site.requestCount("/v2/album/921/photos?count=1") == 1; }));
    job.stop();
    job.join();  // an hour, were the delay not cut short
    EXPECT_EQ(site.requests().size(), 1u);
    EXPECT_FALSE(job.summary().ranToEnd);
}

TEST(RequestDelayTest, OnlyANonNegativeWholeNumberCounts)
{
    struct Case {
        char const* text;
        int seconds;
    };
    Case const cases[] = {{"0", 0},  {"3", 3},    {" 2 ", 2},      {"", 0},           {"-1", 0},
                          {"1.5", 0}, {"abc", 0}, {"2s", 0},       {"86400", 86400},  {"99999999999", 86400}};
    for (auto const& c : cases)
        EXPECT_EQ(download::ParseRequestDelay(c.text), c.seconds) << c.text;
}

}  // namespace
}  // namespace engine_test
