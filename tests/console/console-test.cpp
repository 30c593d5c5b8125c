// tervala-cli as a child process against the fake site: listing, both modes
// and sizes, the record across runs, row choice, dates, cookies, and every
// exit status.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fake-site.h"
#include "tests/support/sandbox.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::FakeAlbum;
using testing_support::FakePhoto;
using testing_support::FakeSite;
using testing_support::FakeUser;
using testing_support::NumberedPhotos;
using testing_support::ReadFile;
using testing_support::WriteFile;

struct CliRun {
    int status = -1;  // exit status; 128 + n when killed by signal n
    std::string out;
    std::string err;
};

class Console : public ::testing::Test {
protected:
    Console()
    {
        site.addAlbum({"501", "旅行", NumberedPhotos("90", 3), {}, {}});
        site.addAlbum({"502", "美食", NumberedPhotos("80", 2), {}, {}});
        site.addUser({"xiaoming", "小明", {"501", "502"}});
    }

    // The site options every run needs.
    std::vector<std::string> siteArgs() const
    {
        return {"--site-root", site.root(), "--site-domain", site.host(), "--api-root", site.root()};
    }

    pid_t spawn(std::vector<std::string> arguments, bool withSite = true)
    {
        if (withSite) {
            auto const extra = siteArgs();
            arguments.insert(arguments.begin(), extra.begin(), extra.end());
        }
        arguments.insert(arguments.begin(), TERVALA_CLI);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        int const error = posix_spawn(&pid, TERVALA_CLI, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(error, 0);
        return pid;
    }

    CliRun finish(pid_t pid) const
    {
        CliRun run;
        int status = 0;
        if (waitpid(pid, &status, 0) == pid)
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadFile(outFile());
        run.err = ReadFile(errFile());
        return run;
    }

    CliRun cli(std::vector<std::string> arguments, bool withSite = true)
    {
        return finish(spawn(std::move(arguments), withSite));
    }

    fs::path outFile() const { return sandbox.root() / "cli.out"; }
    fs::path errFile() const { return sandbox.root() / "cli.err"; }
    fs::path albumFolder(std::string const& owner, std::string const& album) const { return dest / owner / album; }

    std::set<std::string> filesIn(fs::path const& folder) const
    {
        std::set<std::string> names;
        if (fs::is_directory(folder))
            for (auto const& entry : fs::directory_iterator(folder))
                names.insert(entry.path().filename().string());
        return names;
    }

    int pictureRequests() const
    {
        int count = 0;
        for (auto const& target : site.requests())
            count += target.starts_with("/view/photo/photo/") || target.starts_with("/view/photo/large/") ? 1 : 0;
        return count;
    }

    testing_support::Sandbox sandbox;
    FakeSite site;
    fs::path dest = sandbox.root() / "saved";
};

TEST_F(Console, VersionAndHelp)
{
    CliRun const version = cli({"-V"}, false);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tervala-cli 1.0\n");
    CliRun const help = cli({"--help"}, false);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tervala-cli [OPTIONS] ADDRESS\n")) << help.out;
    EXPECT_NE(help.out.find("--no-record"), std::string::npos);
}

TEST_F(Console, BadUsageExitsWithTwoAndTouchesNothing)
{
    std::string const user = site.userAddress("xiaoming");
    std::vector<std::vector<std::string>> const cases = {
        {},
        {user, user},
        {"--bogus", user},
        {"-x", user},
        {"--mode", "fast", user},
        {"--size", "huge", user},
        {"--from", "2020-13-01", user},
        {"--to", "2020-02-30", user},
        {"--from", "2021-01-01", "--to", "2020-01-01", user},
        {"--albums", "0", user},
        {"--albums", "2-1", user},
        {"--albums", "1,,2", user},
        {"--list=yes", user},
        {user, "--dest"},
    };
    for (auto const& arguments : cases) {
        std::string joined;
        for (auto const& argument : arguments)
            joined += argument + " ";
        SCOPED_TRACE(joined);
        CliRun const run = cli(arguments, false);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("tervala-cli: "), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(site.requests().empty());
    EXPECT_FALSE(fs::exists(dest));
}

TEST_F(Console, RefusedAddressesExitWithTwoAndTheirMessage)
{
    CliRun const empty = cli({""});
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err, "请输入网址\n");
    CliRun const foreign = cli({"http://elsewhere.test/people/xiaoming/"});
    EXPECT_EQ(foreign.status, 2);
    EXPECT_EQ(foreign.err, "网址格式不符\n");
    CliRun const rowOutOfRange = cli({"--albums", "3", "-d", dest.string(), site.userAddress("xiaoming")});
    EXPECT_EQ(rowOutOfRange.status, 2);
    EXPECT_NE(rowOutOfRange.err.find("row 3"), std::string::npos) << rowOutOfRange.err;
    EXPECT_EQ(pictureRequests(), 0);
    CliRun const notAFolder = cli({"-d", errFile().string(), site.userAddress("xiaoming")});
    EXPECT_EQ(notAFolder.status, 2);
}

TEST_F(Console, ListPrintsTheRowsAndDownloadsNothing)
{
    CliRun const run = cli({"--list", "-d", dest.string(), site.userAddress("xiaoming")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1\t旅行\t" + site.albumAddress("501") + "\n2\t美食\t" + site.albumAddress("502") + "\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("-----获取完毕,共计2个\n\n"), std::string::npos);
    EXPECT_EQ(pictureRequests(), 0);
    EXPECT_FALSE(fs::exists(dest));
}

TEST_F(Console, UserDownloadInBrowseModeThenTheRecordSkipsWhatWasFetched)
{
    std::string const user = site.userAddress("xiaoming");
    CliRun const first = cli({"-d", dest.string(), "--record", user});
    ASSERT_EQ(first.status, 0) << first.err;
    auto const albums = NumberedPhotos("90", 3);
    EXPECT_EQ(filesIn(albumFolder("小明", "旅行3")),
              (std::set<std::string>{"0_901_.jpg", "1_902_.jpg", "2_903_.jpg"}));
    EXPECT_EQ(ReadFile(albumFolder("小明", "旅行3") / "1_902_.jpg"), FakeSite::MediumPicture(albums[1]));
    EXPECT_EQ(filesIn(albumFolder("小明", "美食2")).size(), 2u);
    // The log as the window gets it, line ends made plain.
    EXPECT_TRUE(first.out.starts_with("正努力获取相册列表，耐心等待哈！\n\n")) << first.out;
    EXPECT_TRUE(first.out.ends_with("-------全部下载完毕--------\n\n")) << first.out;
    EXPECT_EQ(first.out.find('\r'), std::string::npos);
    EXPECT_EQ(first.err, "全部下载完毕\n");
    EXPECT_EQ(pictureRequests(), 5);

    CliRun const again = cli({"-d", dest.string(), "--record", user});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(pictureRequests(), 5);
    CliRun const without = cli({"-d", dest.string(), "--no-record", "--albums", "2", user});
    EXPECT_EQ(without.status, 0) << without.err;
    EXPECT_EQ(pictureRequests(), 7);
}

TEST_F(Console, SingleAlbumInApiModeAtFullSize)
{
    CliRun const run = cli({"--mode", "api", "--size", "full", "-d", dest.string(), site.albumAddress("501")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    auto const photos = NumberedPhotos("90", 3);
    // A single album's owner folder is the album's display name.
    auto const owners = filesIn(dest);
    ASSERT_EQ(owners.size(), 1u);
    fs::path const folder = dest / *owners.begin() / "旅行3";
    EXPECT_EQ(filesIn(folder).size(), 3u);
    EXPECT_EQ(ReadFile(folder / "0_901_.jpg"), FakeSite::LargePicture(photos[0]));
}

TEST_F(Console, DateWindowKeepsTheApiPhotosInside)
{
    std::vector<FakePhoto> photos = NumberedPhotos("60", 3);
    photos[0].created = "2019-12-31 23:59:59";
    photos[1].created = "2020-03-15 08:00:00";
    photos[2].created = "2020-07-01 00:00:00";
    site.addAlbum({"600", "日期", photos, {}, {}});
    CliRun const run = cli({"-m", "api", "--from", "2020-01-01", "--to", "2020-06-30", "-d", dest.string(),
                         site.albumAddress("600")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    auto const owners = filesIn(dest);
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(filesIn(dest / *owners.begin() / "日期3"), (std::set<std::string>{"1_602_.jpg"}));
}

TEST_F(Console, FailedPhotoExitsWithOne)
{
    for (char const* kind : {"thumb", "photo", "large"})
        site.failWith(std::string("/view/photo/") + kind + "/public/p902.jpg", 404);
    CliRun const run = cli({"-d", dest.string(), "--albums", "1", site.userAddress("xiaoming")});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(filesIn(albumFolder("小明", "旅行3")), (std::set<std::string>{"0_901_.jpg", "2_903_.jpg"}));
}

TEST_F(Console, AnAlbumThatLostItsThumbnailsExitsWithOneAndSaysSo)
{
    site.answerWith("/photos/album/501/", 200, "<h1>旅行</h1>\n</span>\n\n<span class=\"pl\">3张照片</span>\n");
    CliRun const run = cli({"-d", dest.string(), "-m", "browse", site.albumAddress("501")});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("相册《旅行》标明3张照片，但各页都没有找到照片，网站的页面格式可能已经改变\n"), std::string::npos)
        << run.out;
    // The same account as the window's log, line ends aside.
    EXPECT_NE(run.out.find("相册《旅行》：标明3张，本次保存0张，已有记录跳过0张，失败0张\n"), std::string::npos);
    EXPECT_NE(run.out.find("本次共1个相册：标明3张照片，本次保存0张，已有记录跳过0张，失败0张；"
                           "1个相册未能下载完整，详见上面的记录\n\n-------全部下载完毕--------\n"),
              std::string::npos)
        << run.out;
}

TEST_F(Console, SleepSpacesTheRequestsAndWantsWholeSeconds)
{
    for (char const* bad : {"-1", "1.5", "soon", "", "86401"}) {
        CliRun const run = cli({"--sleep", bad, "-d", dest.string(), site.albumAddress("502")});
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.err.find("--sleep"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(dest));

    site.clearRequests();
    CliRun const run = cli({"--sleep", "1", "-m", "api", "-d", dest.string(), site.albumAddress("502")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    // After the listing's look at the album: the total, one page of entries,
    // two photos, a second at least between each.
    auto const times = site.allArrivals();
    ASSERT_EQ(times.size(), 5u);
    for (std::size_t i = 2; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], std::chrono::seconds(1)) << i;
}

TEST_F(Console, CookiesFileTravelsWithTheRequests)
{
    fs::path const cookies = sandbox.root() / "cookies.txt";
    WriteFile(cookies, "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tdbcl2\t\"login:token\"\n");
    CliRun const run = cli({"--list", "--cookies", cookies.string(), site.userAddress("xiaoming")});
    EXPECT_EQ(run.status, 0) << run.err;
    auto const headers = site.lastHeaders("/people/xiaoming");
    ASSERT_TRUE(headers.contains("Cookie"));
    EXPECT_NE(headers.at("Cookie").find("dbcl2=\"login:token\""), std::string::npos) << headers.at("Cookie");

    CliRun const missing = cli({"--list", "--cookies", (sandbox.root() / "none.txt").string(), site.userAddress("xiaoming")});
    EXPECT_EQ(missing.status, 2);
}

TEST_F(Console, InterruptStopsTheJobWith130)
{
    std::string const held = "/view/photo/photo/public/p902.jpg";
    site.hold(held);
    pid_t const pid = spawn({"-d", dest.string(), "--albums", "1", site.userAddress("xiaoming")});
    ASSERT_TRUE(site.waitForHeld(held));
    kill(pid, SIGINT);
    CliRun const run = finish(pid);
    site.release(held);
    EXPECT_EQ(run.status, 130) << run.out << run.err;
    EXPECT_EQ(run.out.find("全部下载完毕"), std::string::npos);
    EXPECT_EQ(filesIn(albumFolder("小明", "旅行3")), (std::set<std::string>{"0_901_.jpg"}));
}

TEST_F(Console, InterruptDuringTheListingExitsWith130)
{
    std::string const held = "/people/xiaoming/photos";
    site.hold(held);
    pid_t const pid = spawn({"-d", dest.string(), site.userAddress("xiaoming")});
    ASSERT_TRUE(site.waitForHeld(held));
    kill(pid, SIGINT);
    CliRun const run = finish(pid);
    site.release(held);
    EXPECT_EQ(run.status, 130) << run.out << run.err;
    EXPECT_EQ(run.out.find("获取完毕"), std::string::npos);
    EXPECT_FALSE(fs::exists(dest));
}

}  // namespace
