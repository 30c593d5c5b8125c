// One album of photos in browse mode from the loopback fake site, side by
// side with the curl command fetching the same image list in one process:
//   wall time of tervala-cli (or, when it is not built, of the engine in a
//   child process of this bench) against curl, best of three each;
//   peak memory of the same for an album of 100 and one of 5,000 photos.
// Usage: bench-download [photos, default 2000] [photo bytes, default 30720]
// (bench-download --engine ROOT ALBUM DEST is the child run itself.)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program-state.h"
#include "bench/download/bench-window.h"
#include "download/download-job.h"
#include "tests/support/fake-site.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct ChildRun {
    bool ok = false;
    double seconds = 0;
    long peakKilobytes = 0;
};

// Runs a command with its own program folder; wall time and peak memory.
ChildRun runChild(std::vector<std::string> const& command, fs::path const& dataHome)
{
    fs::create_directories(dataHome / "xdg");
    fs::create_directories(dataHome / "home");
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "XDG_DATA_HOME=", 14) != 0 && std::strncmp(*entry, "HOME=", 5) != 0)
            environment.emplace_back(*entry);
    }
    environment.push_back("XDG_DATA_HOME=" + (dataHome / "xdg").string());
    environment.push_back("HOME=" + (dataHome / "home").string());

    auto pointers = [](std::vector<std::string> const& texts) {
        std::vector<char*> out;
        for (auto const& text : texts)
            out.push_back(const_cast<char*>(text.c_str()));
        out.push_back(nullptr);
        return out;
    };
    auto argv = pointers(command);
    auto envp = pointers(environment);

    // The children's log and messages are not the bench's output.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);

    ChildRun run;
    auto const start = Clock::now();
    pid_t pid = 0;
    int const spawned = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::size_t filesUnder(fs::path const& folder)
{
    std::size_t count = 0;
    std::error_code error;
    for (auto const& entry : fs::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file())
            ++count;
    }
    return count;
}

// The child: the engine alone on a window that keeps no history.
int runEngine(std::string const& root, std::string const& album, std::string const& dest)
{
    app::SiteConfig site;
    site.siteWebRoot = root;
    site.siteApiRoot = root;
    site.siteDomain = root.substr(root.find("//") + 2);
    app::ProgramState::instance().setSite(site);
    app::ProgramState::instance().setSelection({album, "bench", "bench"});

    bench::BenchWindow window;
    window.setText("编辑框_保存位置", dest);
    window.setChecked("选择框_浏览模式", true);
    window.setChecked("单选框_中图", true);
    int const row = window.appendRow();
    window.setCellText(row, 1, "1");
    window.setCellText(row, 2, "album");
    window.setCellText(row, 5, album);
    window.setRowCheckState(row, 1);

    download::DownloadJob job(window);
    job.setOverrides({.recordSetting = "0", .dateWindowSetting = "0", .requestDelaySeconds = 0});
    job.start();
    job.join();
    auto const summary = job.summary();
    return summary.ranToEnd && summary.photosFailed == 0 && summary.albumsFailed == 0 ? 0 : 1;
}

struct Candidate {
    std::string name;
    std::vector<std::string> (*command)(std::string const& self, testing_support::FakeSite const& site,
                                        std::string const& album, std::string const& dest);
};

std::vector<std::string> engineCommand(std::string const& self, testing_support::FakeSite const& site,
                                       std::string const& album, std::string const& dest)
{
    return {self, "--engine", site.root(), album, dest};
}

#ifdef TERVALA_CLI
std::vector<std::string> cliCommand(std::string const&, testing_support::FakeSite const& site,
                                    std::string const& album, std::string const& dest)
{
    return {TERVALA_CLI, "-q",          "--no-record",  "-m",         "browse",     "-s",
            "medium",    "-d",          dest,           "--site-root", site.root(), "--site-domain",
            site.host(), "--api-root",  site.root(),    album};
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--engine")
        return runEngine(argv[2], argv[3], argv[4]);

    int const photos = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    std::size_t const bytes = argc > 2 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[2]))) : 30720;
    std::string const self = fs::read_symlink("/proc/self/exe").string();

    Candidate candidate{"engine (child process)", engineCommand};
#ifdef TERVALA_CLI
    if (fs::exists(TERVALA_CLI))
        candidate = {"tervala-cli", cliCommand};
#endif

    testing_support::FakeSite site(5);
    site.addAlbum({"1001", "timed", testing_support::NumberedPhotos("3", photos, bytes), {}, {}});
    site.addAlbum({"1002", "small", testing_support::NumberedPhotos("4", 100, bytes), {}, {}});
    site.addAlbum({"1003", "large", testing_support::NumberedPhotos("5", 5000, bytes), {}, {}});

    char scratchTemplate[] = "/tmp/tervala-bench-download-XXXXXX";
    if (mkdtemp(scratchTemplate) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    fs::path const scratch = scratchTemplate;
    // The record syncs every add; a program folder in memory shows what the
    // rest of the work costs.
    fs::path const memoryRoot = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") / scratch.filename() : fs::path();

    // curl's list: the medium pictures the browse run fetches, one process.
    fs::path const list = scratch / "curl-list.txt";
    {
        std::ofstream out(list);
        for (int i = 1; i <= photos; ++i) {
            std::string id = "3";  // the timed album's photos are "3<n>"
            id += std::to_string(i);
            out << "url = \"" << site.root() << "/view/photo/photo/public/p" << id << ".jpg\"\n"
                << "output = \"" << (scratch / "curl-out" / (id + ".jpg")).string() << "\"\n";
        }
    }

    double bestCurl = 1e9;
    double bestCandidate = 1e9;
    double bestInMemory = 1e9;
    auto const timedRun = [&](fs::path const& dataHome) {
        fs::remove_all(scratch / "run");
        fs::remove_all(dataHome);
        auto const dest = (scratch / "run" / "dest").string();
        auto const run = runChild(candidate.command(self, site, site.albumAddress("1001"), dest), dataHome);
        fs::remove_all(dataHome);
        if (!run.ok || filesUnder(dest) != static_cast<std::size_t>(photos)) {
            std::fprintf(stderr, "%s failed\n", candidate.name.c_str());
            std::exit(1);
        }
        return run.seconds;
    };
    for (int round = 0; round < 3; ++round) {
        fs::remove_all(scratch / "curl-out");
        fs::create_directories(scratch / "curl-out");
        auto const curl = runChild({"curl", "-s", "-S", "--fail", "-K", list.string()}, scratch / "curl-home");
        if (!curl.ok || filesUnder(scratch / "curl-out") != static_cast<std::size_t>(photos)) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        bestCurl = std::min(bestCurl, curl.seconds);
        bestCandidate = std::min(bestCandidate, timedRun(scratch / "program-home"));
        if (!memoryRoot.empty())
            bestInMemory = std::min(bestInMemory, timedRun(memoryRoot));
    }

    long peak[2] = {0, 0};
    char const* const albums[2] = {"1002", "1003"};
    for (int i = 0; i < 2; ++i) {
        fs::remove_all(scratch / "run");
        auto const dest = (scratch / "run" / "dest").string();
        auto const run = runChild(candidate.command(self, site, site.albumAddress(albums[i]), dest), scratch / "run");
        if (!run.ok) {
            std::fprintf(stderr, "%s failed on album %s\n", candidate.name.c_str(), albums[i]);
            return 1;
        }
        peak[i] = run.peakKilobytes;
    }
    fs::remove_all(scratch);

    std::printf("download: one album of %d photos x %zu bytes, browse mode, medium size, loopback\n", photos, bytes);
    std::printf("  curl, image list in one process     %8.3f s  (baseline)\n", bestCurl);
    std::printf("  %-35s %8.3f s\n", candidate.name.c_str(), bestCandidate);
    std::printf("  wall-time ratio                     %8.2f    (goal <= 1.25)\n", bestCandidate / bestCurl);
    if (!memoryRoot.empty()) {
        std::printf("  the same, program folder in memory  %8.3f s  (the record's synced adds cost nothing)\n",
                    bestInMemory);
        std::printf("  wall-time ratio                     %8.2f\n", bestInMemory / bestCurl);
    }
    std::printf("  peak memory, 100 photos             %8.1f MB\n", static_cast<double>(peak[0]) / 1024.0);
    std::printf("  peak memory, 5000 photos            %8.1f MB\n", static_cast<double>(peak[1]) / 1024.0);
    std::printf("  memory ratio 5000 / 100             %8.2f    (goal <= 1.10)\n",
                static_cast<double>(peak[1]) / static_cast<double>(std::max(1L, peak[0])));
    return 0;
}
