#include "tests/support/fake-site.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <httplib.h>

namespace testing_support {

namespace {

constexpr int AlbumPageSize = 18;
constexpr int ListPageSize = 16;

struct Failure {
    int status = 500;
    int remaining = -1;
    std::string location;  // a redirect when not empty
};

struct Canned {
    int status = 200;
    std::string body;
    std::string contentType;
};

std::string picture(char kind, FakePhoto const& photo)
{
    std::string bytes = "\xFF\xD8\xFF\xE0";
    bytes += kind;
    bytes += photo.id;
    bytes += ';';
    std::size_t const wanted = std::max(photo.size, bytes.size() + 2);
    for (std::size_t i = 0; bytes.size() + 2 < wanted; ++i)
        bytes += static_cast<char>('a' + (i + photo.id.size()) % 26);
    bytes += "\xFF\xD9";
    return bytes;
}

// "/" written as "\/", as the site's JSON writer does.
std::string jsonAddress(std::string const& address)
{
    std::string out;
    for (char const c : address) {
        if (c == '/')
            out += "\\/";
        else
            out += c;
    }
    return out;
}

std::string jsonText(std::string const& text)
{
    std::string out = "\"";
    for (char const c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

long long numberParam(httplib::Request const& request, char const* name, long long fallback)
{
    if (!request.has_param(name))
        return fallback;
    try {
        return std::stoll(request.get_param_value(name));
    } catch (...) {
        return fallback;
    }
}

// The piece of `path` after `prefix` up to the next "/" (or the end).
std::string segmentAfter(std::string const& path, std::string const& prefix)
{
    if (path.rfind(prefix, 0) != 0)
        return {};
    auto const rest = path.substr(prefix.size());
    return rest.substr(0, rest.find('/'));
}

}  // namespace

std::vector<FakePhoto> NumberedPhotos(std::string const& prefix, int count, std::size_t size)
{
    std::vector<FakePhoto> photos;
    for (int i = 1; i <= count; ++i) {
        FakePhoto photo;
        photo.id = prefix + std::to_string(i);
        photo.size = size;
        photos.push_back(photo);
    }
    return photos;
}

struct FakeSite::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable changed;
    bool closing = false;
    std::map<std::string, FakeAlbum> albums;
    std::map<std::string, FakeUser> users;
    std::map<std::string, Failure> failures;
    std::map<std::string, Canned> canned;
    std::map<std::string, int> holds;  // target -> requests arrived since hold()
    std::vector<std::string> log;
    std::vector<std::chrono::steady_clock::time_point> times;  // arrival of each entry of `log`
    std::map<std::string, std::map<std::string, std::string>> headers;

    [[nodiscard]] std::string host() const { return "127.0.0.1:" + std::to_string(port); }
    [[nodiscard]] std::string root() const { return "http://" + host(); }

    template <typename Map>
    static typename Map::iterator keyed(Map& map, httplib::Request const& request)
    {
        auto found = map.find(request.target);
        return found != map.end() ? found : map.find(request.path);
    }

    void serve(httplib::Request const& request, httplib::Response& response);
    void route(httplib::Request const& request, httplib::Response& response);
    std::string userPage(FakeUser const& user) const;
    std::string albumListPage(FakeUser const& user, long long start) const;
    std::string albumPage(FakeAlbum const& album, long long start) const;
    std::string apiPage(FakeAlbum const& album, long long start, long long count) const;
    FakePhoto const* findPhoto(std::string const& id) const;
};

void FakeSite::Impl::serve(httplib::Request const& request, httplib::Response& response)
{
    std::unique_lock lock(mutex);
    log.push_back(request.target);
    times.push_back(std::chrono::steady_clock::now());
    auto& seen = headers[request.target];
    seen.clear();
    for (auto const& [name, value] : request.headers)
        seen[name] = value;

    if (auto held = keyed(holds, request); held != holds.end()) {
        std::string const key = held->first;
        ++held->second;
        changed.notify_all();
        changed.wait(lock, [&] { return closing || holds.find(key) == holds.end(); });
    }
    if (auto failure = keyed(failures, request); failure != failures.end()) {
        response.status = failure->second.status;
        if (!failure->second.location.empty()) {
            auto const& location = failure->second.location;
            response.set_header("Location", location.starts_with("/") ? root() + location : location);
        }
        response.set_content("<html>refused</html>", "text/html");
        if (failure->second.remaining > 0 && --failure->second.remaining == 0)
            failures.erase(failure);
        return;
    }
    if (auto answer = keyed(canned, request); answer != canned.end()) {
        response.status = answer->second.status;
        response.set_content(answer->second.body, answer->second.contentType.c_str());
        return;
    }
    route(request, response);
}

void FakeSite::Impl::route(httplib::Request const& request, httplib::Response& response)
{
    std::string const& path = request.path;
    auto const html = "text/html; charset=utf-8";

    if (path == "/accounts/login") {
        response.set_content("<html><head><title>登录</title></head><body>login</body></html>", html);
        return;
    }
    if (path.rfind("/people/", 0) == 0) {
        auto const user = users.find(segmentAfter(path, "/people/"));
        if (user != users.end()) {
            auto const rest = path.substr(std::string("/people/").size() + user->first.size());
            if (rest.empty() || rest == "/") {
                response.set_content(userPage(user->second), html);
                return;
            }
            if (rest == "/photos" || rest == "/photos/") {
                response.set_content(albumListPage(user->second, numberParam(request, "start", 0)), html);
                return;
            }
        }
    } else if (path.rfind("/photos/album/", 0) == 0) {
        auto const album = albums.find(segmentAfter(path, "/photos/album/"));
        if (album != albums.end()) {
            response.set_content(albumPage(album->second, numberParam(request, "start", 0)), html);
            return;
        }
    } else if (path.rfind("/v2/album/", 0) == 0) {
        auto const album = albums.find(segmentAfter(path, "/v2/album/"));
        if (album != albums.end()) {
            auto const count = numberParam(request, "count", 20);
            response.set_content(apiPage(album->second, numberParam(request, "start", 0), count),
                                 "application/json; charset=utf-8");
            return;
        }
    } else if (path.rfind("/view/photo/", 0) == 0) {
        auto const kind = segmentAfter(path, "/view/photo/");
        auto const file = path.substr(path.rfind('/') + 1);
        if (kind == "albumcover") {
            response.set_content("\xFF\xD8\xFF\xE0" "cover:" + file + "\xFF\xD9", "image/jpeg");
            return;
        }
        if (file.size() > 5 && file[0] == 'p' && file.ends_with(".jpg")) {
            if (auto const* photo = findPhoto(file.substr(1, file.size() - 5))) {
                if (kind == "photo" || kind == "thumb") {
                    response.set_content(picture(kind == "photo" ? 'M' : 'T', *photo), "image/jpeg");
                    return;
                }
                if (kind == "large") {
                    response.set_content(picture('L', *photo), "image/jpeg");
                    return;
                }
            }
        }
    }
    response.status = 404;
    response.set_content("<html>not found</html>", html);
}

std::string FakeSite::Impl::userPage(FakeUser const& user) const
{
    return "<!DOCTYPE html>\n<html lang=\"zh-cmn-Hans\">\n<head>\n<title>\n" + user.displayName +
           "\n</title>\n<link rel=\"alternate\" href=\"" + root() + "/feed/people/" + user.name +
           "/interests\" type=\"application/rss+xml\" title=\"" + user.displayName +
           "的收藏\" />\n</head>\n<body><h1>" + user.displayName + "</h1></body>\n</html>\n";
}

std::string FakeSite::Impl::albumListPage(FakeUser const& user, long long start) const
{
    auto const total = static_cast<long long>(user.albumIds.size());
    long long const pages = std::max(1LL, (total + ListPageSize - 1) / ListPageSize);
    std::string page = "<!DOCTYPE html>\n<html>\n<head><title>" + user.displayName + "的相册</title></head>\n<body>\n";
    page += "<span class=\"count\">(共" + std::to_string(total) + "个)</span>\n";
    for (long long i = std::max(0LL, start); i < total && i < start + ListPageSize; ++i) {
        auto const album = albums.find(user.albumIds[static_cast<std::size_t>(i)]);
        std::string const id = user.albumIds[static_cast<std::size_t>(i)];
        std::string const title = album == albums.end() ? id : album->second.title;
        std::string cover = root() + "/view/photo/albumcover/" + id + ".jpg";
        if (album != albums.end() && !album->second.coverAddress.empty())
            cover = album->second.coverAddress == "-" ? std::string() : album->second.coverAddress;
        page += "<div class=\"albumlst\">\n<a class=\"album_photo\" href=\"" + root() + "/photos/album/" + id +
                "/\"><img class=\"album\" src=\"" + cover + "\"/></a>\n    <div class=\"albumlst_r\">\n"
                "        <div class=\"pl2\">\n            <a href=\"" + root() + "/photos/album/" + id + "/\">" +
                title + "</a>\n        </div>\n    </div>\n</div>\n";
    }
    if (pages > 1) {
        page += "<div class=\"paginator\"><span class=\"thispage\" data-total-page=\"" + std::to_string(pages) +
                "\">1</span></div>\n";
    }
    return page + "</body>\n</html>\n";
}

std::string FakeSite::Impl::albumPage(FakeAlbum const& album, long long start) const
{
    auto const total = static_cast<long long>(album.photos.size());
    std::string const count = album.countText.value_or(std::to_string(total));
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<title>\n" + album.title + "\n</title>\n</head>\n<body>\n";
    page += "<h1>" + album.title + "</h1>\n<div class=\"wr\">\n<span class=\"ll\">相册描述\n</span>\n\n"
            "<span class=\"pl\">" + count + "张照片&nbsp;2020-06-01创建</span>\n</div>\n";
    for (long long i = std::max(0LL, start); i < total && i < start + AlbumPageSize; ++i) {
        auto const& id = album.photos[static_cast<std::size_t>(i)].id;
        page += "<div class=\"photo_wrap\">\n<a class=\"photolst_photo\" href=\"" + root() + "/photos/photo/" + id +
                "/\" title=\"\">\n<img src=\"http://" + host() + "/view/photo/thumb/public/p" + id +
                ".jpg\" />\n</a>\n</div>\n";
    }
    return page + "</body>\n</html>\n";
}

std::string FakeSite::Impl::apiPage(FakeAlbum const& album, long long start, long long count) const
{
    auto const total = static_cast<long long>(album.photos.size());
    std::string const totalText = album.countText.value_or(std::to_string(total));
    std::string page = "{\"count\":" + std::to_string(count) + ",\"start\":" + std::to_string(start) +
                       ",\"total\":" + totalText + ",\"owner\":{\"name\":\"owner\"},\"photos\":[";
    bool first = true;
    for (long long i = std::max(0LL, start); i < total && i < start + count; ++i) {
        auto const& photo = album.photos[static_cast<std::size_t>(i)];
        std::string const base = "https://" + host() + "/view/photo/";
        page += first ? "" : ",";
        first = false;
        page += "{\"id\":" + jsonText(photo.id) + ",\"created\":" + jsonText(photo.created) +
                ",\"image\":" + jsonText(jsonAddress(base + "photo/public/p" + photo.id + ".jpg")) +
                ",\"large\":" +
                (photo.largeIsNull ? std::string("null")
                                   : jsonText(jsonAddress(base + "large/public/p" + photo.id + ".jpg"))) +
                "}";
    }
    return page + "]}";
}

FakePhoto const* FakeSite::Impl::findPhoto(std::string const& id) const
{
    for (auto const& [albumId, album] : albums) {
        for (auto const& photo : album.photos) {
            if (photo.id == id)
                return &photo;
        }
    }
    return nullptr;
}

FakeSite::FakeSite(int keepAliveSeconds)
    : m_impl(std::make_unique<Impl>())
{
    auto& impl = *m_impl;
    impl.server.set_keep_alive_max_count(1000000);
    impl.server.set_keep_alive_timeout(keepAliveSeconds);
    // Headers and body go out in separate writes: without this, delayed
    // acknowledgements stall every answer by some 40 ms.
    impl.server.set_tcp_nodelay(true);
    impl.server.Get(".*", [&impl](httplib::Request const& request, httplib::Response& response) {
        impl.serve(request, response);
    });
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0)
        throw std::runtime_error("the fake site cannot bind to 127.0.0.1");
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
}

FakeSite::~FakeSite()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->closing = true;
        m_impl->changed.notify_all();
    }
    m_impl->server.stop();
    m_impl->thread.join();
}

int FakeSite::port() const
{
    return m_impl->port;
}

std::string FakeSite::host() const
{
    return m_impl->host();
}

std::string FakeSite::root() const
{
    return m_impl->root();
}

app::SiteConfig FakeSite::siteConfig() const
{
    app::SiteConfig site;
    site.siteWebRoot = root();
    site.siteApiRoot = root();
    site.siteDomain = host();
    site.updatePageUrl = root() + "/update.txt";
    return site;
}

std::string FakeSite::userAddress(std::string const& name) const
{
    return root() + "/people/" + name + "/";
}

std::string FakeSite::albumAddress(std::string const& id) const
{
    return root() + "/photos/album/" + id + "/";
}

void FakeSite::addAlbum(FakeAlbum album)
{
    std::lock_guard lock(m_impl->mutex);
    auto id = album.id;
    m_impl->albums.insert_or_assign(std::move(id), std::move(album));
}

void FakeSite::addUser(FakeUser user)
{
    std::lock_guard lock(m_impl->mutex);
    auto name = user.name;
    m_impl->users.insert_or_assign(std::move(name), std::move(user));
}

std::string FakeSite::MediumPicture(FakePhoto const& photo)
{
    return picture('M', photo);
}

std::string FakeSite::LargePicture(FakePhoto const& photo)
{
    return picture('L', photo);
}

void FakeSite::failWith(std::string const& target, int status, int times)
{
    std::lock_guard lock(m_impl->mutex);
    if (times == 0)
        m_impl->failures.erase(target);
    else
        m_impl->failures.insert_or_assign(target, Failure{status, times, {}});
}

void FakeSite::redirectTo(std::string const& target, std::string const& location, int times)
{
    std::lock_guard lock(m_impl->mutex);
    if (times == 0)
        m_impl->failures.erase(target);
    else
        m_impl->failures.insert_or_assign(target, Failure{302, times, location});
}

void FakeSite::answerWith(std::string const& target, int status, std::string body, std::string contentType)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->canned.insert_or_assign(target, Canned{status, std::move(body), std::move(contentType)});
}

void FakeSite::hold(std::string const& target)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->holds.insert_or_assign(target, 0);
}

void FakeSite::release(std::string const& target)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->holds.erase(target);
    m_impl->changed.notify_all();
}

bool FakeSite::waitForHeld(std::string const& target, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, limit, [&] {
        auto const held = m_impl->holds.find(target);
        return held != m_impl->holds.end() && held->second > 0;
    });
}

std::vector<std::string> FakeSite::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->log;
}

std::vector<std::chrono::steady_clock::time_point> FakeSite::arrivals(std::string const& target) const
{
    std::lock_guard lock(m_impl->mutex);
    std::vector<std::chrono::steady_clock::time_point> found;
    for (std::size_t i = 0; i < m_impl->log.size(); ++i) {
        if (m_impl->log[i] == target)
            found.push_back(m_impl->times[i]);
    }
    return found;
}

std::vector<std::chrono::steady_clock::time_point> FakeSite::allArrivals() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->times;
}

int FakeSite::requestCount(std::string const& target) const
{
    std::lock_guard lock(m_impl->mutex);
    return static_cast<int>(std::count(m_impl->log.begin(), m_impl->log.end(), target));
}

std::map<std::string, std::string> FakeSite::lastHeaders(std::string const& target) const
{
    std::lock_guard lock(m_impl->mutex);
    auto const found = m_impl->headers.find(target);
    return found == m_impl->headers.end() ? std::map<std::string, std::string>() : found->second;
}

void FakeSite::clearRequests()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->log.clear();
    m_impl->times.clear();
    m_impl->headers.clear();
}

}  // namespace testing_support
