#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace net {

// One cookie as the Netscape cookies.txt format holds it.
struct Cookie {
    std::string domain;          // ".example.test" or "host.example.test"
    bool includeSubdomains = false;
    std::string path = "/";
    bool secure = false;
    bool httpOnly = false;
    std::int64_t expires = 0;    // Unix seconds; 0 = session cookie
    std::string name;
    std::string value;
};

// The process-wide cookie store that PageRequest and PlainGet share (and the
// embedded browser mirrors). All members are safe to call from any thread.
class CookieStore {
public:
    static CookieStore& shared();

    // A Set-Cookie header value (without "Set-Cookie:") from the answer to `url`.
    void addSetCookie(std::string const& setCookieValue, std::string const& url);
    // One line of a Netscape cookies.txt file.
    void addNetscapeLine(std::string const& line);
    void add(Cookie const& cookie);
    void remove(std::string const& domain, std::string const& path, std::string const& name);
    [[nodiscard]] std::vector<Cookie> list() const;
    void clear();

    // Netscape cookies.txt; the saved file is readable by the user only.
    bool load(std::string const& path);
    bool save(std::string const& path) const;

    // Called, on the requesting thread, with every cookie an answer sets
    // through the store. Pass an empty function to remove the listener.
    using Listener = std::function<void(Cookie const&)>;
    void setListener(Listener listener);

private:
    CookieStore() = default;
};

}  // namespace net
