#include "net/web-transfer.h"

#include <atomic>
#include <mutex>

#include "net/curl-share.h"
#include "net/job-control.h"
#include "net/url-split.h"
#include "net/web-cookies.h"
#include "net/web-options.h"

namespace net {

namespace {

std::mutex caMutex;
std::string extraCaFile;  // guarded by caMutex

std::atomic<long> pageConnectMs{60'000};
std::atomic<long> pageIdleSeconds{60};

}  // namespace

void SetExtraCaFile(std::string path)
{
    std::lock_guard lock(caMutex);
    extraCaFile = std::move(path);
}

void SetPageTimeouts(std::chrono::milliseconds connect, std::chrono::seconds idle)
{
    pageConnectMs = static_cast<long>(connect.count());
    pageIdleSeconds = static_cast<long>(idle.count());
}

}  // namespace net

namespace net::web {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == AsciiLower(prefix);
}

std::string_view WithoutLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

struct Transfer {
    CURL* handle = nullptr;
    JobControl* control = nullptr;
    bool collectStoreCookies = false;
    Answer answer;
    std::vector<std::pair<std::string, std::string>> setCookies;  // value, address it came from
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    std::size_t const amount = size * count;
    if (transfer.answer.body.size() + amount > MaxBodyBytes) {
        // Refused whole: no caller gets the first 64 MB as if they were all.
        transfer.answer.body.clear();
        transfer.answer.body.shrink_to_fit();
        return 0;  // ends the transfer with an error
    }
    transfer.answer.body.append(data, amount);
    return amount;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    std::size_t const amount = size * count;
    std::string_view const line(data, amount);
    if (line.starts_with("HTTP/")) {
        // A new answer (after a redirect or an interim 1xx): only the final
        // one is reported.
        transfer.answer.headerBlock.clear();
        transfer.answer.body.clear();
    }
    transfer.answer.headerBlock.append(line);
    if (transfer.collectStoreCookies && StartsWithNoCase(line, "set-cookie:")) {
        char* address = nullptr;
        curl_easy_getinfo(transfer.handle, CURLINFO_EFFECTIVE_URL, &address);
        transfer.setCookies.emplace_back(std::string(WithoutLineEnd(line.substr(11))),
                                         address == nullptr ? std::string() : std::string(address));
    }
    return amount;
}

int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto const& transfer = *static_cast<Transfer*>(self);
    return transfer.control != nullptr && transfer.control->isStopped() ? 1 : 0;
}

}  // namespace

Timeouts PageTimeouts()
{
    return {net::pageConnectMs.load(), net::pageIdleSeconds.load()};
}

EasyHandle::EasyHandle()
{
    EnsureCurl();
    handle = curl_easy_init();
}

EasyHandle::~EasyHandle()
{
    curl_easy_cleanup(handle);
}

HeaderList::~HeaderList()
{
    curl_slist_free_all(m_list);
}

void HeaderList::add(std::string_view line)
{
    if (line.find_first_of("\r\n") != std::string_view::npos) {
        return;  // would smuggle a line of its own into the request
    }
    std::string text(line);
    // curl drops "Name:" as a request to remove its own header; "Name;"
    // sends the header with an empty value.
    auto const colon = text.find(':');
    if (colon != std::string::npos && Trim(std::string_view(text).substr(colon + 1)).empty()) {
        text = text.substr(0, colon) + ";";
    }
    if (auto* grown = curl_slist_append(m_list, text.c_str())) {
        m_list = grown;
    }
}

void HeaderList::suppress(std::string_view name)
{
    std::string const text = std::string(name) + ":";
    if (auto* grown = curl_slist_append(m_list, text.c_str())) {
        m_list = grown;
    }
}

void ApplyCommonOptions(CURL* handle, Timeouts timeouts)
{
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, MaxRedirects);
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(MaxBodyBytes));
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // An empty proxy means a direct connection, whatever the environment says.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    {
        std::lock_guard lock(net::caMutex);
        if (!net::extraCaFile.empty()) {
            // The extra file replaces the bundle; the hashed folder keeps the
            // system's authorities trusted beside it.
            curl_easy_setopt(handle, CURLOPT_CAINFO, net::extraCaFile.c_str());
            curl_easy_setopt(handle, CURLOPT_CAPATH, "/etc/ssl/certs");
        }
    }
    if (timeouts.connectMs > 0) {
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
    }
    if (timeouts.idleSeconds > 0) {
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeouts.idleSeconds);
    }
}

int ClampMethod(int method)
{
    return method >= 0 && method <= 2 ? method : 0;
}

void ApplyMethod(CURL* handle, int method, std::string const& body)
{
    switch (ClampMethod(method)) {
    case 1:
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(handle, CURLOPT_COPYPOSTFIELDS, body.c_str());
        break;
    case 2:
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        break;
    default:
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        break;
    }
}

Answer Perform(CURL* handle, JobControl* control, bool collectStoreCookies)
{
    Transfer transfer;
    transfer.handle = handle;
    transfer.control = control;
    transfer.collectStoreCookies = collectStoreCookies;
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);

    CURLcode const result = curl_easy_perform(handle);
    transfer.answer.complete = result == CURLE_OK;
    if (transfer.answer.complete) {
        long code = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        transfer.answer.status = static_cast<int>(code);
    }
    char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) {
        transfer.answer.finalUrl = effective;
    }
    for (auto const& [value, address] : transfer.setCookies) {
        if (auto cookie = ParseSetCookie(value, address)) {
            transfer.answer.storeCookies.push_back(std::move(*cookie));
        }
    }
    // The callbacks point at this frame: a reused handle must not keep them.
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
    return std::move(transfer.answer);
}

bool IsSecure(std::string_view url)
{
    return AsciiLower(url.substr(0, 5)) == "https";
}

std::string ConnectAddress(std::string const& url)
{
    std::string address = IsSecure(url) ? "https://" : "http://";
    address += UrlHost(url);
    address += ':';
    address += std::to_string(UrlPort(url));
    address += EncodeUnsafeBytes(UrlPath(url));
    return address;
}

std::string EncodeUnsafeBytes(std::string_view text)
{
    static char const hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char const byte : text) {
        if (byte <= 0x20 || byte >= 0x7f) {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0f];
        } else {
            encoded += static_cast<char>(byte);
        }
    }
    return encoded;
}

void AppendDefaultHeaders(std::string& headers, std::string const& url, char const* userAgent)
{
    if (headers.empty()) {
        headers = "Accept: */*";
    } else if (headers.find("Accept:") == std::string::npos) {
        headers += "\r\nAccept: */*";
    }
    if (headers.find("Referer:") == std::string::npos) {
        // An address with a line break in it must not add lines of its own.
        std::string referer = url;
        std::erase_if(referer, [](char c) { return c == '\r' || c == '\n'; });
        headers += "\r\nReferer: " + referer;
    }
    if (headers.find("Accept-Language:") == std::string::npos) {
        headers += "\r\nAccept-Language: zh-cn";
    }
    if (userAgent != nullptr && headers.find("User-Agent:") == std::string::npos) {
        headers += "\r\nUser-Agent: ";
        headers += userAgent;
    }
    if (headers.find("Content-Type:") == std::string::npos) {
        headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
}

void NormaliseSetCookie(std::string& responseHeaders)
{
    responseHeaders = ReplaceText(responseHeaders, "Set-Cookie", "Set-Cookie", true);
}

std::string ReceivedCookies(std::string const& responseHeaders)
{
    std::string received;
    std::string_view rest = responseHeaders;
    while (!rest.empty()) {
        auto const end = rest.find("\r\n");
        std::string_view const line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        if (line.find("Set-Cookie") == std::string_view::npos) {
            continue;
        }
        std::string const pair = line.find(';') != std::string_view::npos
                                     ? Trim(TextBetween(line, "Set-Cookie:", ";"))
                                     : Trim(ReplaceText(line, "Set-Cookie:", "", true));
        received += pair + "; ";
    }
    if (received.size() >= 2) {
        received.resize(received.size() - 2);
    }
    return received;
}

}  // namespace net::web
