#include "net/cookie-store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>

#include "net/curl-share.h"
#include "net/text.h"
#include "net/url-split.h"
#include "net/web-cookies.h"
#include "net/web-transfer.h"

namespace net {

namespace {

std::mutex listenerMutex;
CookieStore::Listener listener;  // guarded by listenerMutex

// Every store operation goes through a short-lived handle on the cookie
// share, so the share's lock orders it against transfers on other threads.
void ApplyCookieCommand(std::string const& command)
{
    web::EasyHandle easy;
    if (easy.handle == nullptr) {
        return;
    }
    curl_easy_setopt(easy.handle, CURLOPT_SHARE, web::CookieShare());
    curl_easy_setopt(easy.handle, CURLOPT_COOKIELIST, command.c_str());
}

std::string WithoutLeadingDot(std::string_view domain)
{
    return AsciiLower(domain.starts_with('.') ? domain.substr(1) : domain);
}

bool Sendable(std::string_view field)
{
    return field.find_first_of("\t\r\n") == std::string_view::npos;
}

std::vector<std::string_view> SplitFields(std::string_view line, char separator)
{
    std::vector<std::string_view> fields;
    while (true) {
        auto const end = line.find(separator);
        fields.push_back(line.substr(0, end));
        if (end == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(end + 1);
    }
}

// The folder part of the address's path, as a browser defaults a cookie's path.
std::string DefaultPath(std::string_view url)
{
    std::string path = UrlPath(url);
    path = path.substr(0, path.find_first_of("?#"));
    auto const last = path.rfind('/');
    if (path.empty() || path[0] != '/' || last == 0 || last == std::string::npos) {
        return "/";
    }
    return path.substr(0, last);
}

}  // namespace

namespace web {

std::optional<Cookie> ParseSetCookie(std::string_view value, std::string_view url)
{
    auto const items = SplitFields(value, ';');
    std::string_view const pair = items.front();
    auto const equals = pair.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    Cookie cookie;
    cookie.name = Trim(pair.substr(0, equals));
    cookie.value = Trim(pair.substr(equals + 1));
    if (cookie.name.empty() || !Sendable(cookie.name) || !Sendable(cookie.value)) {
        return std::nullopt;
    }
    std::string const host = UrlHost(url);
    cookie.domain = host;
    cookie.path = DefaultPath(url);
    bool haveMaxAge = false;
    for (std::size_t i = 1; i < items.size(); ++i) {
        std::string_view const item = items[i];
        auto const sign = item.find('=');
        std::string const name = AsciiLower(Trim(item.substr(0, sign)));
        std::string const argument = sign == std::string_view::npos ? std::string() : Trim(item.substr(sign + 1));
        if (name == "domain" && !argument.empty()) {
            std::string const domain = WithoutLeadingDot(argument);
            bool const matches = domain == host
                                 || (host.size() > domain.size() && host.ends_with("." + domain));
            if (!matches) {
                return std::nullopt;  // a server may not set cookies for another site
            }
            cookie.domain = "." + domain;
            cookie.includeSubdomains = true;
        } else if (name == "path" && argument.starts_with('/')) {
            cookie.path = argument;
        } else if (name == "secure") {
            cookie.secure = true;
        } else if (name == "httponly") {
            cookie.httpOnly = true;
        } else if (name == "max-age" && !argument.empty()) {
            long long const seconds = LeadingNumber(argument);
            cookie.expires = seconds <= 0 ? 1 : static_cast<std::int64_t>(std::time(nullptr)) + seconds;
            haveMaxAge = true;
        } else if (name == "expires" && !haveMaxAge) {
            time_t const when = curl_getdate(argument.c_str(), nullptr);
            if (when != -1) {
                cookie.expires = when <= 0 ? 1 : static_cast<std::int64_t>(when);
            }
        }
    }
    return cookie;
}

std::optional<Cookie> ParseNetscapeLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    Cookie cookie;
    constexpr std::string_view httpOnlyPrefix = "#HttpOnly_";
    if (line.starts_with(httpOnlyPrefix)) {
        cookie.httpOnly = true;
        line.remove_prefix(httpOnlyPrefix.size());
    } else if (line.empty() || line.starts_with('#')) {
        return std::nullopt;
    }
    auto const fields = SplitFields(line, '\t');
    if (fields.size() != 7 || fields[0].empty() || fields[5].empty()) {
        return std::nullopt;
    }
    cookie.domain = std::string(fields[0]);
    cookie.includeSubdomains = fields[1] == "TRUE";
    cookie.path = fields[2].empty() ? std::string("/") : std::string(fields[2]);
    cookie.secure = fields[3] == "TRUE";
    cookie.expires = LeadingNumber(fields[4]);
    cookie.name = std::string(fields[5]);
    cookie.value = std::string(fields[6]);
    return cookie;
}

std::string NetscapeLine(Cookie const& cookie)
{
    std::string domain = cookie.domain;
    if (cookie.includeSubdomains && !domain.starts_with('.')) {
        domain = "." + domain;
    }
    return (cookie.httpOnly ? "#HttpOnly_" : "") + domain + "\t" + (cookie.includeSubdomains ? "TRUE" : "FALSE") + "\t"
           + (cookie.path.empty() ? std::string("/") : cookie.path) + "\t" + (cookie.secure ? "TRUE" : "FALSE") + "\t"
           + std::to_string(cookie.expires) + "\t" + cookie.name + "\t" + cookie.value;
}

void NotifyAnswerCookies(std::vector<Cookie> const& cookies)
{
    if (cookies.empty()) {
        return;
    }
    CookieStore::Listener current;
    {
        std::lock_guard lock(listenerMutex);
        current = listener;
    }
    // Called without the lock: the listener may wait for the window thread.
    if (current) {
        for (auto const& cookie : cookies) {
            current(cookie);
        }
    }
}

}  // namespace web

CookieStore& CookieStore::shared()
{
    static CookieStore store;
    return store;
}

void CookieStore::addSetCookie(std::string const& setCookieValue, std::string const& url)
{
    if (auto cookie = web::ParseSetCookie(setCookieValue, url)) {
        add(*cookie);
    }
}

void CookieStore::addNetscapeLine(std::string const& line)
{
    if (auto cookie = web::ParseNetscapeLine(line)) {
        add(*cookie);
    }
}

void CookieStore::add(Cookie const& cookie)
{
    if (cookie.name.empty() || cookie.domain.empty() || !Sendable(cookie.domain) || !Sendable(cookie.path)
        || !Sendable(cookie.name) || !Sendable(cookie.value)) {
        return;
    }
    ApplyCookieCommand(web::NetscapeLine(cookie));
}

void CookieStore::remove(std::string const& domain, std::string const& path, std::string const& name)
{
    // Overwriting a cookie with an expired copy drops it without touching
    // cookies a transfer may be adding at the same moment.
    for (Cookie cookie : list()) {
        if (cookie.name == name && cookie.path == path && WithoutLeadingDot(cookie.domain) == WithoutLeadingDot(domain)) {
            cookie.expires = 1;
            add(cookie);
        }
    }
}

std::vector<Cookie> CookieStore::list() const
{
    std::vector<Cookie> cookies;
    web::EasyHandle easy;
    if (easy.handle == nullptr) {
        return cookies;
    }
    curl_easy_setopt(easy.handle, CURLOPT_SHARE, web::CookieShare());
    curl_slist* lines = nullptr;
    curl_easy_getinfo(easy.handle, CURLINFO_COOKIELIST, &lines);
    auto const now = static_cast<std::int64_t>(std::time(nullptr));
    for (curl_slist* line = lines; line != nullptr; line = line->next) {
        if (auto cookie = web::ParseNetscapeLine(line->data)) {
            if (cookie->expires == 0 || cookie->expires > now) {
                cookies.push_back(std::move(*cookie));
            }
        }
    }
    curl_slist_free_all(lines);
    return cookies;
}

void CookieStore::clear()
{
    ApplyCookieCommand("ALL");
}

bool CookieStore::load(std::string const& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        addNetscapeLine(line);
    }
    return true;
}

bool CookieStore::save(std::string const& path) const
{
    std::string text = "# Netscape HTTP Cookie File\n";
    for (auto const& cookie : list()) {
        text += web::NetscapeLine(cookie) + "\n";
    }
    // Written beside the target and renamed over it, so a failed write never
    // leaves half a file; readable by the user alone from the first byte.
    std::string const temporary = path + ".part";
    int const fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        ssize_t const count = ::write(fd, text.data() + written, text.size() - written);
        ok = count > 0;
        written += ok ? static_cast<std::size_t>(count) : 0;
    }
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) {
        return true;
    }
    std::remove(temporary.c_str());
    return false;
}

void CookieStore::setListener(Listener newListener)
{
    std::lock_guard lock(listenerMutex);
    listener = std::move(newListener);
}

}  // namespace net
