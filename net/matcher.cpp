#include "net/matcher.h"

#include <vector>

#include <re2/re2.h>

#include "net/text.h"

namespace net {

namespace {

// Byte length of the UTF-8 character that starts with `lead` (1 for a stray
// continuation byte, so a scan always moves on).
std::size_t characterLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The replacement with "$&" (the match), "$1".."$99" (its groups) and "$$"
// (a dollar) filled in; any other "$" stands for itself.
void appendReplacement(std::string& out, std::string_view replacement, std::vector<std::string> const& texts)
{
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = 0; at < replacement.size(); ++at) {
        char const c = replacement[at];
        if (c != '$' || at + 1 == replacement.size()) {
            out += c;
            continue;
        }
        char const next = replacement[at + 1];
        if (next == '$') {
            out += '$';
            ++at;
        } else if (next == '&') {
            out += texts[0];
            ++at;
        } else if (isDigit(next) && next != '0') {
            std::size_t group = static_cast<std::size_t>(next - '0');
            std::size_t width = 1;
            if (at + 2 < replacement.size() && isDigit(replacement[at + 2])) {
                auto const twoDigits = group * 10 + static_cast<std::size_t>(replacement[at + 2] - '0');
                if (twoDigits < texts.size()) {
                    group = twoDigits;
                    width = 2;
                }
            }
            if (group < texts.size()) {
                out += texts[group];
                at += width;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
}

}  // namespace

struct RegexMatcher::State {
    struct Match {
        std::size_t offset = 0;  // byte offset of the match in the subject
        std::vector<std::string> texts;  // [0] the whole match, then groups 1..n
    };

    std::string pattern;
    std::vector<Match> matches;
    int groupCount = 0;
};

RegexMatcher::RegexMatcher() = default;
RegexMatcher::~RegexMatcher() = default;
RegexMatcher::RegexMatcher(RegexMatcher const& other) = default;
RegexMatcher& RegexMatcher::operator=(RegexMatcher const& other) = default;

bool RegexMatcher::Run(std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiline,
                       bool global, bool quotePlaceholder)
{
    auto state = std::make_shared<State>();
    state->pattern = quotePlaceholder ? ReplaceText(pattern, "#引号", "\"") : std::string(pattern);
    m_subject.assign(subject);
    m_state = state;

    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingUTF8);
    options.set_case_sensitive(caseSensitive);
    options.set_dot_nl(false);  // the dot never crosses a line feed
    options.set_log_errors(false);
    // RE2 reads the flag only as part of the pattern; a leading flag group
    // leaves the pattern's own groups and their numbers as they are.
    RE2 const regex(multiline ? "(?m)" + state->pattern : state->pattern, options);
    if (!regex.ok())
        return false;

    state->groupCount = regex.NumberOfCapturingGroups();
    std::vector<re2::StringPiece> pieces(static_cast<std::size_t>(state->groupCount) + 1);
    re2::StringPiece const text(m_subject);
    std::size_t position = 0;
    while (position <= text.size() &&
           regex.Match(text, position, text.size(), RE2::UNANCHORED, pieces.data(), static_cast<int>(pieces.size()))) {
        State::Match match;
        match.offset = static_cast<std::size_t>(pieces[0].data() - text.data());
        match.texts.reserve(pieces.size());
        for (auto const& piece : pieces)  // a group that took no part has no data: empty
            match.texts.emplace_back(piece.data() == nullptr ? std::string() : std::string(piece));
        auto const end = match.offset + pieces[0].size();
        bool const empty = pieces[0].empty();
        state->matches.push_back(std::move(match));
        if (!global)
            break;
        // After an empty match the next search starts one whole character on.
        if (empty) {
            if (end >= text.size())
                break;
            position = end + characterLength(static_cast<unsigned char>(text[end]));
        } else {
            position = end;
        }
    }
    return true;
}

int RegexMatcher::MatchCount() const
{
    return m_state ? static_cast<int>(m_state->matches.size()) : 0;
}

std::string RegexMatcher::MatchText(int match) const
{
    if (match < 1 || match > MatchCount())
        return {};
    return m_state->matches[static_cast<std::size_t>(match - 1)].texts[0];
}

std::string RegexMatcher::SubMatchText(int match, int group) const
{
    if (match < 1 || match > MatchCount() || group < 1)
        return {};
    auto const& texts = m_state->matches[static_cast<std::size_t>(match - 1)].texts;
    if (static_cast<std::size_t>(group) >= texts.size())
        return {};
    return texts[static_cast<std::size_t>(group)];
}

int RegexMatcher::SubMatchCount() const
{
    return MatchCount() > 0 ? m_state->groupCount : 0;
}

std::string RegexMatcher::PatternText() const
{
    return m_state ? m_state->pattern : std::string();
}

std::string RegexMatcher::ReplaceAll(std::string_view replacement) const
{
    if (!m_state)
        return m_subject;
    std::string out;
    out.reserve(m_subject.size());
    std::size_t copied = 0;
    for (auto const& match : m_state->matches) {
        out.append(m_subject, copied, match.offset - copied);
        appendReplacement(out, replacement, match.texts);
        copied = match.offset + match.texts[0].size();
    }
    out.append(m_subject, copied);
    return out;
}

std::string DigitsOnly(std::string_view text)
{
    RegexMatcher matcher;
    matcher.Run("[0-9]", text);
    std::string digits;
    for (int n = 1; n <= matcher.MatchCount(); ++n)
        digits += matcher.MatchText(n);
    return digits;
}

}  // namespace net
