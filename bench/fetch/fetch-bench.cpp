// Fetches the same list of photos three ways from one loopback server and
// prints the wall times as ratios against the curl command:
//   (a) ObjectRequest with one reused request handle,
//   (b) ObjectRequest with a fresh handle per photo,
//   curl: the curl command fetching the whole list in one process.
// Usage: bench-fetch [photo count, default 2000] [photo size in bytes, default 30720]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "net/object-request.h"

namespace {

// The header block the album downloaders send with every photo.
std::string const ImageBlock = "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:43.0) Gecko/20100101 Firefox/43.0\r\n"
                               "Accept: image/png,image/*;q=0.8,*/*;q=0.5\r\n"
                               "Accept-Language: zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3\r\n"
                               "Accept-Encoding: gzip, deflate\r\n"
                               "DNT: 1\r\n"
                               "Referer: http://127.0.0.1/photos/photo/2155058360/large\r\n";

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Returns the seconds taken, or a negative value when a photo came back wrong.
double FetchAll(std::vector<std::string> const& urls, std::size_t size, bool reuse)
{
    net::RequestHandle shared;
    auto const start = Clock::now();
    for (auto const& url : urls) {
        std::string headers = ImageBlock;
        int status = 0;
        net::Bytes body;
        if (reuse) {
            body = net::ObjectRequest(url, {.headers = &headers, .status = &status, .timeoutSeconds = 30, .requestObject = &shared});
        } else {
            body = net::ObjectRequest(url, {.headers = &headers, .status = &status, .timeoutSeconds = 30});
        }
        if (status != 200 || body.size() != size) {
            std::fprintf(stderr, "bad answer for %s: status %d, %zu bytes\n", url.c_str(), status, body.size());
            return -1;
        }
    }
    return SecondsSince(start);
}

double FetchWithCurlCommand(std::vector<std::string> const& urls)
{
    auto const config = std::filesystem::temp_directory_path() / ("fetch-bench-" + std::to_string(::getpid()) + ".curlrc");
    {
        std::ofstream out(config);
        for (auto const& url : urls) {
            out << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
        }
    }
    std::string const command = "curl --silent --fail --config '" + config.string() + "'";
    auto const start = Clock::now();
    int const result = std::system(command.c_str());
    double const seconds = SecondsSince(start);
    std::filesystem::remove(config);
    return result == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::size_t const count = argc > 1 ? std::stoul(argv[1]) : 2000;
    std::size_t const size = argc > 2 ? std::stoul(argv[2]) : 30 * 1024;
    std::string const photo(size, '\x5a');

    httplib::Server server;
    server.set_keep_alive_max_count(1'000'000);
    server.set_tcp_nodelay(true);
    server.Get(R"(/view/photo/l/public/p\d+\.jpg)", [&photo](httplib::Request const&, httplib::Response& response) {
        response.set_content(photo, "image/jpeg");
    });
    int const port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    std::vector<std::string> urls;
    for (std::size_t i = 0; i < count; ++i) {
        urls.push_back("http://127.0.0.1:" + std::to_string(port) + "/view/photo/l/public/p" + std::to_string(2000000 + i) + ".jpg");
    }

    FetchAll({urls.front()}, size, true);  // warm-up: curl start-up, first connection
    double const reused = FetchAll(urls, size, true);
    double const fresh = FetchAll(urls, size, false);
    double const command = FetchWithCurlCommand(urls);

    server.stop();
    serving.join();
    if (reused < 0 || fresh < 0 || command <= 0) {
        std::fprintf(stderr, "fetch-bench: a run failed\n");
        return 1;
    }
    std::printf("fetch: %zu photos of %zu bytes from a loopback server\n", count, size);
    std::printf("  (a) reused handle  %.3f s\n", reused);
    std::printf("  (b) fresh handle   %.3f s\n", fresh);
    std::printf("  curl command       %.3f s\n", command);
    std::printf("  (a)/curl = %.2f  (goal <= 1.10)\n", reused / command);
    std::printf("  (b)/curl = %.2f\n", fresh / command);
    return 0;
}
