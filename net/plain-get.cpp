#include "net/plain-get.h"

#include "net/curl-share.h"
#include "net/page-request.h"
#include "net/web-cookies.h"
#include "net/web-transfer.h"

namespace net {

Bytes PlainGet(std::string const& url, int* status, JobControl* control, std::string* finalUrl)
{
    if (status != nullptr) {
        *status = 0;
    }
    if (finalUrl != nullptr) {
        finalUrl->clear();
    }
    if (url.empty()) {
        return {};
    }
    web::EasyHandle easy;
    CURL* const handle = easy.handle;
    if (handle == nullptr) {
        return {};
    }
    web::ApplyCommonOptions(handle, web::PageTimeouts());
    curl_easy_setopt(handle, CURLOPT_URL, web::ConnectAddress(url).c_str());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, DefaultUserAgent);
    curl_easy_setopt(handle, CURLOPT_SHARE, web::CookieShare());
    curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);

    web::Answer answer = web::Perform(handle, control, true);
    web::NotifyAnswerCookies(answer.storeCookies);
    // A body cut off in transit is no body: the callers save it as a file.
    if (!answer.complete) {
        return {};
    }
    if (status != nullptr) {
        *status = answer.status;
    }
    if (finalUrl != nullptr) {
        *finalUrl = std::move(answer.finalUrl);
    }
    return std::move(answer.body);
}

}  // namespace net
