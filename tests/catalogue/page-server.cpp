#include "tests/catalogue/page-server.h"

#include <chrono>
#include <httplib.h>

#include "tests/support/sandbox.h"

namespace catalogue_test {

namespace {

std::string replaceAll(std::string text, std::string const& from, std::string const& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string Fixture(std::string const& name)
{
    return testing_support::ReadFile(std::string(FIXTURES_DIR) + "/catalogue/" + name);
}

PageServer::PageServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->Get(".*", [this](httplib::Request const& request, httplib::Response& response) {
        std::string target = request.path;
        if (!request.params.empty()) {
            std::string query;
            for (auto const& [name, value] : request.params)
                query += (query.empty() ? "" : "&") + name + "=" + value;
            target += "?" + query;
        }
        std::unique_lock lock(m_mutex);
        m_requests.push_back(target);
        m_arrivals.push_back(std::chrono::steady_clock::now());
        m_changed.notify_all();
        if (request.path == m_heldPath)
            m_changed.wait(lock, [this] { return m_released; });
        for (std::string const& key : {target, request.path}) {
            auto refusals = m_refusals.find(key);
            if (refusals == m_refusals.end() || refusals->second.empty())
                continue;
            Answer const refusal = refusals->second.front();
            refusals->second.pop_front();
            response.status = refusal.status;
            if (!refusal.location.empty())
                response.set_header("Location", replaceAll(refusal.location, "{{ROOT}}", root()));
            return;
        }
        auto found = m_answers.find(target);
        if (found == m_answers.end())
            found = m_answers.find(request.path);
        if (found == m_answers.end()) {
            response.status = 404;
            response.set_content("not here", "text/plain");
            return;
        }
        response.status = found->second.status;
        response.set_content(replaceAll(found->second.body, "{{ROOT}}", root()), "text/html; charset=utf-8");
    });
    // One request per connection, so stopping never waits out a keep-alive.
    m_server->set_keep_alive_max_count(1);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // A stop() before the loop runs would be lost, and the join would hang.
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

PageServer::~PageServer()
{
    release();
    m_server->stop();
    m_thread.join();
}

std::string PageServer::root() const
{
    return "http://" + domain();
}

std::string PageServer::domain() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

void PageServer::serve(std::string const& path, std::string body, int status)
{
    std::lock_guard lock(m_mutex);
    m_answers[path] = {status, std::move(body), {}};
}

void PageServer::serveFixture(std::string const& path, std::string const& fixtureName)
{
    serve(path, Fixture(fixtureName));
}

void PageServer::refuse(std::string const& path, int times, int status, std::string location)
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < times; ++i)
        m_refusals[path].push_back({status, {}, location});
}

void PageServer::hold(std::string const& path)
{
    std::lock_guard lock(m_mutex);
    m_heldPath = path;
    m_released = false;
}

void PageServer::release()
{
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

std::vector<std::string> PageServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::chrono::steady_clock::time_point> PageServer::arrivals() const
{
    std::lock_guard lock(m_mutex);
    return m_arrivals;
}

void PageServer::waitForRequests(size_t count) const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_requests.size() >= count; });
}

}  // namespace catalogue_test
