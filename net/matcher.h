#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace net {

// One pattern run over one subject, with 1-based access to matches and
// groups. Matching is on UTF-8 characters in linear time (RE2); the dot
// never matches a line feed. A matcher belongs to one thread.
class RegexMatcher {
public:
    RegexMatcher();
    ~RegexMatcher();
    RegexMatcher(RegexMatcher const& other);
    RegexMatcher& operator=(RegexMatcher const& other);

    // False for a rejected pattern (then MatchCount() is 0).
    bool Run(std::string_view pattern, std::string_view subject, bool caseSensitive = false, bool multiline = true,
             bool global = true, bool quotePlaceholder = false);

    [[nodiscard]] int MatchCount() const;
    // 1-based; empty for numbers out of range (including 0) and for a group
    // that took no part in the match.
    [[nodiscard]] std::string MatchText(int match) const;
    [[nodiscard]] std::string SubMatchText(int match, int group) const;
    [[nodiscard]] int SubMatchCount() const;
    [[nodiscard]] std::string PatternText() const;
    // The subject of the last run with its matches (all of them after a
    // global run, else the first) replaced; "$&", "$1".."$99" and "$$" in
    // the replacement stand for the match, a group and a dollar.
    [[nodiscard]] std::string ReplaceAll(std::string_view replacement) const;

private:
    struct State;
    std::shared_ptr<State const> m_state;  // shared by copies, as the matches are
    std::string m_subject;
};

// The characters 0 to 9 of `text`, in order.
std::string DigitsOnly(std::string_view text);

}  // namespace net
