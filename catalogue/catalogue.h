#pragma once

#include <chrono>
#include <memory>

#include "catalogue/listing-pace.h"

namespace app {
class Window;
}

namespace catalogue {

// The album tab's listing side: the get-albums click, its listing workers,
// and the tick-all / invert / row-check handlers of the album list.
// Handlers are called on the window's thread. One listing runs at a time:
// while it runs, 按钮_获取相册封面 is disabled and a click is refused.
// The destructor stops a running listing and joins its worker.
class Catalogue {
public:
    // `pace` is the listings' pace (tests shorten its waits); its polite
    // delay is replaced by the stored setting as each listing starts.
    explicit Catalogue(app::Window& window, ListingPace pace = {});
    ~Catalogue();
    Catalogue(Catalogue const&) = delete;
    Catalogue& operator=(Catalogue const&) = delete;

    // Click of 按钮_获取相册封面. Returns true when a listing worker started;
    // false for an empty or refused address (after its message box) or while
    // a listing runs.
    bool onGetAlbumsClick();
    void onTickAllClick();   // 选择框_全选
    void onInvertClick();    // 选择框_反选
    void onRowCheck(int row, int state);

    // Listings from now on keep this delay between requests instead of the
    // stored setting (the console's own option).
    void overridePoliteDelay(std::chrono::seconds delay);

    [[nodiscard]] bool isListing() const;
    // Ends a running listing at its next step; it makes no further window
    // call (closing the program, the console's Ctrl-C).
    void stop();
    // Waits until the running listing worker (if any) has ended. Not from
    // the window's thread while a worker may call in.
    void join();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace catalogue
