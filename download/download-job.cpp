#include "download/download-job.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "app/program-folder.h"
#include "app/program-state.h"
#include "app/settings-file.h"
#include "app/throttle-countdown.h"
#include "app/window.h"
#include "download/api-album-downloader.h"
#include "download/browse-album-downloader.h"
#include "download/controlled-window.h"
#include "download/download-record.h"
#include "download/job-buttons.h"
#include "download/job-context.h"
#include "download/request-pacer.h"
#include "net/job-control.h"
#include "net/text.h"

namespace download {

namespace {

constexpr char const* StartButton = "按钮_下载选中";
constexpr char const* PauseButton = "按钮_暂停线程";
constexpr char const* ContinueButton = "按钮_继续下载";
constexpr char const* BrowseModeBox = "选择框_浏览模式";

// The job's end entry: what every album's account adds up to.
std::string SumEntry(JobTally const& tally, std::size_t albums)
{
    std::string entry = "本次共" + std::to_string(albums) + "个相册：标明" + std::to_string(tally.photosStated) +
                        "张照片，本次保存" + std::to_string(tally.photosSaved) + "张，已有记录跳过" +
                        std::to_string(tally.photosSkipped) + "张，失败" + std::to_string(tally.photosFailed) + "张";
    if (tally.throttleWaits > 0)
        entry += "；网站限制访问" + std::to_string(tally.throttleWaits) + "次，均已等待后继续";
    if (tally.albumsFailed > 0)
        entry += "；" + std::to_string(tally.albumsFailed) + "个相册未能下载完整，详见上面的记录";
    return entry + "\r\n\r\n";
}

// One album of the job list: address and trimmed title of a ticked row.
struct JobEntry {
    std::string address;
    std::string title;
};

}  // namespace

// One job: its control, its snapshot and its counts, and its worker.
struct Run {
    net::JobControl control;
    JobSnapshot snapshot;
    JobTally tally;
    std::atomic<bool> ended{false};     // the end step began (buttons idle)
    std::atomic<bool> ranToEnd{false};
    std::atomic<bool> finished{false};  // the worker has returned
    std::thread worker;

    void work(app::Window& window);
    void walk(ControlledWindow& window, app::Window& unheld);
};

struct DownloadJob::Impl {
    explicit Impl(app::Window& w)
        : window(w)
    {
    }

    app::Window& window;
    JobOverrides overrides;
    std::chrono::milliseconds retryWait{2000};
    ThrottleTiming throttle;
    mutable std::mutex mutex;  // guards `runs` for isRunning() and summary() from any thread
    // Every worker started and not yet joined: a job's worker may still show
    // its final box while the next job runs.
    std::vector<std::unique_ptr<Run>> runs;

    [[nodiscard]] Run* current() const { return runs.empty() ? nullptr : runs.back().get(); }
    [[nodiscard]] bool currentIsActive() const
    {
        auto const* run = current();
        return run != nullptr && !run->ended && !run->control.isStopped();
    }
};

void Run::work(app::Window& window)
{
    ControlledWindow guarded(window, control);
    try {
        walk(guarded, window);
    } catch (...) {
        // Nothing may cross the thread; the job simply ends here.
        ended = true;
    }
    finished = true;
}

void Run::walk(ControlledWindow& window, app::Window& unheld)
{
    RequestPacer pacer(window, unheld, control, snapshot.requestDelay, snapshot.throttle);
    JobContext context{window, control, snapshot, tally, pacer};

    std::string selected;
    std::vector<JobEntry> entries;
    int const rows = window.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (window.rowCheckState(row) == 1) {
            selected += window.cellText(row, 1) + "、";
            std::string address = window.cellText(row, 5);
            if (!address.empty())
                entries.push_back({std::move(address), net::Trim(window.cellText(row, 2))});
        }
        window.processEvents();
    }
    if (control.isStopped())
        return;
    window.appendLog(selected.empty() ? std::string("当前未选择任何相册\r\n\r\n")
                                      : "当前被选择相册编号:" + selected + "\r\n\r\n");
    window.setText("标签_选择了相册数量", "总共需下载[" + std::to_string(entries.size()) + "]个相册");

    for (std::size_t j = 0; j < entries.size(); ++j) {
        window.setText("标签_正在下载相册", "下载到第[" + std::to_string(j + 1) + "]个相册");
        if (!control.checkpoint())
            return;
        std::string countText = "0";
        std::string address = entries[j].address;
        std::string title = entries[j].title;
        // Read per album, so a change of mode takes effect from the next one.
        if (window.isChecked(BrowseModeBox))
            BrowseAlbumDownloader(context, countText, address, title);
        else
            ApiAlbumDownloader(context, countText, address, title);
        tally.throttleWaits = pacer.throttleWaits();
        if (control.isStopped())
            return;
    }

    if (!control.checkpoint())
        return;
    ended = true;
    ShowButtons(window, ButtonState::Idle);
    if (tally.albumsAccounted > 0 || tally.albumsFailed > 0 || tally.photosFailed > 0)
        window.appendLog(SumEntry(tally, entries.size()));
    window.appendLog("-------全部下载完毕--------\r\n\r\n");
    window.setText("标签_第多少张照片", "下载完成");
    window.setProgressPosition("进度条1", window.progressMaximum("进度条1"));
    window.setText("标签_进度条比例", "100%");
    if (control.isStopped())
        return;
    ranToEnd = true;
    window.messageBox("全部下载完毕");
}

DownloadJob::DownloadJob(app::Window& window)
    : m_impl(std::make_unique<Impl>(window))
{
}

DownloadJob::~DownloadJob()
{
    for (auto const& run : m_impl->runs)
        run->control.stop();
    join();
}

void DownloadJob::setOverrides(JobOverrides const& overrides)
{
    m_impl->overrides = overrides;
}

void DownloadJob::setRetryWait(std::chrono::milliseconds wait)
{
    m_impl->retryWait = wait;
}

void DownloadJob::setThrottleTiming(ThrottleTiming const& timing)
{
    m_impl->throttle = timing;
}

void DownloadJob::start()
{
    auto& impl = *m_impl;
    if (impl.currentIsActive())
        return;  // the start button is hidden while a job runs

    auto run = std::make_unique<Run>();
    auto& snapshot = run->snapshot;
    auto const settings = app::ProgramSettings();
    snapshot.recordSetting = impl.overrides.recordSetting.value_or(settings.Read("全局设置", "下载记录", "0"));
    snapshot.dateWindowSetting = impl.overrides.dateWindowSetting.value_or(settings.Read("全局设置", "时间段", "0"));
    auto const& state = app::ProgramState::instance();
    auto const selection = state.selection();
    snapshot.ownerKey = selection.ownerKey;
    snapshot.ownerName = selection.ownerName;
    snapshot.site = state.site();
    snapshot.retryWait = impl.retryWait;
    snapshot.throttle = impl.throttle;
    int const delaySeconds =
        impl.overrides.requestDelaySeconds.value_or(ParseRequestDelay(settings.Read("全局设置", "请求间隔", "0")));
    snapshot.requestDelay = std::chrono::seconds(std::max(delaySeconds, 0));

    DownloadRecord(app::ProgramFolder()).ensure(snapshot.ownerKey);
    ShowButtons(impl.window, ButtonState::Running);

    Run* const started = run.get();
    {
        // Earlier workers that have returned are joined and let go.
        std::lock_guard lock(impl.mutex);
        std::erase_if(impl.runs, [](auto const& earlier) {
            if (!earlier->finished)
                return false;
            earlier->worker.join();
            return true;
        });
        impl.runs.push_back(std::move(run));
    }
    started->worker = std::thread([started, &window = impl.window] { started->work(window); });
}

void DownloadJob::pause()
{
    if (!m_impl->currentIsActive())
        return;
    auto& window = m_impl->window;
    window.setVisible(StartButton, false);
    window.setVisible(PauseButton, false);
    window.setVisible(ContinueButton, true);
    m_impl->current()->control.pause();
}

void DownloadJob::resume()
{
    if (!m_impl->currentIsActive())
        return;
    auto& window = m_impl->window;
    window.setVisible(StartButton, false);
    window.setVisible(PauseButton, true);
    window.setVisible(ContinueButton, false);
    m_impl->current()->control.resume();
}

void DownloadJob::stop()
{
    if (!m_impl->currentIsActive())
        return;
    m_impl->current()->control.stop();
    ShowButtons(m_impl->window, ButtonState::Idle);
    // A countdown the stop cut short must not stay on show: the stopped
    // worker writes nothing more.
    if (m_impl->window.text(CountdownLabel).starts_with(app::CountdownLabelPrefix))
        m_impl->window.setText(CountdownLabel, "");
}

bool DownloadJob::isRunning() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->currentIsActive();
}

void DownloadJob::join()
{
    // Window thread only: `runs` changes only there.
    for (auto const& run : m_impl->runs) {
        if (run->worker.joinable())
            run->worker.join();
    }
    // Keep the last run for summary(); the others are done with.
    std::lock_guard lock(m_impl->mutex);
    if (m_impl->runs.size() > 1)
        m_impl->runs.erase(m_impl->runs.begin(), m_impl->runs.end() - 1);
}

JobSummary DownloadJob::summary() const
{
    std::lock_guard lock(m_impl->mutex);
    JobSummary summary;
    auto const* run = m_impl->current();
    if (run == nullptr)
        return summary;
    summary.ranToEnd = run->ranToEnd;
    summary.albumsDone = run->tally.albumsDone;
    summary.albumsFailed = run->tally.albumsFailed;
    summary.photosSaved = run->tally.photosSaved;
    summary.photosSkipped = run->tally.photosSkipped;
    summary.photosFailed = run->tally.photosFailed;
    summary.photosStated = run->tally.photosStated;
    summary.albumsLayoutChanged = run->tally.albumsLayoutChanged;
    summary.throttleWaits = run->tally.throttleWaits;
    return summary;
}

}  // namespace download
