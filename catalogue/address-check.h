#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// Which listing an address asks for.
enum class AddressForm { Refused, UserHomePage, SingleAlbum };

struct CheckedAddress {
    AddressForm form = AddressForm::Refused;
    std::string catalogueAddress;  // trimmed, with a scheme in front
    std::string ownerKey;          // user name or album number; empty when refused
};

// The typed address (not empty) as the get-albums click reads it. Forms are
// tested case-sensitively, the user form first; `siteDomain` is the site's
// registered domain alone.
CheckedAddress CheckAlbumAddress(std::string_view typed, std::string_view siteDomain);

// The display names read from a user's home page and from an album page
// (UTF-8 text), before their spaces are removed. Empty when no marker fits.
std::string NameFromUserPage(std::string_view page);
std::string NameFromAlbumPage(std::string_view page);

}  // namespace catalogue
