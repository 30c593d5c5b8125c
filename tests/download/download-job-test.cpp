// The download job: the walk over the album list, the end of a job, the
// buttons, pause / continue / stop made deterministic by a held request, and
// what the job fixes at its start.
#include <future>
#include <ostream>
#include <string>
#include <vector>

#include "download/album-steps.h"
#include "tests/download/engine-fixture.h"

namespace app {
inline void PrintTo(MemoryWindow::Effect const& effect, std::ostream* out)
{
    *out << "{" << effect.kind << ", " << effect.control << ", " << effect.value << "}";
}
}  // namespace app

namespace engine_test {
namespace {

using Effect = app::MemoryWindow::Effect;

std::vector<Effect> effectsSince(app::MemoryWindow const& window, std::size_t first)
{
    auto const all = window.effects();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(first, all.size())), all.end()};
}

std::vector<Effect> buttons(std::string const& start, std::string const& pause, std::string const& resume,
                            std::string const& stop)
{
    return {{"visible", "按钮_下载选中", start},
            {"visible", "按钮_暂停线程", pause},
            {"visible", "按钮_继续下载", resume},
            {"visible", "按钮_结束下载", stop}};
}

std::vector<Effect> buttonEffects(std::vector<Effect> const& effects)
{
    std::vector<Effect> shown;
    for (auto const& effect : effects) {
        if (effect.kind == "visible")
            shown.push_back(effect);
    }
    return shown;
}

template <typename... Lists>
std::vector<Effect> joined(Lists const&... lists)
{
    std::vector<Effect> all;
    (all.insert(all.end(), lists.begin(), lists.end()), ...);
    return all;
}

auto const Running = buttons("0", "1", "0", "1");
auto const Idle = buttons("1", "0", "0", "0");

TEST_F(EngineTest, NothingTickedEndsAtOnceWithTheEndOfJobStepsInOrder)
{
    addRow("a", site.albumAddress("1"), false);
    auto const first = window.effects().size();

    auto const summary = runJob();

    auto const expected = joined(Running,
                                 std::vector<Effect>{{"log", "编辑框_操作记录", "当前未选择任何相册\r\n\r\n"},
                                                     {"text", "标签_选择了相册数量", "总共需下载[0]个相册"}},
                                 Idle,
                                 std::vector<Effect>{{"log", "编辑框_操作记录", "-------全部下载完毕--------\r\n\r\n"},
                                                     {"text", "标签_第多少张照片", "下载完成"},
                                                     {"position", "进度条1", "100"},
                                                     {"text", "标签_进度条比例", "100%"},
                                                     {"message", "信息：", "全部下载完毕"}});
    EXPECT_EQ(effectsSince(window, first), expected);
    EXPECT_TRUE(summary.ranToEnd);
    // The owner's record file exists once a job has started.
    EXPECT_TRUE(fs::exists(fs::path(app::ProgramFolder()) / (std::string(OwnerKey) + ".edb")));
}

TEST_F(EngineTest, TickedRowsWithAnAddressBecomeTheJobListWithTrimmedTitles)
{
    auto const one = addAlbum("101", "一", NumberedPhotos("11", 2));
    auto const two = addAlbum("104", "旅行", NumberedPhotos("14", 1));
    auto const untitled = addAlbum("105", "", NumberedPhotos("15", 3));
    addRow("一", site.albumAddress("101"));
    addRow("二", site.albumAddress("102"), false);
    addRow("三", "");
    addRow("  旅行　", site.albumAddress("104"));
    addRow("", site.albumAddress("105"));

    runJob();

    EXPECT_EQ(window.log().substr(0, window.log().find("准备")), "当前被选择相册编号:1、3、4、5、\r\n\r\n");
    EXPECT_EQ(effectValues("text", "标签_选择了相册数量"), std::vector<std::string>{"总共需下载[3]个相册"});
    EXPECT_EQ(effectValues("text", "标签_正在下载相册"),
              (std::vector<std::string>{"下载到第[1]个相册", "下载到第[2]个相册", "下载到第[3]个相册"}));
    EXPECT_EQ(filesIn(albumFolder("一2")), expectedFiles(one.photos));
    EXPECT_EQ(filesIn(albumFolder("旅行1")), expectedFiles(two.photos));
    // Without a title the folder is named by the count alone.
    EXPECT_EQ(filesIn(albumFolder("3")), expectedFiles(untitled.photos));
    EXPECT_NE(window.log().find("准备下载相册《旅行》"), std::string::npos);
    EXPECT_EQ(site.requestCount("/photos/album/102/"), 0);
}

TEST_F(EngineTest, PauseThenContinueHoldsTheWorkerAndFinishesTheAlbum)
{
    auto const album = addAlbum("800", "p", NumberedPhotos("80", 4));
    addRow("p", site.albumAddress("800"));
    site.hold(mediumPath("802"));
    auto const first = window.effects().size();

    download::DownloadJob job(window);
    job.start();
    ASSERT_TRUE(site.waitForHeld(mediumPath("802")));
    job.pause();
    EXPECT_TRUE(job.isRunning());
    site.release(mediumPath("802"));
    job.resume();
    job.join();

    EXPECT_EQ(filesIn(albumFolder("p4")), expectedFiles(album.photos));
    auto const paused = std::vector<Effect>{{"visible", "按钮_下载选中", "0"},
                                            {"visible", "按钮_暂停线程", "0"},
                                            {"visible", "按钮_继续下载", "1"}};
    auto const resumed = std::vector<Effect>{{"visible", "按钮_下载选中", "0"},
                                             {"visible", "按钮_暂停线程", "1"},
                                             {"visible", "按钮_继续下载", "0"}};
    EXPECT_EQ(buttonEffects(effectsSince(window, first)), joined(Running, paused, resumed, Idle));
    EXPECT_EQ(window.messages(), std::vector<std::string>{"全部下载完毕"});
    EXPECT_TRUE(job.summary().ranToEnd);
}

TEST_F(EngineTest, StopWhilePausedWritesNothingMoreAndRunsNoEndOfJobStep)
{
    addAlbum("810", "s", NumberedPhotos("81", 4));
    addRow("s", site.albumAddress("810"));
    site.hold(mediumPath("812"));

    download::DownloadJob job(window);
    job.start();
    ASSERT_TRUE(site.waitForHeld(mediumPath("812")));
    job.pause();
    site.release(mediumPath("812"));
    // The answer arrives while paused: the worker waits before writing it.
    job.stop();
    EXPECT_FALSE(job.isRunning());
    job.join();

    EXPECT_EQ(filesIn(albumFolder("s4")), std::vector<std::string>{"0_811_.jpg"});
    EXPECT_EQ(site.requestCount(mediumPath("813")), 0);
    EXPECT_EQ(window.log().find("全部下载完毕"), std::string::npos);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_TRUE(window.isVisible("按钮_下载选中"));
    EXPECT_FALSE(window.isVisible("按钮_结束下载"));
    EXPECT_FALSE(window.isVisible("按钮_继续下载"));
    EXPECT_FALSE(job.summary().ranToEnd);
    EXPECT_FALSE(recorded(OwnerKey, "812"));
}

TEST_F(EngineTest, StopAbortsATransferInFlightAndALaterRunWithTheRecordFetchesTheRest)
{
    auto const album = addAlbum("820", "t", NumberedPhotos("82", 4));
    addRow("t", site.albumAddress("820"));
    site.hold(mediumPath("822"));
    {
        download::DownloadJob job(window);
        job.start();
        ASSERT_TRUE(site.waitForHeld(mediumPath("822")));
        job.stop();
        job.join();  // returns with the request still held
    }
    EXPECT_EQ(filesIn(albumFolder("t4")), std::vector<std::string>{"0_821_.jpg"});
    EXPECT_TRUE(window.messages().empty());
    site.release(mediumPath("822"));

    site.clearRequests();
    runJob(recordOn());
    EXPECT_EQ(site.requestCount(mediumPath("821")), 0);
    EXPECT_EQ(imageRequests(), 3);
    EXPECT_EQ(filesIn(albumFolder("t4")), expectedFiles(album.photos));
}

TEST_F(EngineTest, DestroyingTheJobMidAlbumStopsItAndNothingTouchesTheWindowAfterwards)
{
    addAlbum("830", "d", NumberedPhotos("83", 3));
    addRow("d", site.albumAddress("830"));
    site.hold(mediumPath("832"));
    {
        download::DownloadJob job(window);
        job.start();
        ASSERT_TRUE(site.waitForHeld(mediumPath("832")));
    }
    auto const after = window.effects().size();
    site.release(mediumPath("832"));
    EXPECT_EQ(window.effects().size(), after);
    EXPECT_TRUE(window.messages().empty());
    EXPECT_EQ(filesIn(albumFolder("d3")), std::vector<std::string>{"0_831_.jpg"});
}

TEST_F(EngineTest, TheModeIsReadBeforeEachAlbum)
{
    addAlbum("840", "browse", NumberedPhotos("84", 2));
    addAlbum("841", "api", NumberedPhotos("85", 2));
    addRow("browse", site.albumAddress("840"));
    addRow("api", site.albumAddress("841"));
    site.hold(mediumPath("842"));

    download::DownloadJob job(window);
    job.start();
    ASSERT_TRUE(site.waitForHeld(mediumPath("842")));
    useApiMode();
    site.release(mediumPath("842"));
    job.join();

    EXPECT_EQ(filesIn(albumFolder("browse2")).size(), 2U);
    EXPECT_EQ(filesIn(albumFolder("api2")).size(), 2U);
    EXPECT_EQ(site.requestCount("/v2/album/840/photos?count=1"), 0);
    EXPECT_EQ(site.requestCount("/v2/album/841/photos?count=1"), 1);
    EXPECT_EQ(site.requestCount("/photos/album/841/"), 0);
}

TEST_F(EngineTest, OwnerAndRecordSettingAreTakenAtTheJobsStart)
{
    addAlbum("850", "first", NumberedPhotos("86", 2));
    addAlbum("851", "second", NumberedPhotos("87", 2));
    addRow("first", site.albumAddress("850"));
    addRow("second", site.albumAddress("851"));
    site.hold(mediumPath("862"));

    download::DownloadJob job(window);
    job.start();
    ASSERT_TRUE(site.waitForHeld(mediumPath("862")));
    // A listing of another owner, and the record switched on, mid-job.
    app::ProgramState::instance().setSelection({site.userAddress("other"), "other", "别人"});
    ASSERT_TRUE(app::ProgramSettings().Write("全局设置", "下载记录", "1"));
    site.release(mediumPath("862"));
    job.join();

    EXPECT_EQ(filesIn(albumFolder("second2")).size(), 2U);
    EXPECT_FALSE(fs::exists(saveRoot / "别人"));
    EXPECT_FALSE(fs::exists(fs::path(app::ProgramFolder()) / "other.edb"));
    EXPECT_TRUE(recorded(OwnerKey, "872"));
}

TEST_F(EngineTest, ANewJobMayStartWhileTheLastOnesMessageBoxIsOpen)
{
    std::promise<void> firstBoxOpen;
    std::promise<void> secondBoxOpen;
    std::promise<void> closeFirstBox;
    auto const closed = closeFirstBox.get_future().share();
    int boxes = 0;
    window.onMessageBox([&](std::string const&) {
        if (++boxes == 1) {
            firstBoxOpen.set_value();
            closed.wait();
        } else {
            secondBoxOpen.set_value();
        }
    });
    addAlbum("860", "m", NumberedPhotos("88", 1));
    addRow("m", site.albumAddress("860"));

    download::DownloadJob job(window);
    job.start();
    firstBoxOpen.get_future().wait();
    EXPECT_FALSE(job.isRunning());
    EXPECT_TRUE(window.isVisible("按钮_下载选中"));
    job.start();
    secondBoxOpen.get_future().wait();
    closeFirstBox.set_value();
    job.join();
    EXPECT_EQ(window.messages().size(), 2U);
}

TEST(AlbumSteps, ParseCreatedReadsTheInterfacesDateTimes)
{
    net::DateTime when;
    ASSERT_TRUE(download::ParseCreated("2015-10-03 08:09:10", when));
    EXPECT_EQ(std::vector<int>({when.year, when.month, when.day, when.hour, when.minute, when.second}),
              std::vector<int>({2015, 10, 3, 8, 9, 10}));
    ASSERT_TRUE(download::ParseCreated("2015-10-03", when));
    EXPECT_EQ(when.hour, 0);
    for (char const* bad : {"", "null", "2015-10", "2015/10/03 08:09:10", "2015-10-03 08:09", "2015-10-03 08:09:10x"})
        EXPECT_FALSE(download::ParseCreated(bad, when)) << bad;
}

TEST(AlbumSteps, PhotoIdentifiersThatCouldLeaveTheAlbumFolderAreUnsafe)
{
    for (char const* id : {"", ".", "..", "a/b", "/", "../x"})
        EXPECT_FALSE(download::IsSafePhotoId(id)) << id;
    EXPECT_FALSE(download::IsSafePhotoId(std::string("a\0b", 3)));
    for (char const* id : {"2155058360", "...", ".hidden", "a\\b"})
        EXPECT_TRUE(download::IsSafePhotoId(id)) << id;
}

}  // namespace
}  // namespace engine_test
