// The API-mode downloader against the fake site's JSON album interface.
#include <string>
#include <vector>

#include "tests/download/engine-fixture.h"

namespace engine_test {
namespace {

using testing_support::ReadFile;

std::vector<std::string> apiRequests(FakeSite const& site)
{
    std::vector<std::string> targets;
    for (auto const& target : site.requests()) {
        if (target.starts_with("/v2/"))
            targets.push_back(target);
    }
    return targets;
}

TEST_F(EngineTest, ApiPagesByHundredsWithTheTotalFromItsOwnRequest)
{
    auto const album = addAlbum("12345", "接口", NumberedPhotos("8", 250));
    addRow("接口", site.albumAddress("12345"));
    useApiMode();

    auto const summary = runJob();

    EXPECT_EQ(apiRequests(site), (std::vector<std::string>{"/v2/album/12345/photos?count=1",
                                                           "/v2/album/12345/photos?start=0&count=100",
                                                           "/v2/album/12345/photos?start=100&count=100",
                                                           "/v2/album/12345/photos?start=200&count=100"}));
    auto const folder = albumFolder("接口250");
    EXPECT_EQ(filesIn(folder), expectedFiles(album.photos));
    // "image" came as https with escaped slashes; it is fetched over http.
    EXPECT_EQ(ReadFile(folder / "249_8250_.jpg"), FakeSite::MediumPicture(album.photos[249]));
    EXPECT_EQ(summary.photosSaved, 250);
    EXPECT_NE(window.log().find("准备下载相册《接口》\r\n\r\n"), std::string::npos);
    EXPECT_NE(window.log().find("---完成相册《接口250》下载\r\n\r\n"), std::string::npos);
    EXPECT_EQ(site.lastHeaders(mediumPath("81")).at("Referer"), site.root() + "/photos/photo/81/large");
}

TEST_F(EngineTest, ApiFindsTheAlbumOfAnAddressWithoutItsFinalSlash)
{
    auto const album = addAlbum("760", "s", NumberedPhotos("76", 2));
    addRow("s", site.root() + "/photos/album/760");
    addRow("q", site.root() + "/photos/album/760?from=mine");
    useApiMode();

    runJob();

    EXPECT_EQ(site.requestCount("/v2/album/760/photos?count=1"), 2);
    EXPECT_EQ(site.requestCount("/v2/album//photos?count=1"), 0);
    EXPECT_EQ(filesIn(albumFolder("s2")), expectedFiles(album.photos));
}

TEST_F(EngineTest, ApiTotalOfExactlyAHundredReadsASecondEmptyPage)
{
    addAlbum("700", "百", NumberedPhotos("70", 100));
    addRow("百", site.albumAddress("700"));
    useApiMode();

    runJob();

    auto const requests = apiRequests(site);
    ASSERT_EQ(requests.size(), 3U);
    EXPECT_EQ(requests[2], "/v2/album/700/photos?start=100&count=100");
    EXPECT_EQ(filesIn(albumFolder("百100")).size(), 100U);
}

TEST_F(EngineTest, ApiFullSizeTakesLargeAndFallsBackToImageWhenLargeIsNull)
{
    FakePhoto withLarge{"7101", "", 64, false};
    FakePhoto nullLarge{"7102", "", 64, true};
    addAlbum("710", "大", {withLarge, nullLarge});
    addRow("大", site.albumAddress("710"));
    useApiMode();
    useFullSize();

    runJob();

    auto const folder = albumFolder("大2");
    EXPECT_EQ(ReadFile(folder / "0_7101_.jpg"), FakeSite::LargePicture(withLarge));
    EXPECT_EQ(ReadFile(folder / "1_7102_.jpg"), FakeSite::MediumPicture(nullLarge));
    EXPECT_EQ(site.requestCount(largePath("7102")), 0);
}

TEST_F(EngineTest, ApiCountTextIsMadeSafeInTheFolderName)
{
    addAlbum("720", "t", NumberedPhotos("72", 2));
    site.answerWith("/v2/album/720/photos?count=1", 200, "{\"total\":2/../../../x,\"owner\":{}}",
                    "application/json");
    addRow("t", site.albumAddress("720"));
    useApiMode();

    runJob();

    EXPECT_EQ(filesIn(saveRoot), std::vector<std::string>{OwnerName});
    EXPECT_EQ(filesIn(saveRoot / OwnerName), std::vector<std::string>{"t2x"});
    EXPECT_EQ(filesIn(albumFolder("t2x")).size(), 2U);
}

TEST_F(EngineTest, ApiUnsafeIdentifiersAreLoggedAndSkippedWhileThePositionAdvances)
{
    auto const entry = [&](std::string const& id) {
        return "{\"id\":\"" + id + "\",\"created\":\"2020-01-01 00:00:00\",\"image\":\"http:\\/\\/" + site.host() +
               "\\/view\\/photo\\/photo\\/public\\/p730.jpg\"}";
    };
    std::string const page = "{\"photos\":[" + entry("") + "," + entry("..") + "," + entry("a\\/..\\/..\\/b") + "," +
                             entry(".") + "," + entry("730") + "]}";
    addAlbum("731", "holder", {FakePhoto{"730", "", 48, false}});
    site.answerWith("/v2/album/735/photos?count=1", 200, "{\"total\":5,\"o\":1}", "application/json");
    site.answerWith("/v2/album/735/photos?start=0&count=100", 200, page, "application/json");
    addRow("u", site.albumAddress("735"));
    useApiMode();

    auto const summary = runJob();

    EXPECT_EQ(filesIn(albumFolder("u5")), std::vector<std::string>{"4_730_.jpg"});
    EXPECT_EQ(filesIn(saveRoot / OwnerName), std::vector<std::string>{"u5"});
    EXPECT_EQ(summary.photosFailed, 4);
    // The identifier is used as the interface renders it, escapes and all.
    EXPECT_NE(window.log().find("照片编号《a\\/..\\/..\\/b》不能用作文件名，已跳过"), std::string::npos);
}

TEST_F(EngineTest, ApiDateWindowKeepsOutsidePhotosUnfetchedAndUnrecordedWhileBrowseFiltersNothing)
{
    std::vector<FakePhoto> photos = {
        {"7401", "2019-12-31 23:59:59", 48, false},  // before the start
        {"7402", "2020-01-01 00:00:00", 48, false},  // on the start: inside
        {"7403", "2020-06-30 23:59:59", 48, false},  // on the end: inside
        {"7404", "2020-07-01 00:00:00", 48, false},  // after the end
        {"7405", "not a date", 48, false},           // unreadable: not filtered
    };
    addAlbum("740", "d", photos);
    addRow("d", site.albumAddress("740"));
    window.setDateTime("日期框_开始时间", {2020, 1, 1, 0, 0, 0});
    window.setDateTime("日期框_结束时间", {2020, 6, 30, 23, 59, 59});
    useApiMode();
    download::JobOverrides const windowOn{std::string("1"), std::string("1"), std::nullopt};

    runJob(windowOn);

    EXPECT_EQ(filesIn(albumFolder("d5")), (std::vector<std::string>{"1_7402_.jpg", "2_7403_.jpg", "4_7405_.jpg"}));
    EXPECT_EQ(site.requestCount(mediumPath("7401")), 0);
    EXPECT_EQ(site.requestCount(mediumPath("7404")), 0);
    EXPECT_FALSE(recorded(OwnerKey, "7401"));
    EXPECT_FALSE(recorded(OwnerKey, "7404"));
    EXPECT_TRUE(recorded(OwnerKey, "7402"));
    EXPECT_EQ(effectValues("text", "标签_第多少张照片").rbegin()[2], "5/5");

    // Without the setting the window is open.
    site.clearRequests();
    runJob({std::string("1"), std::string("0"), std::nullopt});
    EXPECT_EQ(imageRequests(), 2);

    // Browse pages carry no dates: nothing is filtered.
    std::filesystem::remove_all(albumFolder("d5"));
    window.setChecked("选择框_浏览模式", true);
    runJob({std::string("0"), std::string("1"), std::nullopt});
    EXPECT_EQ(filesIn(albumFolder("d5")).size(), 5U);
}

TEST_F(EngineTest, ApiUnreadableTotalGoesOnWithOnePageAndANonJsonPageCountsFailed)
{
    auto const album = addAlbum("750", "n", NumberedPhotos("75", 3));
    site.failWith("/v2/album/750/photos?count=1", 503);
    addAlbum("751", "h", NumberedPhotos("76", 2));
    site.answerWith("/v2/album/751/photos?start=0&count=100", 200, "<html>verify you are human</html>");
    addRow("n", site.albumAddress("750"));
    addRow("h", site.albumAddress("751"));
    useApiMode();

    auto const summary = runJob();

    EXPECT_EQ(site.requestCount("/v2/album/750/photos?count=1"), 10);
    EXPECT_EQ(filesIn(albumFolder("n")), expectedFiles(album.photos));
    EXPECT_EQ(effectValues("maximum", "进度条1").front(), "0");
    EXPECT_EQ(effectValues("text", "标签_进度条比例")[1], "0%");
    EXPECT_NE(window.log().find("相册《h》第1页读取失败"), std::string::npos);
    EXPECT_EQ(summary.albumsFailed, 1);
}

}  // namespace
}  // namespace engine_test
