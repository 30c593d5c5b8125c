#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// An INI profile file (UTF-8) with the semantics the settings rely on.
// Each call opens, uses and closes the file.
class SettingsFile {
public:
    explicit SettingsFile(std::string path);

    // The value of `key` in `section`, or `fallback` when the file, the
    // section or the key is missing. Nothing is written.
    [[nodiscard]] std::string Read(std::string const& section, std::string const& key,
                                   std::string const& fallback) const;

    // Sets the key, creating the file, section or key when missing; every
    // other byte of the file stays as it was. Atomic (temporary + rename).
    // Returns false on failure (callers may ignore it): a name or value the
    // format cannot hold (see ProfileUpdate), a file that exists but cannot
    // be read, or a folder that cannot be written.
    bool Write(std::string const& section, std::string const& key, std::string const& value) const;

    [[nodiscard]] std::string const& path() const { return m_path; }

private:
    std::string m_path;
};

// The settings file "peizi.ini" in the program's folder.
SettingsFile ProgramSettings();

// The longest value Read returns, in bytes (cut at a character boundary).
inline constexpr std::size_t MaxProfileValueBytes = 10240;

// The profile format over the file's text, without any file access.
//
// A line (ended by "\n", an optional "\r" before it belonging to the ending)
// is a section header "[name]", a comment starting with ";", or a key line
// "key=value"; a line without "=" is a key with an empty value. Spaces and
// tabs around names and values are not part of them. Section and key names
// match ASCII-case-insensitively; only the first section of a name counts,
// and within it the first key of a name. Lines before the first header
// belong to no section. A UTF-8 byte-order mark at the start is skipped.

// The value, or nullopt when the section or key is missing.
std::optional<std::string> ProfileLookup(std::string_view text, std::string_view section, std::string_view key);

// The text with the key set to `value` (spaces at its ends dropped, as the
// format cannot hold them); every other line byte for byte.
// Missing keys go after the last key line of their section, missing sections
// at the end. New lines end as the text's first line does ("\n" when none).
// Nullopt when the names or the value cannot be stored: a line break or zero
// byte anywhere, an empty key, names with spaces at either end, "]" in the
// section, "=" in the key or a key starting with ";" or "[".
std::optional<std::string> ProfileUpdate(std::string_view text, std::string_view section, std::string_view key,
                                         std::string_view value);

}  // namespace app
