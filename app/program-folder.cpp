#include "app/program-folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace app {

std::string ProgramFolder()
{
    std::filesystem::path base;
    if (char const* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        base = xdg;
    else if (char const* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::temp_directory_path();
    auto folder = base / "tervala";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder.string();
}

}  // namespace app
