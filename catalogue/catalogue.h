#pragma once

#include <memory>

namespace app {
class Window;
}

namespace catalogue {

// The album tab's listing side: the get-albums click, its listing workers,
// and the tick-all / invert / row-check handlers of the album list.
// Handlers are called on the window's thread. The destructor stops nothing
// (a listing cannot be stopped) but joins any running worker.
class Catalogue {
public:
    explicit Catalogue(app::Window& window);
    ~Catalogue();
    Catalogue(Catalogue const&) = delete;
    Catalogue& operator=(Catalogue const&) = delete;

    // Click of 按钮_获取相册封面. Returns true when a listing worker started.
    bool onGetAlbumsClick();
    void onTickAllClick();   // 选择框_全选
    void onInvertClick();    // 选择框_反选
    void onRowCheck(int row, int state);

    [[nodiscard]] bool isListing() const;
    // Waits until the running listing worker (if any) has ended.
    void join();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace catalogue
