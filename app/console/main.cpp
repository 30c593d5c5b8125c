// tervala-cli: lists a user's albums (or one album) and downloads the chosen
// ones, driving the same handlers as the window on a console window.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/console/console-window.h"
#include "app/console/options.h"
#include "app/program-state.h"
#include "app/settings-controls.h"
#include "app/settings-file.h"
#include "catalogue/catalogue.h"
#include "download/download-job.h"
#include "net/cookie-store.h"

namespace {

constexpr int ExitDone = 0;
constexpr int ExitFailures = 1;
constexpr int ExitUsage = 2;

// Set by the signal handler, read by the waiting loops: nothing else is
// safe inside a handler.
std::atomic<int> g_signal = 0;
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onSignal(int signal)
{
    g_signal = signal;
}

void installSignalHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    // A second Ctrl-C, while the stop is under way, ends the program at once.
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int usageError(std::string const& problem)
{
    std::fprintf(stderr, "tervala-cli: %s\nTry 'tervala-cli --help'.\n", problem.c_str());
    return ExitUsage;
}

// Waits while `busy()`; false when a signal asked to stop.
template <typename Busy>
bool waitWhile(Busy busy)
{
    while (busy()) {
        if (g_signal != 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return g_signal == 0;
}

int interrupted()
{
    return 128 + g_signal.load();
}

void applySite(app::console::Options const& options)
{
    app::SiteConfig site = app::ProgramState::instance().site();
    if (options.siteRoot)
        site.siteWebRoot = *options.siteRoot;
    if (options.siteDomain)
        site.siteDomain = *options.siteDomain;
    if (options.apiRoot)
        site.siteApiRoot = *options.apiRoot;
    app::ProgramState::instance().setSite(site);
}

// The save location as an absolute folder path without a trailing "/".
std::string saveLocation(std::string const& dest, std::string& problem)
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(dest.empty() ? "." : dest, error);
    if (error) {
        problem = "cannot use '" + dest + "' as the save location: " + error.message();
        return {};
    }
    path = path.lexically_normal();
    if (std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error)) {
        problem = "the save location '" + path.string() + "' is not a folder";
        return {};
    }
    std::string text = path.string();
    while (text.size() > 1 && text.ends_with('/'))
        text.pop_back();
    return text;
}

void printRows(app::Window& window)
{
    int const rows = window.rowCount();
    for (int row = 0; row < rows; ++row)
        std::printf("%s\t%s\t%s\n", window.cellText(row, 1).c_str(), window.cellText(row, 2).c_str(),
                    window.cellText(row, 5).c_str());
    std::fflush(stdout);
}

// Unticks the rows not named; false (after a message) when a named row
// does not exist.
bool tickChosenRows(app::Window& window, std::set<int> const& chosen)
{
    int const rows = window.rowCount();
    if (!chosen.empty() && *chosen.rbegin() > rows) {
        std::fprintf(stderr, "tervala-cli: --albums names row %d, but only %d album%s listed\n", *chosen.rbegin(), rows,
                     rows == 1 ? " was" : "s were");
        return false;
    }
    for (int row = 0; row < rows; ++row)
        window.setRowCheckState(row, chosen.contains(row + 1) ? 1 : 0);
    return true;
}

int run(app::console::Options const& options)
{
    applySite(options);
    if (!options.cookiesFile.empty() && !net::CookieStore::shared().load(options.cookiesFile)) {
        std::fprintf(stderr, "tervala-cli: cannot read the cookies file '%s'\n", options.cookiesFile.c_str());
        return ExitUsage;
    }
    std::string problem;
    std::string const dest = saveLocation(options.dest, problem);
    if (!problem.empty())
        return usageError(problem);

    bool const progressLine = !options.quiet && isatty(STDERR_FILENO) == 1;
    app::console::ConsoleWindow window(stdout, stderr, progressLine, !options.quiet);
    app::LoadSettingsIntoControls(window, app::ProgramSettings());
    window.setText("标签_banben", app::VersionText);

    catalogue::Catalogue catalogue(window);
    if (options.sleepSeconds)
        catalogue.overridePoliteDelay(std::chrono::seconds(*options.sleepSeconds));
    window.setText("编辑框_号码", options.address);
    if (!catalogue.onGetAlbumsClick())
        return ExitUsage;  // its message is on stderr
    if (!waitWhile([&] { return catalogue.isListing(); })) {
        catalogue.stop();
        catalogue.join();
        window.clearProgressLine();
        return interrupted();
    }
    catalogue.join();
    window.clearProgressLine();

    if (options.listOnly) {
        printRows(window);
        return ExitDone;
    }
    if (options.albums && !tickChosenRows(window, *options.albums))
        return ExitUsage;

    if (options.browseMode) {
        window.setChecked("选择框_浏览模式", *options.browseMode);
        window.setChecked("选择框_api模式", !*options.browseMode);
    }
    if (options.mediumSize) {
        window.setChecked("单选框_中图", *options.mediumSize);
        window.setChecked("单选框_原图", !*options.mediumSize);
    }
    window.setText("编辑框_保存位置", dest);

    download::JobOverrides overrides;
    if (options.record)
        overrides.recordSetting = *options.record ? "1" : "0";
    overrides.requestDelaySeconds = options.sleepSeconds;
    // Without dates the window has nothing to bound the photos with.
    overrides.dateWindowSetting = options.from || options.to ? "1" : "0";
    window.setDateTime("日期框_开始时间", options.from.value_or(net::DateTime{1970, 1, 1, 0, 0, 0}));
    window.setDateTime("日期框_结束时间", options.to.value_or(net::DateTime{9999, 12, 31, 23, 59, 59}));

    download::DownloadJob job(window);
    job.setOverrides(overrides);
    job.start();
    bool const ended = waitWhile([&] { return job.isRunning(); });
    if (!ended)
        job.stop();
    job.join();
    window.clearProgressLine();
    download::JobSummary const summary = job.summary();
    if (!ended)
        return interrupted();
    if (!summary.ranToEnd)
        return ExitFailures;
    return summary.photosFailed > 0 || summary.albumsFailed > 0 ? ExitFailures : ExitDone;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> const arguments(argv + 1, argv + argc);
    app::console::ParseResult const parsed = app::console::ParseOptions(arguments);
    if (!parsed.error.empty())
        return usageError(parsed.error);
    if (parsed.options.help) {
        std::fputs(app::console::UsageText, stdout);
        return ExitDone;
    }
    if (parsed.options.version) {
        std::printf("tervala-cli %s\n", app::VersionText);
        return ExitDone;
    }
    installSignalHandlers();
    return run(parsed.options);
}
