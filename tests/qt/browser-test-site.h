#pragma once

// A small site on 127.0.0.1 for the browser tests: pages that set, show and
// delete cookies, and a record of the Cookie header each request carried.

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace browser_test {

struct SeenRequest {
    std::string path;    // with the query, as sent
    std::string cookie;  // the Cookie header, empty when none
    std::string userAgent;
};

class TestSite {
public:
    TestSite()
    {
        auto page = [](std::string const& body) {
            return "<!doctype html><html><head><meta charset=\"utf-8\"><link rel=\"icon\" href=\"data:,\"></head><body>"
                + body + "</body></html>";
        };
        // Recorded before the answer goes out, so a caller that has its
        // answer finds the request here.
        m_server.set_pre_routing_handler([this](httplib::Request const& request, httplib::Response&) {
            std::lock_guard const lock(m_mutex);
            m_seen.push_back({request.target, request.get_header_value("Cookie"), request.get_header_value("User-Agent")});
            return httplib::Server::HandlerResponse::Unhandled;
        });
        // The login page: the session cookie a real site gives on login.
        m_server.Get("/login", [page](httplib::Request const&, httplib::Response& response) {
            response.set_header("Set-Cookie", "session=logged-in; Path=/; HttpOnly");
            response.set_content(page("<p id=\"state\">welcome</p>"), "text/html");
        });
        // A login that lasts: an expiry a year ahead.
        m_server.Get("/remember", [page](httplib::Request const&, httplib::Response& response) {
            response.set_header("Set-Cookie", "kept=for-a-year; Path=/; Max-Age=31536000");
            response.set_content(page("remembered"), "text/html");
        });
        m_server.Get("/logout", [page](httplib::Request const&, httplib::Response& response) {
            response.set_header("Set-Cookie", "session=; Path=/; Max-Age=0");
            response.set_content(page("bye"), "text/html");
        });
        // `/give?name=value` sets that cookie (what a page request is answered with).
        m_server.Get("/give", [page](httplib::Request const& request, httplib::Response& response) {
            for (auto const& [key, value] : request.params)
                response.set_header("Set-Cookie", key + "=" + value + "; Path=/");
            response.set_content(page("given"), "text/html");
        });
        // Any other page: links to follow and a new-window link.
        m_server.Get(R"(/page/(\w+))", [page](httplib::Request const& request, httplib::Response& response) {
            auto const name = request.matches[1].str();
            response.set_content(page("<p id=\"name\">" + name + "</p>"
                                      "<a id=\"next\" href=\"/page/next\">next</a> "
                                      "<a id=\"blank\" href=\"/page/blank\" target=\"_blank\">new window</a>"),
                                 "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // A stop before the accept loop runs would be lost and the join hang.
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    ~TestSite()
    {
        m_server.stop();
        m_thread.join();
    }

    TestSite(TestSite const&) = delete;
    TestSite& operator=(TestSite const&) = delete;

    [[nodiscard]] std::string url(std::string const& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // The Cookie header of the latest request for `path`; empty when none.
    [[nodiscard]] std::string lastCookieFor(std::string const& path) const
    {
        std::lock_guard const lock(m_mutex);
        for (auto it = m_seen.rbegin(); it != m_seen.rend(); ++it) {
            if (it->path == path)
                return it->cookie;
        }
        return {};
    }

    [[nodiscard]] int countFor(std::string const& path) const
    {
        std::lock_guard const lock(m_mutex);
        int count = 0;
        for (auto const& seen : m_seen)
            count += seen.path == path ? 1 : 0;
        return count;
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<SeenRequest> m_seen;
};

}  // namespace browser_test
