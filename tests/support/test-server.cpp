#include "tests/support/test-server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <httplib.h>

namespace testing_support {

namespace {

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace

std::string RecordedRequest::header(std::string const& name) const
{
    for (auto const& [key, value] : headers) {
        if (Lower(key) == Lower(name)) {
            return value;
        }
    }
    return {};
}

bool RecordedRequest::hasHeader(std::string const& name) const
{
    for (auto const& entry : headers) {
        if (Lower(entry.first) == Lower(name)) {
            return true;
        }
    }
    return false;
}

struct TestServer::Impl {
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;
    std::string scheme;
    mutable std::mutex mutex;
    std::map<std::string, Handler> handlers;  // guarded by mutex
    Handler fallback;                         // guarded by mutex
    std::vector<RecordedRequest> requests;    // guarded by mutex

    void handle(httplib::Request const& request, httplib::Response& response)
    {
        RecordedRequest recorded;
        recorded.method = request.method;
        recorded.target = request.target;
        recorded.path = request.path;
        for (auto const& [name, value] : request.headers) {
            if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") {
                continue;  // added by the library, not sent by the client
            }
            recorded.headers.emplace_back(name, value);
        }
        recorded.body = request.body;
        recorded.remotePort = request.remote_port;

        Handler handler;
        {
            std::lock_guard lock(mutex);
            requests.push_back(recorded);
            auto const found = handlers.find(request.path);
            handler = found != handlers.end() ? found->second : fallback;
        }
        if (!handler) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        Reply const reply = handler(recorded);
        response.status = reply.status;
        for (auto const& [name, value] : reply.headers) {
            response.headers.emplace(name, value);
        }
        response.set_content(reply.body, reply.contentType.c_str());
    }
};

TestServer::TestServer(Scheme scheme)
    : m_impl(std::make_unique<Impl>())
{
    if (scheme == Scheme::Https) {
        std::string const dir = TERVALA_TLS_DIR;
        m_impl->server = std::make_unique<httplib::SSLServer>((dir + "/test-server.crt").c_str(),
                                                              (dir + "/test-server.key").c_str());
        if (!m_impl->server->is_valid()) {
            throw std::runtime_error("test server: no certificate in " + dir);
        }
        m_impl->scheme = "https";
    } else {
        m_impl->server = std::make_unique<httplib::Server>();
        m_impl->scheme = "http";
    }
    auto& server = *m_impl->server;
    server.set_keep_alive_max_count(1'000'000);
    server.set_tcp_nodelay(true);
    auto const route = [impl = m_impl.get()](httplib::Request const& request, httplib::Response& response) {
        impl->handle(request, response);
    };
    server.Get(".*", route);
    server.Post(".*", route);
    server.Put(".*", route);
    server.Delete(".*", route);
    server.Options(".*", route);
    m_impl->port = server.bind_to_any_port("127.0.0.1");
    if (m_impl->port <= 0) {
        throw std::runtime_error("test server: no loopback port");
    }
    m_impl->thread = std::thread([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

namespace {

// Ends the server's side of every open connection on `port`. Clients keep
// connections warm, and the library's workers would otherwise wait out the
// keep-alive time before a stop completes.
void ShutDownAcceptedConnections(int port)
{
    std::error_code ignored;
    for (auto const& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (std::exception const&) {
            continue;
        }
        sockaddr_in local{};
        socklen_t length = sizeof local;
        int listening = 0;
        socklen_t flagLength = sizeof listening;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET
            || ntohs(local.sin_port) != port
            || ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagLength) != 0 || listening != 0) {
            continue;
        }
        ::shutdown(fd, SHUT_RDWR);
    }
}

}  // namespace

TestServer::~TestServer()
{
    ShutDownAcceptedConnections(m_impl->port);
    m_impl->server->stop();
    m_impl->thread.join();
}

void TestServer::on(std::string const& path, Handler handler)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->handlers[path] = std::move(handler);
}

void TestServer::onOther(Handler handler)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->fallback = std::move(handler);
}

void TestServer::serve(std::string const& path, Reply reply)
{
    on(path, [reply = std::move(reply)](RecordedRequest const&) { return reply; });
}

int TestServer::port() const
{
    return m_impl->port;
}

std::string TestServer::url(std::string const& path) const
{
    return m_impl->scheme + "://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

std::vector<RecordedRequest> TestServer::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

RecordedRequest TestServer::lastRequest() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests.empty() ? RecordedRequest{} : m_impl->requests.back();
}

void TestServer::clearRequests()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->requests.clear();
}

std::string TestServer::CertificateFile()
{
    return std::string(TERVALA_TLS_DIR) + "/test-server.crt";
}

// --- RawServer ---------------------------------------------------------

struct RawServer::Impl {
    int listener = -1;
    int port = 0;
    std::string reply;
    bool stall = false;
    std::atomic<bool> stopping{false};
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<std::string> heads;  // guarded by mutex
    std::vector<int> held;           // stalled connections, closed at the end

    // Reads one request head and its Content-Length body; false when the
    // client went away or the server is stopping.
    bool readRequest(int fd, std::string& head)
    {
        std::string data;
        char buffer[4096];
        std::size_t headEnd = std::string::npos;
        std::size_t wanted = 0;
        while (!stopping) {
            if (headEnd != std::string::npos && data.size() >= headEnd + wanted) {
                head = data.substr(0, headEnd);
                return true;
            }
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) {
                continue;
            }
            ssize_t const count = ::recv(fd, buffer, sizeof buffer, 0);
            if (count <= 0) {
                return false;
            }
            data.append(buffer, static_cast<std::size_t>(count));
            if (headEnd == std::string::npos) {
                auto const blank = data.find("\r\n\r\n");
                if (blank != std::string::npos) {
                    headEnd = blank + 4;
                    auto const lower = Lower(data.substr(0, headEnd));
                    auto const length = lower.find("\r\ncontent-length:");
                    if (length != std::string::npos) {
                        wanted = std::stoul(lower.substr(length + 17));
                    }
                }
            }
        }
        return false;
    }

    void run()
    {
        while (!stopping) {
            pollfd entry{listener, POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) {
                continue;
            }
            int const fd = ::accept(listener, nullptr, nullptr);
            if (fd < 0) {
                continue;
            }
            std::string head;
            bool const got = readRequest(fd, head);
            if (got) {
                std::lock_guard lock(mutex);
                heads.push_back(head);
            }
            if (stall) {
                held.push_back(fd);
                continue;
            }
            if (got) {
                std::size_t sent = 0;
                while (sent < reply.size()) {
                    ssize_t const count = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                    if (count <= 0) {
                        break;
                    }
                    sent += static_cast<std::size_t>(count);
                }
            }
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
        }
    }
};

RawServer::RawServer(std::string rawReply)
    : RawServer(std::move(rawReply), false)
{
}

RawServer::RawServer(std::string rawReply, bool stall)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->reply = std::move(rawReply);
    m_impl->stall = stall;
    m_impl->listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_impl->listener < 0 || ::bind(m_impl->listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(m_impl->listener, 16) != 0
        || ::getsockname(m_impl->listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("raw server: no loopback port");
    }
    m_impl->port = ntohs(address.sin_port);
    m_impl->thread = std::thread([impl = m_impl.get()] { impl->run(); });
}

std::unique_ptr<RawServer> RawServer::Stalling()
{
    return std::unique_ptr<RawServer>(new RawServer(std::string(), true));
}

RawServer::~RawServer()
{
    m_impl->stopping = true;
    m_impl->thread.join();
    for (int const fd : m_impl->held) {
        ::close(fd);
    }
    ::close(m_impl->listener);
}

int RawServer::port() const
{
    return m_impl->port;
}

std::string RawServer::url(std::string const& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

std::vector<std::string> RawServer::requestHeads() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->heads;
}

std::vector<std::string> RawServer::lastHeaderLines() const
{
    std::vector<std::string> lines;
    auto const heads = requestHeads();
    if (heads.empty()) {
        return lines;
    }
    std::string_view rest = heads.back();
    bool first = true;
    while (!rest.empty()) {
        auto const end = rest.find("\r\n");
        std::string_view const line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        if (first) {
            first = false;  // the request line
        } else if (!line.empty()) {
            lines.emplace_back(line);
        }
    }
    return lines;
}

}  // namespace testing_support
