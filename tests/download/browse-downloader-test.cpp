// The browse-mode downloader against the fake site: pages and counts, file
// and folder names, fallbacks, the record, failed and skipped albums.
#include <string>
#include <vector>

#include "tests/download/engine-fixture.h"

namespace engine_test {
namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

TEST_F(EngineTest, BrowseDownloadsAnAlbumIntoOwnerAndAlbumFoldersNamedByPosition)
{
    auto const album = addAlbum("501", "旅行", NumberedPhotos("90", 40));
    addRow("旅行", site.albumAddress("501"));

    auto const summary = runJob();

    auto const folder = albumFolder("旅行40");
    EXPECT_EQ(filesIn(folder), expectedFiles(album.photos));
    EXPECT_EQ(ReadFile(folder / "0_901_.jpg"), FakeSite::MediumPicture(album.photos[0]));
    EXPECT_EQ(ReadFile(folder / "39_9040_.jpg"), FakeSite::MediumPicture(album.photos[39]));
    EXPECT_EQ(window.log(), "当前被选择相册编号:1、\r\n\r\n"
                            "准备下载相册《旅行》\r\n\r\n"
                            "相册《旅行》：标明40张，本次保存40张，已有记录跳过0张，失败0张\r\n\r\n"
                            "---完成相册《旅行40》下载\r\n\r\n"
                            "本次共1个相册：标明40张照片，本次保存40张，已有记录跳过0张，失败0张\r\n\r\n"
                            "-------全部下载完毕--------\r\n\r\n");
    // The first page twice: once for the count, once as page 1.
    std::vector<std::string> pages;
    for (auto const& target : site.requests()) {
        if (target.starts_with("/photos/album/"))
            pages.push_back(target);
    }
    EXPECT_EQ(pages, (std::vector<std::string>{"/photos/album/501/", "/photos/album/501/?start=0",
                                               "/photos/album/501/?start=18", "/photos/album/501/?start=36"}));
    EXPECT_EQ(summary.photosSaved, 40);
    EXPECT_EQ(summary.albumsDone, 1);
    EXPECT_TRUE(summary.ranToEnd);
    EXPECT_TRUE(recorded(OwnerKey, "901"));
    EXPECT_TRUE(recorded(OwnerKey, "9040"));

    auto const counters = effectValues("text", "标签_第多少张照片");
    ASSERT_GE(counters.size(), 3U);
    EXPECT_EQ(counters[0], "40/1");
    EXPECT_EQ(counters[counters.size() - 3], "40/40");
    EXPECT_EQ(counters[counters.size() - 2], "");
    EXPECT_EQ(counters.back(), "下载完成");
    auto const percents = effectValues("text", "标签_进度条比例");
    EXPECT_EQ(percents.front(), "");
    EXPECT_EQ(percents[1], "2%");  // 1 of 40
    EXPECT_EQ(effectValues("maximum", "进度条1"), std::vector<std::string>{"40"});
}

TEST_F(EngineTest, BrowsePagesFollowTheCountAndALastEmptyPageIsHarmless)
{
    struct Case {
        int photos;
        std::vector<std::string> starts;
    };
    std::vector<Case> const cases = {
        {36, {"0", "18", "36"}},
        {17, {"0"}},
        {18, {"0", "18"}},
    };
    for (auto const& c : cases) {
        std::string const id = std::string("7") + std::to_string(c.photos);
        auto const album = addAlbum(id, "相册", NumberedPhotos(id + "0", c.photos));
        window.clearRows();
        addRow("相册", site.albumAddress(id));
        site.clearRequests();
        runJob();
        std::vector<std::string> starts;
        for (auto const& target : site.requests()) {
            auto const at = target.find("?start=");
            if (target.starts_with("/photos/album/") && at != std::string::npos)
                starts.push_back(target.substr(at + 7));
        }
        EXPECT_EQ(starts, c.starts) << c.photos << " photos";
        EXPECT_EQ(filesIn(albumFolder(std::string("相册") + std::to_string(c.photos))), expectedFiles(album.photos));
    }
}

TEST_F(EngineTest, BrowseUsesTheImageHeaderBlockWithThePhotosOwnReferer)
{
    addAlbum("502", "a", {FakePhoto{"4242", "", 48, false}});
    addRow("a", site.albumAddress("502"));
    runJob();

    auto const headers = site.lastHeaders(mediumPath("4242"));
    EXPECT_EQ(headers.at("User-Agent"), "Mozilla/5.0 (Windows NT 6.1; WOW64; rv:43.0) Gecko/20100101 Firefox/43.0");
    EXPECT_EQ(headers.at("Accept"), "image/png,image/*;q=0.8,*/*;q=0.5");
    EXPECT_EQ(headers.at("Accept-Language"), "zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3");
    EXPECT_EQ(headers.at("DNT"), "1");
    EXPECT_EQ(headers.at("Referer"), site.root() + "/photos/photo/4242/large");
}

TEST_F(EngineTest, FetchFallbacksDecideWhatIsSavedAndAFailedPhotoLeavesNoFileAndNoRecord)
{
    struct Case {
        std::string name;
        bool fullSize;
        std::vector<std::pair<std::string, int>> failures;  // path, status (once: -status)
        char saved;                                          // 'M', 'L' or 0 for a failed photo
    };
    std::vector<Case> const cases = {
        {"medium ok", false, {}, 'M'},
        {"medium refused once, plain fetch ok", false, {{"medium", -500}}, 'M'},
        {"medium gone", false, {{"medium", 404}}, 0},
        {"full ok", true, {}, 'L'},
        {"full 404 takes the medium picture", true, {{"large", 404}}, 'M'},
        {"full 503 once, plain fetch of full size", true, {{"large", -503}}, 'L'},
        {"full 500, plain fetch 500", true, {{"large", 500}}, 0},
        {"full 404, medium gone", true, {{"large", 404}, {"medium", 404}}, 0},
    };
    int n = 0;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string const album = std::string("60") + std::to_string(++n);
        std::string const title = std::string("f") + std::to_string(n);
        FakePhoto const photo{album + "01", "", 64, false};
        addAlbum(album, title, {photo});
        for (auto const& [which, status] : c.failures) {
            auto const path = which == "medium" ? mediumPath(photo.id) : largePath(photo.id);
            site.failWith(path, status < 0 ? -status : status, status < 0 ? 1 : -1);
        }
        window.clearRows();
        addRow(title, site.albumAddress(album));
        window.setChecked("单选框_中图", !c.fullSize);
        window.setChecked("单选框_原图", c.fullSize);
        // An older file under the photo's name is kept when the fetch fails.
        auto const folder = albumFolder(title + "1");
        auto const file = folder / ("0_" + photo.id + "_.jpg");
        WriteFile(file, "older");

        auto const summary = runJob();

        std::string const expected = c.saved == 'M'   ? FakeSite::MediumPicture(photo)
                                     : c.saved == 'L' ? FakeSite::LargePicture(photo)
                                                      : std::string("older");
        EXPECT_EQ(ReadFile(file), expected);
        EXPECT_EQ(recorded(OwnerKey, photo.id), c.saved != 0);
        EXPECT_EQ(summary.photosFailed, c.saved == 0 ? 1 : 0);
        if (c.saved == 0) {
            EXPECT_NE(window.log().find("照片" + photo.id + "下载失败"), std::string::npos);
        }
        // No temporary file is left beside it.
        EXPECT_EQ(filesIn(folder), std::vector<std::string>{"0_" + photo.id + "_.jpg"});
    }
}

TEST_F(EngineTest, AFailedPhotoKeepsItsPositionAndIsFetchedAgainNextRunWithTheRecordOn)
{
    auto const album = addAlbum("610", "r", NumberedPhotos("61", 3));
    addRow("r", site.albumAddress("610"));
    site.failWith(mediumPath("612"), 404);

    auto const first = runJob(recordOn());
    EXPECT_EQ(filesIn(albumFolder("r3")), (std::vector<std::string>{"0_611_.jpg", "2_613_.jpg"}));
    EXPECT_EQ(first.photosFailed, 1);
    EXPECT_EQ(effectValues("text", "标签_第多少张照片")[1], "3/2");

    site.failWith(mediumPath("612"), 0, 0);  // served normally again
    site.clearRequests();
    auto const second = runJob(recordOn());
    EXPECT_EQ(imageRequests(), 1);
    EXPECT_EQ(site.requestCount(mediumPath("612")), 1);
    EXPECT_EQ(filesIn(albumFolder("r3")), expectedFiles(album.photos));
    EXPECT_EQ(second.photosSkipped, 2);
    EXPECT_EQ(second.photosSaved, 1);
}

TEST_F(EngineTest, RecordSkipsHandledPhotosAcrossRunsAlbumsAndModes)
{
    auto const album = addAlbum("620", "rec", NumberedPhotos("62", 5));
    addRow("rec", site.albumAddress("620"));

    // Collected while the setting is off, in effect once it is on: read from
    // the settings file at the job's start.
    runJob();
    EXPECT_EQ(imageRequests(), 5);
    ASSERT_TRUE(app::ProgramSettings().Write("全局设置", "下载记录", "1"));
    site.clearRequests();
    auto const browseAgain = runJob();
    EXPECT_EQ(imageRequests(), 0);
    EXPECT_EQ(browseAgain.photosSkipped, 5);
    EXPECT_EQ(effectValues("text", "标签_第多少张照片").rbegin()[2], "5/5");
    EXPECT_EQ(effectValues("text", "标签_进度条比例").back(), "100%");

    // The API run over the same album finds the browse run's identifiers.
    useApiMode();
    site.clearRequests();
    auto const api = runJob();
    EXPECT_EQ(imageRequests(), 0);
    EXPECT_EQ(api.photosSkipped, 5);

    // The same photos in a second album of the owner: no file for them.
    window.setChecked("选择框_浏览模式", true);
    FakeAlbum copy{"621", "copy", album.photos, {}, {}};
    site.addAlbum(copy);
    window.clearRows();
    addRow("copy", site.albumAddress("621"));
    runJob();
    EXPECT_EQ(filesIn(albumFolder("copy5")), std::vector<std::string>{});

    // The record off again: everything is fetched and the files replaced.
    site.clearRequests();
    runJob({std::string("0"), std::nullopt, std::nullopt});
    EXPECT_EQ(imageRequests(), 5);
    EXPECT_EQ(filesIn(albumFolder("copy5")), expectedFiles(album.photos));
}

TEST_F(EngineTest, RefusedPagesAreRetriedAndAnUnreadableAlbumIsLoggedAndCountedFailed)
{
    auto const retried = addAlbum("630", "retry", NumberedPhotos("63", 20));
    addAlbum("631", "gone", NumberedPhotos("64", 3));
    auto const lost = addAlbum("632", "lost", NumberedPhotos("65", 20));
    auto const next = addAlbum("633", "next", NumberedPhotos("66", 2));
    addRow("retry", site.albumAddress("630"));
    addRow("gone", site.albumAddress("631"));
    addRow("lost", site.albumAddress("632"));
    addRow("next", site.albumAddress("633"));
    site.failWith("/photos/album/630/", 403, 2);         // the count page, twice refused
    site.failWith("/photos/album/630/?start=18", 429, 3);
    site.failWith("/photos/album/631/", 503);            // never readable
    site.failWith("/photos/album/632/?start=0", 500);    // one page never readable

    auto const summary = runJob();

    EXPECT_EQ(site.requestCount("/photos/album/630/"), 3);
    EXPECT_EQ(site.requestCount("/photos/album/630/?start=18"), 4);
    EXPECT_EQ(filesIn(albumFolder("retry20")), expectedFiles(retried.photos));
    EXPECT_EQ(site.requestCount("/photos/album/631/"), 10);
    EXPECT_FALSE(fs::exists(albumFolder("gone3")));
    EXPECT_EQ(site.requestCount("/photos/album/632/?start=0"), 10);
    EXPECT_EQ(filesIn(albumFolder("lost20")),
              expectedFiles(std::vector<FakePhoto>(lost.photos.begin() + 18, lost.photos.end()), 18));
    EXPECT_EQ(filesIn(albumFolder("next2")), expectedFiles(next.photos));

    auto const log = window.log();
    EXPECT_NE(log.find("相册《gone》的页面无法读取，已跳过\r\n\r\n"), std::string::npos);
    EXPECT_NE(log.find("相册《lost》第1页读取失败，该页的照片未能下载\r\n\r\n"), std::string::npos);
    // The two 403 and three 429 answers were waited out, not counted as tries.
    EXPECT_NE(log.find("本次共4个相册：标明42张照片，本次保存24张，已有记录跳过0张，失败0张；"
                       "网站限制访问5次，均已等待后继续；2个相册未能下载完整，详见上面的记录\r\n\r\n"
                       "-------全部下载完毕--------\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(summary.albumsFailed, 2);
    EXPECT_EQ(summary.albumsDone, 2);
    EXPECT_EQ(summary.throttleWaits, 5);
}

TEST_F(EngineTest, AReadableAlbumPageWithoutPhotosIsSkippedSilently)
{
    addAlbum("640", "empty", {});
    site.answerWith("/photos/album/641/", 200, "<html>no count marker here</html>");
    addRow("empty", site.albumAddress("640"));
    addRow("odd", site.albumAddress("641"));

    auto const summary = runJob();

    EXPECT_EQ(window.log(), "当前被选择相册编号:1、2、\r\n\r\n-------全部下载完毕--------\r\n\r\n");
    EXPECT_FALSE(fs::exists(saveRoot / OwnerName));
    EXPECT_EQ(summary.albumsFailed, 0);
    EXPECT_TRUE(summary.ranToEnd);
}

TEST_F(EngineTest, UnsafePhotoIdentifiersFromAPageAreSkippedAndNothingLandsOutsideTheSaveLocation)
{
    std::string page = "<h1>x</h1>\n</span>\n\n<span class=\"pl\">3张照片</span>\n";
    for (std::string const id : {"../../../escape", "..", "650"})
        page += "<img src=\"http://" + site.host() + "/view/photo/thumb/public/p" + id + ".jpg\" />\n";
    site.answerWith("/photos/album/650/", 200, page);
    site.answerWith("/photos/album/650/?start=0", 200, page);
    addAlbum("651", "holder", {FakePhoto{"650", "", 48, false}});
    addRow("bad", site.albumAddress("650"));

    auto const summary = runJob();

    EXPECT_EQ(filesIn(albumFolder("bad3")), std::vector<std::string>{"2_650_.jpg"});
    EXPECT_EQ(filesIn(saveRoot), std::vector<std::string>{OwnerName});
    EXPECT_EQ(filesIn(saveRoot / OwnerName), std::vector<std::string>{"bad3"});
    EXPECT_EQ(summary.photosFailed, 2);
    EXPECT_NE(window.log().find("照片编号《..》不能用作文件名，已跳过"), std::string::npos);
}

TEST_F(EngineTest, AnEmptySaveLocationSavesUnderTheProgramFolder)
{
    addAlbum("660", "家", NumberedPhotos("66", 1));
    addRow("家", site.albumAddress("660"));
    window.setText("编辑框_保存位置", "");

    runJob();

    EXPECT_TRUE(fs::exists(fs::path(app::ProgramFolder()) / OwnerName / "家1" / "0_661_.jpg"));
}

}  // namespace
}  // namespace engine_test
