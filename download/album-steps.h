#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "download/download-record.h"
#include "download/job-context.h"
#include "net/object-request.h"
#include "net/text.h"

// The steps both album downloaders share: reading a page with its attempts,
// the album folder, fetching one photo with its fallbacks, writing it
// atomically, the record and the progress display.
namespace download {

// The six image request lines, naming the photo's own large-view page.
std::string ImageHeaderBlock(std::string const& siteWebRoot, std::string const& photoId);

// A photo identifier becomes part of a file name: it must be non-empty, not
// "." or "..", and hold no "/" and no zero byte.
bool IsSafePhotoId(std::string_view photoId);


// "YYYY-MM-DD HH:MM:SS" (the time part optional); false when it is not that.
bool ParseCreated(std::string_view text, net::DateTime& when);

// A page read with up to `attempts` tries. A refusal because we came too
// often is waited out (see RequestPacer) and asked again without using up a
// try; a try that gives no text or a busy answer (5xx, no answer) is
// followed by the job's retry wait; a missing page (404, other 4xx) ends
// the tries at once.
struct PageRead {
    std::string text;
    bool readable = false;
    bool stopped = false;
};
PageRead ReadPage(JobContext& context, std::string const& url, int attempts = 10);

// Where one photo comes from: the medium and full-size addresses. A full-size
// answer of 404 falls back to the medium picture.
struct PhotoSource {
    std::string id;
    std::string mediumUrl;
    std::string fullUrl;
    std::string created;  // API mode: the upload time; empty in browse mode
};

// One album's run: the record is open and the date window formed from the
// constructor to the destructor, so every way out of the album closes it.
// Photos share one warm connection.
class AlbumRun {
public:
    explicit AlbumRun(JobContext& context);
    ~AlbumRun();
    AlbumRun(AlbumRun const&) = delete;
    AlbumRun& operator=(AlbumRun const&) = delete;

    // Resets the progress display for `maximum` photos and logs the start.
    void begin(std::string const& title, std::string const& countText, long long maximum);
    // Makes the album folder under the save location and the owner's folder.
    void prepareFolder(std::string const& folderName);

    // Handles the photo at `position` (from 1 within the album): skips it when
    // recorded or outside the date window, else fetches, writes and records
    // it; a failure is logged and not recorded. A photo the site could not
    // serve just now is tried once more by finish(). The progress moves
    // either way. False once the job is stopped.
    bool handlePhoto(PhotoSource const& photo, long long position, bool useDateWindow);

    // A page whose photos could not be read: logged, the album counts failed.
    void pageFailed(long long page);
    // The album could not be read at all: logged and counted failed.
    void skipUnreadable(std::string const& title);
    // Tries the put-off photos once more, then logs the album's account
    // (stated, saved, skipped, failed; fewer found than stated is an error)
    // and its end, and clears the counter label. False once stopped.
    bool finish(std::string const& folderName);

private:
    enum class Fetch { Saved, Failed, Deferred, Stopped };
    struct Deferred {
        PhotoSource photo;
        long long position = 0;
    };
    // `lastChance`: a passing failure counts as failed instead of Deferred.
    Fetch fetchAndSave(PhotoSource const& photo, long long position, bool lastChance);
    bool retryDeferred();
    void photoSaved(std::string const& photoId);
    void showProgress(long long position);
    void photoFailed(std::string const& entry);
    void markFailed();

    JobContext& m_context;
    DownloadRecord m_record;
    DateWindow m_dateWindow;
    net::RequestHandle m_connection;
    std::string m_title;
    std::string m_countText;
    std::string m_folder;
    long long m_maximum = 0;
    long long m_lastPosition = 0;
    bool m_failed = false;      // counted among the failed albums
    bool m_pageFailed = false;  // a page could not be read
    long long m_found = 0;      // photos found on the pages
    int m_saved = 0;
    int m_skipped = 0;
    int m_photosFailed = 0;
    int m_outsideWindow = 0;
    std::vector<Deferred> m_deferred;
};

}  // namespace download
