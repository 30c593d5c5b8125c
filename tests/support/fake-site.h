#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program-state.h"

namespace testing_support {

// One photo of a fake album.
struct FakePhoto {
    std::string id;
    std::string created = "2020-06-01 12:00:00";
    std::size_t size = 48;   // bytes of each of its pictures
    bool largeIsNull = false;  // the JSON entry's "large" is null
};

// One fake album. `countText` replaces the count the pages and the
// interface show (e.g. to lie about it); empty: the number of photos.
struct FakeAlbum {
    std::string id;
    std::string title;
    std::vector<FakePhoto> photos;
    std::string coverAddress;  // empty: the site's own cover; "-": an empty cover address
    std::optional<std::string> countText;
};

// One fake user: home page, album list pages (16 albums a page).
struct FakeUser {
    std::string name;          // as in /people/<name>/
    std::string displayName;   // the feed link's title: "<displayName>的收藏"
    std::vector<std::string> albumIds;
};

// Photos named "<prefix>1" ... "<prefix>count" (identifiers as digits when
// the prefix is digits), pictures of `size` bytes.
std::vector<FakePhoto> NumberedPhotos(std::string const& prefix, int count, std::size_t size = 48);

// A loopback stand-in for the site, on 127.0.0.1 with an ephemeral port and a
// thread of its own. It serves, to the byte of the markers the program looks
// for:
//   /people/<name>[/]                       user home page (feed-link title)
//   /people/<name>/photos?start=N           album list pages
//   /photos/album/<id>[/][?start=N]         album pages, 18 thumbnails each
//   /v2/album/<id>/photos?count=1           the album's total
//   /v2/album/<id>/photos?start=N&count=M   photo entries
//   /view/photo/{thumb,photo,large}/public/p<id>.jpg   pictures
//   /view/photo/albumcover/<id>.jpg         album covers
//   /accounts/login                         a login page (where refusals may send us)
// Knobs make any address fail, answer a given body, or hold until released.
// Every member is safe to call from any thread.
class FakeSite {
public:
    // An idle kept-alive connection is closed after `keepAliveSeconds`; the
    // destructor waits that long for connections the client left open.
    explicit FakeSite(int keepAliveSeconds = 1);
    ~FakeSite();
    FakeSite(FakeSite const&) = delete;
    FakeSite& operator=(FakeSite const&) = delete;

    [[nodiscard]] int port() const;
    [[nodiscard]] std::string host() const;  // "127.0.0.1:<port>"
    [[nodiscard]] std::string root() const;  // "http://127.0.0.1:<port>"
    // Web root, API root and domain all pointing here.
    [[nodiscard]] app::SiteConfig siteConfig() const;
    [[nodiscard]] std::string userAddress(std::string const& name) const;   // root + /people/<name>/
    [[nodiscard]] std::string albumAddress(std::string const& id) const;    // root + /photos/album/<id>/

    void addAlbum(FakeAlbum album);
    void addUser(FakeUser user);

    // The bytes served for a photo's medium and full-size pictures: distinct
    // per photo and size, JPEG-like (FF D8 ... FF D9).
    [[nodiscard]] static std::string MediumPicture(FakePhoto const& photo);
    [[nodiscard]] static std::string LargePicture(FakePhoto const& photo);

    // Answers `status` with a short error body for a target ("/path?query")
    // or, when no target matches, a path. `times` < 0: for good; 0: no more
    // failures; else that many answers, then the normal page again.
    void failWith(std::string const& target, int status, int times = -1);
    // Redirects the target (or path) to `location` (an address or a path of
    // this site), `times` as for failWith().
    void redirectTo(std::string const& target, std::string const& location, int times = -1);
    // Answers exactly this for the target (or path) from now on.
    void answerWith(std::string const& target, int status, std::string body,
                    std::string contentType = "text/html; charset=utf-8");
    // Holds every request for the target (or path) until release(); a held
    // request is answered normally once released.
    void hold(std::string const& target);
    void release(std::string const& target);
    // Waits until a request for the held target arrives; false after `limit`.
    bool waitForHeld(std::string const& target, std::chrono::milliseconds limit = std::chrono::seconds(20));

    // Targets ("/path?query") in arrival order.
    [[nodiscard]] std::vector<std::string> requests() const;
    // When each request for a target arrived, in order.
    [[nodiscard]] std::vector<std::chrono::steady_clock::time_point> arrivals(std::string const& target) const;
    // When every request arrived, in the order of requests().
    [[nodiscard]] std::vector<std::chrono::steady_clock::time_point> allArrivals() const;
    [[nodiscard]] int requestCount(std::string const& target) const;
    // The request headers of the last request for a target, "Name: value" lines.
    [[nodiscard]] std::map<std::string, std::string> lastHeaders(std::string const& target) const;
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace testing_support
