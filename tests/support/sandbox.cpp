#include "tests/support/sandbox.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testing_support {

namespace {

std::string envOrEmpty(char const* name)
{
    char const* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

Sandbox::Sandbox()
    : m_oldXdg(envOrEmpty("XDG_DATA_HOME"))
    , m_oldHome(envOrEmpty("HOME"))
{
    std::random_device random;
    auto const name = "tervala-test-" + std::to_string(random()) + std::to_string(random());
    m_root = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(m_root / "xdg");
    std::filesystem::create_directories(m_root / "home");
    setenv("XDG_DATA_HOME", (m_root / "xdg").c_str(), 1);
    setenv("HOME", (m_root / "home").c_str(), 1);
}

Sandbox::~Sandbox()
{
    setenv("XDG_DATA_HOME", m_oldXdg.c_str(), 1);
    setenv("HOME", m_oldHome.c_str(), 1);
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::string ReadFile(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(std::filesystem::path const& path, std::string const& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace testing_support
