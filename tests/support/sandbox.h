#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A fresh scratch folder for one test, removed afterwards. While it lives,
// XDG_DATA_HOME and HOME point inside it, so the program's folder is
// <root>/xdg/tervala and nothing touches the user's own folders.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(Sandbox const&) = delete;
    Sandbox& operator=(Sandbox const&) = delete;

    [[nodiscard]] std::filesystem::path const& root() const { return m_root; }
    [[nodiscard]] std::filesystem::path programFolder() const { return m_root / "xdg" / "tervala"; }

private:
    std::filesystem::path m_root;
    std::string m_oldXdg;
    std::string m_oldHome;
};

std::string ReadFile(std::filesystem::path const& path);
void WriteFile(std::filesystem::path const& path, std::string const& bytes);

}  // namespace testing_support
