#include "app/settings-file.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/program-folder.h"

namespace app {

namespace {

// What the profile format trims around names and values. "\r" is here so a
// stray carriage return before the line ending never ends up in a value.
constexpr std::string_view Blanks = " \t\v\f\r";
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { Blank, Comment, Section, Key, Ignored };

struct Line {
    std::size_t begin = 0;    // first byte of the line
    std::size_t end = 0;      // end of its content, before the line ending
    std::size_t next = 0;     // first byte of the next line
    LineKind kind = LineKind::Blank;
    std::string_view name;    // section or key name, trimmed
    std::size_t nameEnd = 0;  // key lines: just after the name
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    bool hasEquals = false;
};

std::size_t skipBlanks(std::string_view text, std::size_t from, std::size_t to)
{
    while (from < to && Blanks.find(text[from]) != std::string_view::npos)
        ++from;
    return from;
}

std::size_t dropBlanks(std::string_view text, std::size_t from, std::size_t to)
{
    while (to > from && Blanks.find(text[to - 1]) != std::string_view::npos)
        --to;
    return to;
}

Line parseLine(std::string_view text, std::size_t begin, std::size_t end, std::size_t next)
{
    Line line;
    line.begin = begin;
    line.end = end;
    line.next = next;
    auto const first = skipBlanks(text, begin, end);
    auto const last = dropBlanks(text, first, end);
    if (first == last)
        return line;
    if (text[first] == ';') {
        line.kind = LineKind::Comment;
        return line;
    }
    if (text[first] == '[') {
        auto const close = text.find(']', first + 1);
        if (close == std::string_view::npos || close >= last) {
            line.kind = LineKind::Ignored;
            return line;
        }
        auto const nameBegin = skipBlanks(text, first + 1, close);
        line.kind = LineKind::Section;
        line.name = text.substr(nameBegin, dropBlanks(text, nameBegin, close) - nameBegin);
        return line;
    }
    line.kind = LineKind::Key;
    auto const equals = text.find('=', first);
    if (equals == std::string_view::npos || equals >= last) {
        line.nameEnd = last;
        line.name = text.substr(first, last - first);
        line.valueBegin = line.valueEnd = last;
        return line;
    }
    line.hasEquals = true;
    line.nameEnd = dropBlanks(text, first, equals);
    line.name = text.substr(first, line.nameEnd - first);
    line.valueBegin = skipBlanks(text, equals + 1, last);
    line.valueEnd = last;
    return line;
}

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t begin = text.starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0;
    while (begin < text.size()) {
        auto const feed = text.find('\n', begin);
        auto const next = feed == std::string_view::npos ? text.size() : feed + 1;
        auto end = feed == std::string_view::npos ? text.size() : feed;
        if (end > begin && text[end - 1] == '\r')
            --end;
        lines.push_back(parseLine(text, begin, end, next));
        begin = next;
    }
    return lines;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Index of the first header of `section`, or lines.size().
std::size_t findSection(std::vector<Line> const& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Section && sameName(lines[i].name, section))
            return i;
    return lines.size();
}

// Index of the first line of `key` in the section headed at `header`, or
// the index of the section's end (next header or lines.size()).
std::size_t findKey(std::vector<Line> const& lines, std::size_t header, std::string_view key)
{
    std::size_t i = header + 1;
    for (; i < lines.size() && lines[i].kind != LineKind::Section; ++i)
        if (lines[i].kind == LineKind::Key && sameName(lines[i].name, key))
            return i;
    return i;
}

std::string_view lineEnding(std::string_view text)
{
    auto const feed = text.find('\n');
    return feed != std::string_view::npos && feed > 0 && text[feed - 1] == '\r' ? "\r\n" : "\n";
}

bool holdsLineBreakOrZero(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool hasEdgeBlanks(std::string_view text)
{
    return !text.empty() && (Blanks.find(text.front()) != std::string_view::npos ||
                             Blanks.find(text.back()) != std::string_view::npos);
}

bool storable(std::string_view section, std::string_view key, std::string_view value)
{
    if (holdsLineBreakOrZero(section) || holdsLineBreakOrZero(key) || holdsLineBreakOrZero(value))
        return false;
    if (hasEdgeBlanks(section) || section.find(']') != std::string_view::npos)
        return false;
    return !key.empty() && !hasEdgeBlanks(key) && key.find('=') == std::string_view::npos && key.front() != ';' &&
           key.front() != '[';
}

std::string cutAtCharacter(std::string value)
{
    if (value.size() <= MaxProfileValueBytes)
        return value;
    auto cut = MaxProfileValueBytes;
    // Step back over UTF-8 continuation bytes so no character is split.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;
    value.resize(cut);
    return value;
}

// Whole file; nullopt when it exists but cannot be read. A missing file is
// an empty text with `exists` false.
std::optional<std::string> readWhole(std::filesystem::path const& path, bool& exists)
{
    std::error_code error;
    auto const status = std::filesystem::status(path, error);
    exists = std::filesystem::exists(status);
    if (!exists)
        return error && status.type() != std::filesystem::file_type::not_found ? std::nullopt
                                                                                 : std::optional<std::string>("");
    if (!std::filesystem::is_regular_file(status))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    return text;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        auto const written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes a sibling temporary file and renames it over `target`, so the
// settings file is always either the old or the new text.
bool replaceAtomically(std::filesystem::path const& target, std::string_view bytes, bool keepMode)
{
    static std::atomic<unsigned> counter{0};
    auto const folder = target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                              std::to_string(counter.fetch_add(1)));
        // 0666 under the umask: the same mode a fresh file would get.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    if (ok && keepMode) {
        struct stat old{};
        if (::stat(target.c_str(), &old) == 0)
            ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace

std::optional<std::string> ProfileLookup(std::string_view text, std::string_view section, std::string_view key)
{
    auto const lines = splitLines(text);
    auto const header = findSection(lines, section);
    if (header == lines.size())
        return std::nullopt;
    auto const at = findKey(lines, header, key);
    if (at == lines.size() || lines[at].kind != LineKind::Key)
        return std::nullopt;
    return std::string(text.substr(lines[at].valueBegin, lines[at].valueEnd - lines[at].valueBegin));
}

std::optional<std::string> ProfileUpdate(std::string_view text, std::string_view section, std::string_view key,
                                         std::string_view value)
{
    if (!storable(section, key, value))
        return std::nullopt;
    // Spaces at either end could not be read back; storing them would only
    // make each rewrite grow the line.
    auto const first = skipBlanks(value, 0, value.size());
    value = value.substr(first, dropBlanks(value, first, value.size()) - first);
    auto const lines = splitLines(text);
    auto const eol = lineEnding(text);
    std::string result;
    result.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    auto const header = findSection(lines, section);
    if (header == lines.size()) {
        result.append(text);
        bool const hasContent = text.size() > (text.starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0);
        if (hasContent && text.back() != '\n')
            result.append(eol);
        if (!lines.empty() && lines.back().kind != LineKind::Blank)
            result.append(eol);  // a blank line between sections, as the format writes them
        result.append("[").append(section).append("]").append(eol);
        result.append(key).append("=").append(value).append(eol);
        return result;
    }

    auto const at = findKey(lines, header, key);
    if (at < lines.size() && lines[at].kind == LineKind::Key) {
        auto const& line = lines[at];
        if (line.hasEquals) {
            // Only the value changes; the key's spelling and spacing stay.
            result.append(text.substr(0, line.valueBegin)).append(value).append(text.substr(line.valueEnd));
        } else {
            result.append(text.substr(0, line.nameEnd)).append("=").append(value).append(text.substr(line.nameEnd));
        }
        return result;
    }

    // A new key goes after the section's last key, so comments and blank
    // lines in front of the next section stay in front of it.
    auto last = header;
    for (auto i = header + 1; i < at; ++i)
        if (lines[i].kind == LineKind::Key)
            last = i;
    auto const& anchor = lines[last];
    result.append(text.substr(0, anchor.next));
    if (text[anchor.next - 1] != '\n') {
        // The anchor is the file's last line and has no line ending.
        result.append(eol).append(key).append("=").append(value);
    } else {
        result.append(key).append("=").append(value).append(eol);
    }
    result.append(text.substr(anchor.next));
    return result;
}

SettingsFile::SettingsFile(std::string path)
    : m_path(std::move(path))
{
}

std::string SettingsFile::Read(std::string const& section, std::string const& key, std::string const& fallback) const
{
    bool exists = false;
    auto const text = readWhole(m_path, exists);
    if (!text || !exists)
        return fallback;
    auto value = ProfileLookup(*text, section, key);
    return value ? cutAtCharacter(std::move(*value)) : fallback;
}

bool SettingsFile::Write(std::string const& section, std::string const& key, std::string const& value) const
{
    std::filesystem::path target(m_path);
    std::error_code error;
    // Write through a link rather than replacing it with a plain file.
    if (std::filesystem::is_symlink(target, error)) {
        target = std::filesystem::canonical(target, error);
        if (error)
            return false;
    }
    bool exists = false;
    auto const text = readWhole(target, exists);
    if (!text)
        return false;  // never replace a file we could not read
    auto const updated = ProfileUpdate(*text, section, key, value);
    if (!updated)
        return false;
    if (exists && *updated == *text)
        return true;
    return replaceAtomically(target, *updated, exists);
}

SettingsFile ProgramSettings()
{
    return SettingsFile(ProgramFolder() + "/peizi.ini");
}

}  // namespace app
