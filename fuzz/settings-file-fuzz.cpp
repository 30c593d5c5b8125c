// Drives the profile parser and a write round trip over arbitrary bytes.
// Input: section NUL key NUL value NUL other-key NUL file text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/settings-file.h"

namespace {

std::string_view nextField(std::string_view& data)
{
    auto const zero = data.find('\0');
    auto const field = data.substr(0, zero);
    data = zero == std::string_view::npos ? std::string_view() : data.substr(zero + 1);
    return field;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view Blanks = " \t\v\f\r";
    auto const first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

bool sameAsciiFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* bytes, std::size_t size)
{
    std::string_view data(reinterpret_cast<char const*>(bytes), size);
    auto const section = nextField(data);
    auto const key = nextField(data);
    auto const value = nextField(data);
    auto const otherKey = nextField(data);
    auto const text = data;

    auto const before = app::ProfileLookup(text, section, otherKey);
    (void)app::ProfileLookup(text, otherKey, key);

    auto const updated = app::ProfileUpdate(text, section, key, value);
    if (!updated)
        return 0;
    // The written key reads back as written (the format trims its ends).
    auto const read = app::ProfileLookup(*updated, section, key);
    if (!read || *read != trimmed(value))
        std::abort();
    // Nothing else in the section changes.
    if (!sameAsciiFolded(key, otherKey) && app::ProfileLookup(*updated, section, otherKey) != before)
        std::abort();
    // The old text survives around the change: it is a prefix up to the
    // first changed byte and a suffix after it.
    std::size_t common = 0;
    while (common < text.size() && common < updated->size() && text[common] == (*updated)[common])
        ++common;
    std::size_t tail = 0;
    while (tail < text.size() - common && tail < updated->size() - common &&
           text[text.size() - 1 - tail] == (*updated)[updated->size() - 1 - tail])
        ++tail;
    if (updated->size() - common - tail > section.size() + key.size() + value.size() + 16)
        std::abort();
    // Writing the same again changes nothing.
    if (app::ProfileUpdate(*updated, section, key, value) != updated)
        std::abort();
    return 0;
}
