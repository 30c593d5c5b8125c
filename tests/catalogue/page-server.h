#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace catalogue_test {

// A loopback site serving fixed answers by path plus "?query" or, failing
// that, by path alone, with every
// "{{ROOT}}" in a body replaced by the server's own root. Records each
// request as path plus "?query". A held path waits until release().
class PageServer {
public:
    PageServer();
    ~PageServer();

    [[nodiscard]] std::string root() const;    // "http://127.0.0.1:<port>"
    [[nodiscard]] std::string domain() const;  // "127.0.0.1:<port>"

    void serve(std::string const& path, std::string body, int status = 200);
    void serveFixture(std::string const& path, std::string const& fixtureName);
    // The next `times` requests for `path` (plus "?query", as for serve)
    // get `status` with an empty body; `location` (when given, "{{ROOT}}"
    // replaced) is sent as the redirect target.
    void refuse(std::string const& path, int times, int status, std::string location = {});
    void hold(std::string const& path);
    void release();

    [[nodiscard]] std::vector<std::string> requests() const;
    // When each request arrived, in the order of requests().
    [[nodiscard]] std::vector<std::chrono::steady_clock::time_point> arrivals() const;
    // Waits until `count` requests have arrived (a held one included).
    void waitForRequests(size_t count) const;

private:
    struct Answer {
        int status = 200;
        std::string body;
        std::string location;
    };

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, Answer> m_answers;
    std::map<std::string, std::deque<Answer>> m_refusals;
    std::vector<std::string> m_requests;
    std::vector<std::chrono::steady_clock::time_point> m_arrivals;
    std::string m_heldPath;
    bool m_released = false;
};

std::string Fixture(std::string const& name);

}  // namespace catalogue_test
