#include "net/page-request.h"

#include "net/cookie-merge.h"
#include "net/curl-share.h"
#include "net/web-cookies.h"
#include "net/web-transfer.h"

namespace net {

namespace {

// The agent: the text of a "User-Agent:" line of the header text, else the
// default. The name is found in any letter case but the value is cut
// case-sensitively, so a lower-case last line falls back to the text after
// the header text's first colon.
std::string ChooseAgent(std::string const& headers)
{
    if (FindText(headers, "User-Agent:", 1, true) < 1) {
        return DefaultUserAgent;
    }
    std::string agent = Trim(TextBetween(headers, "User-Agent:", "\r\n"));
    if (agent.empty()) {
        agent = HeaderValue(headers);
    }
    // Never let a line break of the header text into the request line.
    return agent.substr(0, agent.find_first_of("\r\n"));
}

// Each non-empty line of the header text, as given. A lone CR or LF ends a
// line too, so no line can smuggle another into the request.
void AddHeaderLines(web::HeaderList& list, std::string_view headers)
{
    while (!headers.empty()) {
        auto const end = headers.find_first_of("\r\n");
        if (end != 0) {
            list.add(headers.substr(0, end));
        }
        if (end == std::string_view::npos) {
            break;
        }
        headers.remove_prefix(end + 1);
    }
}

}  // namespace

Bytes PageRequest(std::string const& url, PageRequestArgs args)
{
    web::EasyHandle easy;
    CURL* const handle = easy.handle;
    if (handle == nullptr) {
        return {};
    }
    int const method = web::ClampMethod(args.method);
    std::string headers = args.headers != nullptr ? *args.headers : std::string();
    std::string const agent = ChooseAgent(headers);

    web::ApplyCommonOptions(handle, web::PageTimeouts());
    curl_easy_setopt(handle, CURLOPT_URL, web::ConnectAddress(url).c_str());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
    if (!args.proxy.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXY, args.proxy.c_str());
    }
    bool const callerCookies = args.cookies != nullptr;
    if (callerCookies) {
        curl_easy_setopt(handle, CURLOPT_SHARE, web::CookielessShare());
    } else {
        curl_easy_setopt(handle, CURLOPT_SHARE, web::CookieShare());
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");  // the cookie engine, no file
    }
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, args.noRedirect ? 0L : 1L);

    // The agent goes as the agent, not as a line; a supplied cookie text
    // comes last, whatever the caller's text holds.
    web::AppendDefaultHeaders(headers, url, nullptr);
    if (args.cookies != nullptr && !args.cookies->empty()) {
        headers += "\r\nCookie: " + *args.cookies;
    }
    if (args.headers != nullptr) {
        *args.headers = headers;
    }
    web::HeaderList lines;
    AddHeaderLines(lines, headers);
    lines.suppress("Accept");
    lines.suppress("Expect");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lines.get());

    Bytes body;
    if (method != 0) {
        body = args.postBytes != nullptr && !args.postBytes->empty() ? *args.postBytes : args.postText;
        if (args.postBytes != nullptr) {
            *args.postBytes = body;
        }
    }
    web::ApplyMethod(handle, method, body);

    web::Answer answer = web::Perform(handle, args.control, !callerCookies);
    if (!callerCookies) {
        web::NotifyAnswerCookies(answer.storeCookies);
    }

    std::string responseHeaders = std::move(answer.headerBlock);
    web::NormaliseSetCookie(responseHeaders);
    std::string received = web::ReceivedCookies(responseHeaders);
    if (callerCookies) {
        CookieMerge(*args.cookies, received);
    }
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
