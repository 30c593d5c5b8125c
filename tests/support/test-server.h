#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

using HeaderPairs = std::vector<std::pair<std::string, std::string>>;

// What one request to a test server carried.
struct RecordedRequest {
    std::string method;
    std::string target;   // path with query, as on the request line
    std::string path;     // without the query
    HeaderPairs headers{};  // grouped by name (case ignored); order within a name kept
    std::string body{};
    int remotePort = 0;   // the client's port: one value per TCP connection

    // The first value of the header `name` (case ignored), or empty.
    [[nodiscard]] std::string header(std::string const& name) const;
    [[nodiscard]] bool hasHeader(std::string const& name) const;
};

// What a handler answers.
struct Reply {
    int status = 200;
    std::string body{};
    std::string contentType = "text/html; charset=utf-8";
    HeaderPairs headers{};  // sent as given, letter case included
};

// A loopback HTTP server (https with the test certificate under
// tests/fixtures/tls) on an ephemeral port of 127.0.0.1, serving on its own
// threads from construction until destruction. Every request is recorded.
// Handlers are looked up by exact path (the query does not count); others
// go to the fallback (a proxy sees absolute addresses as paths), else 404.
// Handlers run on server threads.
class TestServer {
public:
    enum class Scheme { Http, Https };
    using Handler = std::function<Reply(RecordedRequest const&)>;

    explicit TestServer(Scheme scheme = Scheme::Http);
    ~TestServer();
    TestServer(TestServer const&) = delete;
    TestServer& operator=(TestServer const&) = delete;

    // Register before the first request that needs the handler.
    void on(std::string const& path, Handler handler);
    void onOther(Handler handler);
    // Shorthand: a fixed reply for `path`.
    void serve(std::string const& path, Reply reply);

    [[nodiscard]] int port() const;
    // "http://127.0.0.1:<port>" (or https) followed by `path`.
    [[nodiscard]] std::string url(std::string const& path = "/") const;

    [[nodiscard]] std::vector<RecordedRequest> requests() const;
    [[nodiscard]] RecordedRequest lastRequest() const;  // empty when none yet
    void clearRequests();

    // The PEM certificate the https server presents (self-signed).
    static std::string CertificateFile();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// A bare TCP server for what an HTTP library would tidy away: it records each
// request head byte for byte (header lines in their order and letter case)
// and answers every request with the same raw bytes, then closes the
// connection; or, stalling, accepts and reads but never answers.
class RawServer {
public:
    explicit RawServer(std::string rawReply);
    static std::unique_ptr<RawServer> Stalling();
    ~RawServer();
    RawServer(RawServer const&) = delete;
    RawServer& operator=(RawServer const&) = delete;

    [[nodiscard]] int port() const;
    [[nodiscard]] std::string url(std::string const& path = "/") const;
    // Each request head as received, up to and including the blank line.
    [[nodiscard]] std::vector<std::string> requestHeads() const;
    // The header lines of the last request head, without the request line.
    [[nodiscard]] std::vector<std::string> lastHeaderLines() const;

    struct Impl;

private:
    RawServer(std::string rawReply, bool stall);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace testing_support
