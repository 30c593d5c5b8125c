#pragma once

#include <string>

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
    // Returns false on failure (callers may ignore it).
    bool Write(std::string const& section, std::string const& key, std::string const& value) const;

    [[nodiscard]] std::string const& path() const { return m_path; }

private:
    std::string m_path;
};

// The settings file "peizi.ini" in the program's folder.
SettingsFile ProgramSettings();

}  // namespace app
