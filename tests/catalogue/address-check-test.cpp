#include <gtest/gtest.h>

#include "catalogue/address-check.h"
#include "tests/catalogue/page-server.h"

namespace {

using catalogue::AddressForm;

struct AddressCase {
    char const* typed;
    AddressForm form;
    char const* catalogueAddress;
    char const* ownerKey;
};

TEST(AddressCheck, FormsKeysAndSchemes)
{
    AddressCase const cases[] = {
        {"www.douban.com/people/ahuang", AddressForm::UserHomePage, "http://www.douban.com/people/ahuang", "ahuang"},
        {"http://www.douban.com/people/ahuang/", AddressForm::UserHomePage, "http://www.douban.com/people/ahuang/",
         "ahuang"},
        {"www.douban.com/people/ahuang/photos", AddressForm::UserHomePage, "http://www.douban.com/people/ahuang/photos",
         "ahuang"},
        // The secure scheme, in any case, gets no second scheme in front.
        {"https://www.douban.com/people/ahuang/", AddressForm::UserHomePage, "https://www.douban.com/people/ahuang/",
         "ahuang"},
        {"HTTPS://www.douban.com/photos/album/42/", AddressForm::SingleAlbum, "HTTPS://www.douban.com/photos/album/42/",
         "42"},
        {"HTTP://www.douban.com/people/ahuang", AddressForm::UserHomePage, "HTTP://www.douban.com/people/ahuang",
         "ahuang"},
        {"  http://www.douban.com/photos/album/123456/　", AddressForm::SingleAlbum,
         "http://www.douban.com/photos/album/123456/", "123456"},
        {"http://www.douban.com/photos/album/123456", AddressForm::SingleAlbum, "http://www.douban.com/photos/album/123456",
         "123456"},
        // Both forms: the user form wins.
        {"http://www.douban.com/photos/album/9/?from=douban.com/people/bob/", AddressForm::UserHomePage,
         "http://www.douban.com/photos/album/9/?from=douban.com/people/bob/", "bob"},
        // The tests are case-sensitive.
        {"http://www.DOUBAN.com/people/ahuang", AddressForm::Refused, "http://www.DOUBAN.com/people/ahuang", ""},
        {"http://www.douban.com/People/ahuang", AddressForm::Refused, "http://www.douban.com/People/ahuang", ""},
        {"http://example.com/people/ahuang", AddressForm::Refused, "http://example.com/people/ahuang", ""},
        {"www.douban.com/photos/42", AddressForm::Refused, "http://www.douban.com/photos/42", ""},
        // Spaces pass the empty test and are refused here.
        {"   ", AddressForm::Refused, "http://", ""},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.typed);
        auto const checked = catalogue::CheckAlbumAddress(c.typed, "douban.com");
        EXPECT_EQ(checked.form, c.form);
        EXPECT_EQ(checked.catalogueAddress, c.catalogueAddress);
        EXPECT_EQ(checked.ownerKey, c.ownerKey);
    }
}

TEST(AddressCheck, DisplayNamesFromSavedPages)
{
    using catalogue_test::Fixture;
    // Feed-link title first; the name keeps its spaces until the selection.
    EXPECT_EQ(catalogue::NameFromUserPage(Fixture("user-home.html")), "阿黄 Wong ");
    // Without the feed link: the title, line feeds removed.
    EXPECT_EQ(catalogue::NameFromUserPage(Fixture("user-home-title-only.html")), "  小 明　同学");
    EXPECT_EQ(catalogue::NameFromAlbumPage(Fixture("album-page.html")), "旅行 ：2019|夏天");
    EXPECT_EQ(catalogue::NameFromAlbumPage("<title>a\r\nb</title>"), "a\rb");
    EXPECT_EQ(catalogue::NameFromAlbumPage(""), "");
}

}  // namespace
