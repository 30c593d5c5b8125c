#include "net/curl-share.h"

#include <array>
#include <mutex>

namespace net::web {

namespace {

// One share with a real mutex per kind of data it guards. Shared and
// exclusive access are both taken exclusively: the sections are short.
class Share {
public:
    explicit Share(bool withCookies)
        : m_handle(curl_share_init())
    {
        curl_share_setopt(m_handle, CURLSHOPT_LOCKFUNC, &Share::lock);
        curl_share_setopt(m_handle, CURLSHOPT_UNLOCKFUNC, &Share::unlock);
        curl_share_setopt(m_handle, CURLSHOPT_USERDATA, this);
        if (withCookies) {
            curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        }
        curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    }
    Share(Share const&) = delete;
    Share& operator=(Share const&) = delete;
    // Lives for the whole process: handles of other static objects may still
    // point at it during exit.

    CURLSH* handle() const { return m_handle; }

private:
    static std::mutex& mutexFor(void* self, curl_lock_data data)
    {
        auto& mutexes = static_cast<Share*>(self)->m_mutexes;
        auto const index = static_cast<std::size_t>(data);
        return mutexes[index < mutexes.size() ? index : 0];
    }
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) { mutexFor(self, data).lock(); }
    static void unlock(CURL*, curl_lock_data data, void* self) { mutexFor(self, data).unlock(); }

    CURLSH* m_handle;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_mutexes;
};

}  // namespace

void EnsureCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLSH* CookieShare()
{
    EnsureCurl();
    static Share* const share = new Share(true);
    return share->handle();
}

CURLSH* CookielessShare()
{
    EnsureCurl();
    static Share* const share = new Share(false);
    return share->handle();
}

}  // namespace net::web
