#include "download/album-steps.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>

#include "app/program-folder.h"
#include "app/progress-text.h"
#include "app/window.h"
#include "net/answer-kind.h"
#include "net/job-control.h"
#include "net/page-request.h"
#include "net/plain-get.h"

namespace download {

namespace {

constexpr char const* ProgressBar = "进度条1";
constexpr char const* PercentLabel = "标签_进度条比例";
constexpr char const* CounterLabel = "标签_第多少张照片";
constexpr char const* SaveLocationBox = "编辑框_保存位置";
constexpr char const* MediumSizeButton = "单选框_中图";
constexpr char const* StartPicker = "日期框_开始时间";
constexpr char const* EndPicker = "日期框_结束时间";

// The sample identifier the header block is stored with.
constexpr std::string_view SamplePhotoId = "2155058360";

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, 0, INT_MAX));
}

bool isGoodPicture(net::Bytes const& body, int status)
{
    return status == 200 && !body.empty();
}

bool writeAll(int fd, net::Bytes const& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        auto const written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A temporary file beside the final name, renamed into place: a stopped or
// killed job never leaves a truncated photo under a photo's name.
bool writeAtomically(std::string const& folder, std::string const& name, net::Bytes const& bytes)
{
    std::string const finalPath = folder + "/" + name;
    std::string const partPath = folder + "/." + name + ".part";
    int const fd = ::open(partPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(partPath.c_str(), finalPath.c_str()) == 0;
    if (!ok)
        ::unlink(partPath.c_str());
    return ok;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string ImageHeaderBlock(std::string const& siteWebRoot, std::string const& photoId)
{
    std::string const block = "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:43.0) Gecko/20100101 Firefox/43.0\r\n"
                              "Accept: image/png,image/*;q=0.8,*/*;q=0.5\r\n"
                              "Accept-Language: zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3\r\n"
                              "Accept-Encoding: gzip, deflate\r\n"
                              "DNT: 1\r\n"
                              "Referer: " + siteWebRoot + "/photos/photo/2155058360/large\r\n";
    return net::ReplaceText(block, SamplePhotoId, photoId);
}

bool IsSafePhotoId(std::string_view photoId)
{
    return !photoId.empty() && photoId != "." && photoId != ".." && photoId.find('/') == std::string_view::npos &&
           photoId.find('\0') == std::string_view::npos;
}

bool ParseCreated(std::string_view text, net::DateTime& when)
{
    when = {};
    int* const fields[] = {&when.year, &when.month, &when.day, &when.hour, &when.minute, &when.second};
    char const* at = text.data();
    char const* const end = text.data() + text.size();
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) {
            if (i == 3 && at == end)
                return true;  // a date alone
            char const expected = i < 3 ? '-' : (i == 3 ? ' ' : ':');
            if (at == end || *at != expected)
                return false;
            ++at;
        }
        auto const [next, error] = std::from_chars(at, end, *fields[i]);
        if (error != std::errc())
            return false;
        at = next;
    }
    return at == end;
}

PageRead ReadPage(JobContext& context, std::string const& url, int attempts)
{
    PageRead read;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (!context.control.checkpoint() || !context.pacer.beforeRequest()) {
            read.stopped = true;
            return read;
        }
        int status = 0;
        std::string finalUrl;
        net::PageRequestArgs args;
        args.status = &status;
        args.finalUrl = &finalUrl;
        args.control = &context.control;
        auto const body = net::PageRequest(url, args);
        if (context.control.isStopped()) {
            read.stopped = true;
            return read;
        }
        switch (context.pacer.afterAnswer(status, url, finalUrl)) {
        case RequestPacer::Verdict::Stopped:
            read.stopped = true;
            return read;
        case RequestPacer::Verdict::Retry:
            --attempt;  // a refusal waited out is no failed attempt
            continue;
        case RequestPacer::Verdict::Go:
            break;
        }
        auto const kind = net::ClassifyAnswer(status, url, finalUrl);
        read.text = net::Utf8ToText(body);
        if (!read.text.empty() && kind == net::AnswerKind::Success) {
            read.readable = true;
            return read;
        }
        read.text.clear();
        // A missing page stays missing: asking again only adds to the load.
        if (kind == net::AnswerKind::Missing || kind == net::AnswerKind::Failed)
            return read;
        if (!net::PumpedDelay(context.snapshot.retryWait.count(), 0, &context.control)) {
            read.stopped = true;
            return read;
        }
    }
    return read;
}

AlbumRun::AlbumRun(JobContext& context)
    : m_context(context)
    , m_record(app::ProgramFolder())
{
    m_record.open(context.snapshot.ownerKey);
    m_dateWindow = FormDateWindow(context.snapshot.dateWindowSetting, context.window.dateTime(StartPicker),
                                  context.window.dateTime(EndPicker));
}

AlbumRun::~AlbumRun()
{
    m_record.close();
}

void AlbumRun::begin(std::string const& title, std::string const& countText, long long maximum)
{
    m_title = title;
    m_countText = countText;
    m_maximum = std::max(0LL, maximum);
    auto& window = m_context.window;
    window.setText(PercentLabel, "");
    window.setProgressPosition(ProgressBar, 0);
    window.setProgressMaximum(ProgressBar, clampToInt(m_maximum));
    window.appendLog("准备下载相册《" + title + "》\r\n\r\n");
}

void AlbumRun::prepareFolder(std::string const& folderName)
{
    std::string base = m_context.window.text(SaveLocationBox);
    if (base.empty())
        base = app::ProgramFolder();
    m_folder = withoutTrailingSlashes(base) + "/" + net::SafeFileName(m_context.snapshot.ownerName) + "/" + folderName;
    if (!net::IsDirectory(m_folder)) {
        std::string path = m_folder;
        if (!net::EnsureFolder(path))
            net::EnsureFolder(path);
    }
}

bool AlbumRun::handlePhoto(PhotoSource const& photo, long long position, bool useDateWindow)
{
    if (!m_context.control.checkpoint())
        return false;
    ++m_found;
    m_lastPosition = std::max(m_lastPosition, position);
    if (!IsSafePhotoId(photo.id)) {
        photoFailed("照片编号《" + photo.id + "》不能用作文件名，已跳过\r\n\r\n");
        showProgress(position);
        return true;
    }
    net::DateTime created;
    if (useDateWindow && ParseCreated(photo.created, created)) {
        auto const seconds = net::UnixSeconds(created);
        if (seconds < m_dateWindow.start || seconds > m_dateWindow.end) {
            ++m_outsideWindow;
            showProgress(position);
            return true;
        }
    }
    if (m_context.snapshot.recordSetting == "1" && m_record.contains(photo.id)) {
        ++m_context.tally.photosSkipped;
        ++m_skipped;
        showProgress(position);
        return true;
    }
    switch (fetchAndSave(photo, position, false)) {
    case Fetch::Stopped:
        return false;
    case Fetch::Deferred:
        m_deferred.push_back({photo, position});
        break;
    case Fetch::Failed:
        break;
    case Fetch::Saved:
        photoSaved(photo.id);
        break;
    }
    showProgress(position);
    return true;
}

void AlbumRun::photoSaved(std::string const& photoId)
{
    if (!m_record.contains(photoId))
        m_record.add(photoId);
    ++m_context.tally.photosSaved;
    ++m_saved;
}

bool AlbumRun::retryDeferred()
{
    // Once more each, after the album's other photos: a busy moment of the
    // site has often passed by then.
    auto const deferred = std::move(m_deferred);
    m_deferred.clear();
    for (auto const& [photo, position] : deferred) {
        if (!m_context.control.checkpoint())
            return false;
        switch (fetchAndSave(photo, position, true)) {
        case Fetch::Stopped:
            return false;
        case Fetch::Saved:
            photoSaved(photo.id);
            break;
        case Fetch::Deferred:
        case Fetch::Failed:
            break;
        }
    }
    if (!deferred.empty())
        showProgress(m_lastPosition);
    return true;
}

AlbumRun::Fetch AlbumRun::fetchAndSave(PhotoSource const& photo, long long position, bool lastChance)
{
    auto& control = m_context.control;
    auto& pacer = m_context.pacer;
    bool const medium = m_context.window.isChecked(MediumSizeButton);
    std::string const headers = ImageHeaderBlock(m_context.snapshot.site.siteWebRoot, photo.id);

    int status = 0;
    std::string url;
    net::Bytes body;
    while (true) {
        if (!control.checkpoint() || !pacer.beforeRequest())
            return Fetch::Stopped;
        url = medium ? photo.mediumUrl : photo.fullUrl;
        std::string sentHeaders = headers;
        net::ObjectRequestArgs args;
        args.headers = &sentHeaders;
        args.status = &status;
        args.timeoutSeconds = 30;
        args.requestObject = &m_connection;
        args.control = &control;
        std::string objectUrl;
        args.finalUrl = &objectUrl;
        body = net::ObjectRequest(url, args);
        if (control.isStopped())
            return Fetch::Stopped;
        // A login page is no picture, whatever its status.
        if (isGoodPicture(body, status) && net::ClassifyAnswer(status, url, objectUrl) == net::AnswerKind::Success) {
            pacer.afterAnswer(status, url, objectUrl);
            break;
        }
        // This answer is not judged: the plain fetch goes through the shared
        // store, with the login, and its answer decides.
        pacer.noteAnswer();
        if (!medium && status == 404)
            url = photo.mediumUrl;
        if (!control.checkpoint() || !pacer.beforeRequest())
            return Fetch::Stopped;
        std::string finalUrl;
        body = net::PlainGet(url, &status, &control, &finalUrl);
        if (control.isStopped())
            return Fetch::Stopped;
        auto const verdict = pacer.afterAnswer(status, url, finalUrl);
        if (verdict == RequestPacer::Verdict::Stopped)
            return Fetch::Stopped;
        if (verdict == RequestPacer::Verdict::Retry)
            continue;
        if (isGoodPicture(body, status))
            break;
        if (!lastChance && net::ClassifyAnswer(status, url, finalUrl) == net::AnswerKind::Transient)
            return Fetch::Deferred;
        photoFailed("照片" + photo.id + "下载失败（状态码" + std::to_string(status) + "）：" + url + "\r\n\r\n");
        return Fetch::Failed;
    }

    // Named by the position before this photo: 0 for the album's first.
    std::string const name = std::to_string(position - 1) + "_" + photo.id + "_.jpg";
    if (!control.checkpoint())
        return Fetch::Stopped;
    if (!writeAtomically(m_folder, name, body)) {
        photoFailed("照片" + photo.id + "保存失败：" + m_folder + "/" + name + "\r\n\r\n");
        return Fetch::Failed;
    }
    return Fetch::Saved;
}

void AlbumRun::photoFailed(std::string const& entry)
{
    ++m_context.tally.photosFailed;
    ++m_photosFailed;
    m_context.window.appendLog(entry);
}

void AlbumRun::showProgress(long long position)
{
    auto& window = m_context.window;
    window.setProgressPosition(ProgressBar, clampToInt(position));
    window.setText(PercentLabel, app::PercentText(position, m_maximum));
    window.setText(CounterLabel, m_countText + "/" + std::to_string(position));
    window.processEvents();
}

void AlbumRun::markFailed()
{
    if (!m_failed)
        ++m_context.tally.albumsFailed;
    m_failed = true;
}

void AlbumRun::pageFailed(long long page)
{
    m_context.window.appendLog("相册《" + m_title + "》第" + std::to_string(page) + "页读取失败，该页的照片未能下载\r\n\r\n");
    m_pageFailed = true;
    markFailed();
}

void AlbumRun::skipUnreadable(std::string const& title)
{
    m_context.window.appendLog("相册《" + title + "》的页面无法读取，已跳过\r\n\r\n");
    markFailed();
}

bool AlbumRun::finish(std::string const& folderName)
{
    if (!retryDeferred())
        return false;
    auto& window = m_context.window;
    auto& tally = m_context.tally;
    std::string const stated = std::to_string(m_maximum);
    // Every page was read, yet photos are missing from them: the pages no
    // longer look as the program expects, and the album is not complete.
    if (!m_pageFailed && m_found < m_maximum) {
        window.appendLog(m_found == 0 ? "相册《" + m_title + "》标明" + stated +
                                            "张照片，但各页都没有找到照片，网站的页面格式可能已经改变\r\n\r\n"
                                      : "相册《" + m_title + "》标明" + stated + "张照片，各页只找到" +
                                            std::to_string(m_found) + "张，网站的页面格式可能已经改变\r\n\r\n");
        ++tally.albumsLayoutChanged;
        markFailed();
    }
    std::string account = "相册《" + m_title + "》：标明" + stated + "张，本次保存" + std::to_string(m_saved) +
                          "张，已有记录跳过" + std::to_string(m_skipped) + "张，失败" + std::to_string(m_photosFailed) +
                          "张";
    if (m_outsideWindow > 0)
        account += "，不在时间段内" + std::to_string(m_outsideWindow) + "张";
    window.appendLog(account + "\r\n\r\n");
    ++tally.albumsAccounted;
    tally.photosStated += clampToInt(m_maximum);

    window.appendLog("---完成相册《" + folderName + "》下载\r\n\r\n");
    window.setText(CounterLabel, "");
    if (!m_failed)
        ++tally.albumsDone;
    return true;
}

}  // namespace download
