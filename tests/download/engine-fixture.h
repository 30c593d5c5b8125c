#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/memory-window.h"
#include "app/program-folder.h"
#include "app/program-state.h"
#include "app/settings-file.h"
#include "download/download-job.h"
#include "download/download-record.h"
#include "tests/support/fake-site.h"
#include "tests/support/sandbox.h"

namespace engine_test {

namespace fs = std::filesystem;
using testing_support::FakeAlbum;
using testing_support::FakePhoto;
using testing_support::FakeSite;
using testing_support::NumberedPhotos;

inline constexpr char const* OwnerKey = "xiaoming";
inline constexpr char const* OwnerName = "小明";

// A sandboxed program folder, the fake site as the site, an in-memory window
// in its start-up state (browse mode, medium size) and a save location.
class EngineTest : public ::testing::Test {
protected:
    EngineTest()
    {
        app::ProgramState::instance().setSite(site.siteConfig());
        app::ProgramState::instance().setSelection({site.userAddress(OwnerKey), OwnerKey, OwnerName});
        window.setText("编辑框_保存位置", saveRoot.string());
        window.setChecked("选择框_浏览模式", true);
        window.setChecked("选择框_api模式", false);
        window.setChecked("单选框_中图", true);
        window.setChecked("单选框_原图", false);
    }

    FakeAlbum addAlbum(std::string const& id, std::string const& title, std::vector<FakePhoto> photos)
    {
        FakeAlbum album{id, title, std::move(photos), {}, {}};
        site.addAlbum(album);
        return album;
    }

    void addRow(std::string const& title, std::string const& address, bool ticked = true)
    {
        int const row = window.appendRow();
        window.setCellText(row, 1, std::to_string(row + 1));
        window.setCellText(row, 2, title);
        window.setCellText(row, 5, address);
        window.setRowCheckState(row, ticked ? 1 : 0);
    }

    void useApiMode()
    {
        window.setChecked("选择框_浏览模式", false);
        window.setChecked("选择框_api模式", true);
    }

    void useFullSize()
    {
        window.setChecked("单选框_中图", false);
        window.setChecked("单选框_原图", true);
    }

    download::JobSummary runJob(download::JobOverrides const& overrides = {})
    {
        download::DownloadJob job(window);
        job.setRetryWait(std::chrono::milliseconds(0));
        job.setThrottleTiming(shortThrottle);
        job.setOverrides(overrides);
        job.start();
        job.join();
        return job.summary();
    }

    static download::JobOverrides recordOn() { return {std::string("1"), std::nullopt, std::nullopt}; }

    // Refusals waited out in milliseconds, not minutes.
    download::ThrottleTiming shortThrottle{std::chrono::milliseconds(1), std::chrono::milliseconds(8),
                                           std::chrono::milliseconds(1)};

    [[nodiscard]] fs::path albumFolder(std::string const& name) const { return saveRoot / OwnerName / name; }

    // File names in a folder, sorted; hidden (temporary) files included.
    static std::vector<std::string> filesIn(fs::path const& folder)
    {
        std::vector<std::string> names;
        std::error_code error;
        for (auto const& entry : fs::directory_iterator(folder, error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // "0_<id>_.jpg" ... named by position, sorted as filesIn() sorts.
    static std::vector<std::string> expectedFiles(std::vector<FakePhoto> const& photos, int firstPosition = 0)
    {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < photos.size(); ++i)
            names.push_back(std::to_string(firstPosition + static_cast<int>(i)) + "_" + photos[i].id + "_.jpg");
        std::sort(names.begin(), names.end());
        return names;
    }

    [[nodiscard]] int imageRequests() const
    {
        auto const log = site.requests();
        return static_cast<int>(std::count_if(log.begin(), log.end(), [](std::string const& target) {
            return target.starts_with("/view/photo/photo/") || target.starts_with("/view/photo/large/");
        }));
    }

    static bool recorded(std::string const& ownerKey, std::string const& photoId)
    {
        download::DownloadRecord record(app::ProgramFolder());
        record.open(ownerKey);
        bool const found = record.contains(photoId);
        record.close();
        return found;
    }

    [[nodiscard]] std::vector<std::string> effectValues(std::string const& kind, std::string const& control) const
    {
        std::vector<std::string> values;
        for (auto const& effect : window.effects()) {
            if (effect.kind == kind && effect.control == control)
                values.push_back(effect.value);
        }
        return values;
    }

    testing_support::Sandbox sandbox;
    FakeSite site;
    app::MemoryWindow window;
    fs::path saveRoot = sandbox.root() / "save";
};

inline std::string mediumPath(std::string const& id)
{
    return "/view/photo/photo/public/p" + id + ".jpg";
}

inline std::string largePath(std::string const& id)
{
    return "/view/photo/large/public/p" + id + ".jpg";
}

}  // namespace engine_test
