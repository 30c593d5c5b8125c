#include "net/object-request.h"

#include <utility>
#include <vector>

#include "net/cookie-merge.h"
#include "net/curl-share.h"
#include "net/page-request.h"
#include "net/web-transfer.h"

namespace net {

struct RequestHandle::Impl {
    web::EasyHandle easy;
};

RequestHandle::RequestHandle()
    : m_impl(std::make_unique<Impl>())
{
}

RequestHandle::~RequestHandle() = default;

namespace {

// Request headers set one by one: setting a name again replaces the value
// in its first place, as a request object's "set header" does.
class HeaderSet {
public:
    void set(std::string const& name, std::string const& value)
    {
        if (name.empty()) {
            return;
        }
        for (auto& entry : m_entries) {
            if (AsciiLower(entry.first) == AsciiLower(name)) {
                entry.second = value;
                return;
            }
        }
        m_entries.emplace_back(name, value);
    }
    bool has(std::string const& name) const
    {
        for (auto const& entry : m_entries) {
            if (AsciiLower(entry.first) == AsciiLower(name)) {
                return true;
            }
        }
        return false;
    }
    void fill(web::HeaderList& list) const
    {
        for (auto const& [name, value] : m_entries) {
            list.add(name + ": " + value);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

void SetHeaderLines(HeaderSet& set, std::string const& headers)
{
    if (headers.find("\r\n") == std::string::npos) {
        set.set(HeaderName(headers), HeaderValue(headers));
        return;
    }
    std::string_view rest = headers;
    while (true) {
        auto const end = rest.find("\r\n");
        std::string_view const line = rest.substr(0, end);
        if (!line.empty()) {
            set.set(HeaderName(line), HeaderValue(line));
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 2);
    }
}

web::Timeouts PhaseTimeouts(int timeoutSeconds)
{
    if (timeoutSeconds == -1) {
        return {};
    }
    long const seconds = timeoutSeconds < 1 ? 15 : timeoutSeconds;
    return {seconds * 1000, seconds};
}

}  // namespace

Bytes ObjectRequest(std::string const& url, ObjectRequestArgs args)
{
    std::unique_ptr<web::EasyHandle> fresh;
    CURL* handle = nullptr;
    if (args.requestObject != nullptr) {
        handle = args.requestObject->impl().easy.handle;
        // Each call stands alone; the reset keeps only the warm connection.
        if (handle != nullptr) {
            curl_easy_reset(handle);
        }
    } else {
        fresh = std::make_unique<web::EasyHandle>();
        handle = fresh->handle;
    }
    if (handle == nullptr) {
        return {};
    }
    int const method = web::ClampMethod(args.method);

    web::ApplyCommonOptions(handle, PhaseTimeouts(args.timeoutSeconds));
    curl_easy_setopt(handle, CURLOPT_SHARE, web::CookielessShare());
    curl_easy_setopt(handle, CURLOPT_URL, web::EncodeUnsafeBytes(url).c_str());
    if (!args.proxy.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXY, args.proxy.c_str());
        if (!args.proxyUser.empty()) {
            bool const forServer = args.credentialsTarget == 0;
            curl_easy_setopt(handle, forServer ? CURLOPT_USERNAME : CURLOPT_PROXYUSERNAME, args.proxyUser.c_str());
            curl_easy_setopt(handle, forServer ? CURLOPT_PASSWORD : CURLOPT_PROXYPASSWORD,
                             args.proxyPassword.c_str());
        }
    }
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, args.noRedirect ? 0L : 1L);

    std::string headers = args.headers != nullptr ? *args.headers : std::string();
    // Here the agent is an ordinary header line.
    web::AppendDefaultHeaders(headers, url, DefaultUserAgent);
    if (args.headers != nullptr) {
        *args.headers = headers;
    }
    HeaderSet set;
    if (args.cookies != nullptr && !args.cookies->empty()) {
        set.set("Cookie", *args.cookies);
    }
    SetHeaderLines(set, headers);
    web::HeaderList lines;
    set.fill(lines);
    lines.suppress("Accept");
    lines.suppress("Expect");
    // Decode whatever encoding the server applied, without adding an
    // Accept-Encoding line the caller did not ask for.
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    if (!set.has("Accept-Encoding")) {
        lines.suppress("Accept-Encoding");
    }
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lines.get());

    std::string const body = args.postBytes != nullptr && !args.postBytes->empty() ? *args.postBytes : args.postText;
    web::ApplyMethod(handle, method, body);

    web::Answer answer = web::Perform(handle, args.control, false);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    if (!answer.complete) {
        answer = web::Answer{};
    }

    std::string responseHeaders = std::move(answer.headerBlock);
    web::NormaliseSetCookie(responseHeaders);
    std::string received = web::ReceivedCookies(responseHeaders);
    std::string ownCookies;
    CookieMerge(args.cookies != nullptr ? *args.cookies : ownCookies, received);

    if (args.responseHeaders != nullptr) {
        *args.responseHeaders = std::move(responseHeaders);
    }
    if (args.receivedCookies != nullptr) {
        *args.receivedCookies = std::move(received);
    }
    if (args.status != nullptr) {
        *args.status = answer.status;
    }
    if (args.finalUrl != nullptr) {
        *args.finalUrl = std::move(answer.finalUrl);
    }
    return std::move(answer.body);
}

}  // namespace net
