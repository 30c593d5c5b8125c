#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>

#include "app/memory-window.h"
#include "app/program-state.h"
#include "app/update-check.h"

namespace {

constexpr char CurrentLabel[] = "标签_banben";
constexpr char LatestLabel[] = "标签_zxbanben";
constexpr char VerdictLabel[] = "标签_banbenjieguo";

// Serves one update page on loopback, replaceable between checks.
class UpdatePage {
public:
    UpdatePage()
    {
        m_server.Get("/update.txt", [this](httplib::Request const&, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            response.status = m_status;
            response.set_content(m_body, "text/plain");
        });
        m_server.set_keep_alive_max_count(1);  // stopping never waits out a keep-alive
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // A stop() before the loop runs would be lost, and the join would hang.
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        app::SiteConfig site;
        site.updatePageUrl = "http://127.0.0.1:" + std::to_string(m_port) + "/update.txt";
        app::ProgramState::instance().setSite(site);
    }
    ~UpdatePage()
    {
        m_server.stop();
        m_thread.join();
    }
    void set(std::string body, int status = 200)
    {
        std::lock_guard lock(m_mutex);
        m_body = std::move(body);
        m_status = status;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    std::mutex m_mutex;
    std::string m_body;
    int m_status = 200;
    int m_port = 0;
};

struct PageCase {
    std::string page;
    int status;
    char const* latest;
    char const* verdict;  // what 标签_banbenjieguo shows afterwards ("-" untouched)
    bool box;
};

TEST(UpdateCheck, PageContents)
{
    UpdatePage page;
    std::string const zero("#douban@@1.0#douban\0#douban@@2.0#douban", 39);
    PageCase const cases[] = {
        {"news\n#douban@@1.0#douban\n", 200, "1.0", "无需更新", false},
        {"#douban@@2.0#douban", 200, "2.0", "有新版，联系客服获取最新版！", true},
        {"#douban@@1.5#douban", 200, "1.5", "有新版，联系客服获取最新版！", true},
        {"#douban@@1.0.1#douban", 200, "1.0.1", "有新版，联系客服获取最新版！", true},
        {"#douban@@10.0#douban", 200, "10.0", "有新版，联系客服获取最新版！", true},
        {"#douban@@ 1.0#douban", 200, " 1.0", "无需更新", false},
        {"#douban@@1#douban", 200, "1", "无需更新", false},
        {"#douban@@0.9#douban", 200, "0.9", "-", false},
        {"#other@@9.0#other #douban@@1.0#douban", 200, "1.0", "无需更新", false},
        {"#douban@@2.0", 200, "", "-", false},
        {"nothing for us", 200, "", "-", false},
        {"", 404, "", "-", false},
        {"<html>#douban@@2.0#douban</html>", 500, "2.0", "有新版，联系客服获取最新版！", true},
        {zero, 200, "1.0", "无需更新", false},  // the page ends at its first zero byte
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.page);
        page.set(c.page, c.status);
        app::MemoryWindow window;
        window.setText(CurrentLabel, "1.0");
        window.setText(VerdictLabel, "-");
        app::UpdateCheck(window);
        EXPECT_EQ(window.text(LatestLabel), c.latest);
        EXPECT_EQ(window.text(VerdictLabel), c.verdict);
        EXPECT_EQ(window.messages(), c.box ? std::vector<std::string>{"有新版本，联系客服索取"} : std::vector<std::string>{});
    }
}

TEST(UpdateCheck, UnreachablePageGivesNoVerdict)
{
    app::SiteConfig site;
    site.updatePageUrl = "http://127.0.0.1:1/update.txt";
    app::ProgramState::instance().setSite(site);
    app::MemoryWindow window;
    window.setText(CurrentLabel, "1.0");
    window.setText(LatestLabel, "stale");
    app::UpdateCheck(window);
    EXPECT_EQ(window.text(LatestLabel), "");
    EXPECT_EQ(window.text(VerdictLabel), "");
    EXPECT_TRUE(window.messages().empty());
}

TEST(CompareVersions, PartByPartAsNumbers)
{
    struct Case {
        char const* latest;
        char const* current;
        int order;
    } const cases[] = {
        {"1.0", "1.0", 0},  {" 1.0", "1.0", 0},  {"1", "1.0.0", 0},   {"1.5", "1.0", 1}, {"1.10", "1.9", 1},
        {"0.9", "1.0", -1}, {"2", "10", -1},     {"01.0", "1.0", 0},  {"", "1.0", -1},   {"abc", "0", 0},
        {"99999999999999999999.1", "99999999999999999999.0", 1},
    };
    for (auto const& c : cases) {
        int const order = app::CompareVersions(c.latest, c.current);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.latest << " vs " << c.current;
    }
}

}  // namespace
