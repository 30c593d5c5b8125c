#include "catalogue/catalogue.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "app/program-state.h"
#include "app/settings-controls.h"
#include "app/settings-file.h"
#include "app/window.h"
#include "catalogue/address-check.h"
#include "catalogue/album-listing.h"
#include "catalogue/album-selection.h"
#include "net/job-control.h"

namespace catalogue {

namespace {
constexpr char AddressBox[] = "编辑框_号码";
constexpr char GetAlbumsButton[] = "按钮_获取相册封面";
constexpr char StatusLabel[] = "标签_动态";
constexpr char Canvas[] = "画板1";
}  // namespace

struct Catalogue::Impl {
    Impl(app::Window& w, ListingPace p) : window(w), pace(p) {}

    void startWorker(ListingRequest request)
    {
        if (worker.joinable())
            worker.join();  // the previous listing has ended; only its thread is left
        control = std::make_unique<net::JobControl>();
        listing = true;
        worker = std::thread([this, request = std::move(request), jobControl = control.get()] {
            bool const ended = request.address.form == AddressForm::UserHomePage
                                   ? ListUserAlbums(window, request, *jobControl)
                                   : ListSingleAlbum(window, request, *jobControl);
            if (ended)
                window.setEnabled(GetAlbumsButton, true);
            listing = false;
        });
    }

    app::Window& window;
    ListingPace pace;
    std::optional<std::chrono::seconds> politeDelay;  // the stored setting when absent
    std::thread worker;
    std::unique_ptr<net::JobControl> control;
    std::atomic<bool> listing = false;
};

Catalogue::Catalogue(app::Window& window, ListingPace pace) : m_impl(std::make_unique<Impl>(window, pace)) {}

Catalogue::~Catalogue()
{
    stop();
    join();
}

bool Catalogue::onGetAlbumsClick()
{
    // Two workers would interleave their rows in one list.
    if (m_impl->listing)
        return false;
    app::Window& window = m_impl->window;
    std::string const typed = window.text(AddressBox);
    if (typed.empty()) {
        window.messageBox("请输入网址");
        return false;
    }
    app::SiteConfig const site = app::ProgramState::instance().site();
    CheckedAddress checked = CheckAlbumAddress(typed, site.siteDomain);
    app::ProgramState::instance().setCatalogueAddress(checked.catalogueAddress);
    if (checked.form == AddressForm::Refused) {
        window.messageBox("网址格式不符");
        return false;
    }

    window.setText(StatusLabel, "温馨提示：正在获取相册列表...");
    window.appendLog("正努力获取相册列表，耐心等待哈！\r\n\r\n");
    window.setEnabled(GetAlbumsButton, false);
    ListingPace pace = m_impl->pace;
    pace.politeDelay = m_impl->politeDelay.value_or(std::chrono::seconds(app::PoliteDelaySeconds(app::ProgramSettings())));
    m_impl->startWorker({std::move(checked), site, pace});
    window.processEvents();
    window.setVisible(Canvas, false);
    return true;
}

void Catalogue::onTickAllClick()
{
    TickAllAlbums(m_impl->window);
}

void Catalogue::onInvertClick()
{
    InvertAlbumTicks(m_impl->window);
}

void Catalogue::onRowCheck(int row, int /*state*/)
{
    OnAlbumRowCheck(m_impl->window, row);
}

void Catalogue::overridePoliteDelay(std::chrono::seconds delay)
{
    m_impl->politeDelay = delay;
}

bool Catalogue::isListing() const
{
    return m_impl->listing;
}

void Catalogue::stop()
{
    if (m_impl->control)
        m_impl->control->stop();
}

void Catalogue::join()
{
    if (m_impl->worker.joinable())
        m_impl->worker.join();
}

}  // namespace catalogue
