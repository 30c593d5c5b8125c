#pragma once

#include <mutex>
#include <string>

namespace app {

// Addresses of the site and of the maker's pages. The defaults are the real
// ones; tests and the console's --site-* options point them elsewhere.
struct SiteConfig {
    std::string siteWebRoot = "https://www.douban.com";  // scheme and host of the web pages
    std::string siteDomain = "douban.com";               // registered domain alone
    std::string siteApiRoot = "https://api.douban.com";  // scheme and host of the JSON album interface
    std::string updatePageUrl = "https://tervala.github.io/update.txt";
    std::string feedbackPageUrl = "https://github.com/tervala/tervala/issues";
    std::string otherToolsUrl = "https://tervala.github.io/";
    std::string contactUrl = "https://tervala.github.io/contact.html";
};

inline constexpr char const* VersionText = "1.0";
inline constexpr char const* ProductKey = "douban";

// What the last accepted address left behind: written by the get-albums
// click, read by the listing workers and snapshotted by a download job.
struct CatalogueSelection {
    std::string catalogueAddress;
    std::string ownerKey;
    std::string ownerName;
};

// Program-wide values, shared by the window thread and the workers.
// Every member is safe to call from any thread.
class ProgramState {
public:
    static ProgramState& instance();

    [[nodiscard]] SiteConfig site() const;
    void setSite(SiteConfig const& site);

    [[nodiscard]] CatalogueSelection selection() const;
    void setSelection(CatalogueSelection const& selection);
    void setCatalogueAddress(std::string const& address);

private:
    mutable std::mutex m_mutex;
    SiteConfig m_site;
    CatalogueSelection m_selection;
};

}  // namespace app
