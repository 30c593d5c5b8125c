#include "catalogue/address-check.h"

#include "net/text.h"

namespace catalogue {

namespace {

// The key between `left` and the next "/"; without one, whatever follows
// the address's last "/".
std::string keyAfter(std::string const& address, std::string const& left)
{
    std::string key = net::TextBetween(address, left, "/");
    if (key.empty()) {
        auto const slash = address.rfind('/');
        key = slash == std::string::npos ? address : address.substr(slash + 1);
    }
    return key;
}

std::string titleOf(std::string_view page)
{
    std::string title = net::TextBetween(page, "<title>", "</title>");
    std::erase(title, '\n');  // a title often spans lines; carriage returns stay
    return title;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && net::AsciiLower(text.substr(0, prefix.size())) == prefix;
}

}  // namespace

CheckedAddress CheckAlbumAddress(std::string_view typed, std::string_view siteDomain)
{
    CheckedAddress checked;
    checked.catalogueAddress = net::Trim(typed);
    // The site's own addresses are https today; prefixing those (or an
    // upper-case scheme) would give an address with two schemes.
    std::string& address = checked.catalogueAddress;
    if (address.find("http://") == std::string::npos && !startsWithNoCase(address, "https://")
        && !startsWithNoCase(address, "http://"))
        address = "http://" + address;

    std::string const domain(siteDomain);
    if (address.find(domain + "/people/") != std::string::npos) {
        checked.form = AddressForm::UserHomePage;
        checked.ownerKey = keyAfter(address, "/people/");
    } else if (address.find(domain + "/photos/album/") != std::string::npos) {
        checked.form = AddressForm::SingleAlbum;
        checked.ownerKey = keyAfter(address, domain + "/photos/album/");
    }
    return checked;
}

std::string NameFromUserPage(std::string_view page)
{
    std::string name = net::TextBetween(page, "application/rss+xml\" title=\"", "的收藏\" />");
    return name.empty() ? titleOf(page) : name;
}

std::string NameFromAlbumPage(std::string_view page)
{
    std::string name = net::TextBetween(page, "<h1>", "</h1>");
    return name.empty() ? titleOf(page) : name;
}

}  // namespace catalogue
