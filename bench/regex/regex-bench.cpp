// Shows that a page built to make a backtracking engine explode is scanned
// in time linear in its size: the thumbnail pattern over a one-line page of
// 100,000 unterminated "<img src=\"http://" openings, against an ordinary
// album page of the same size, and the hostile page at 1 MB against 5 MB.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "net/matcher.h"

namespace {

constexpr char const* ThumbnailPattern = "<img src=\"http://(.*?)/view/photo/thumb/public/p(.*?).jpg\" />";
constexpr std::size_t MiB = 1024 * 1024;
constexpr int Openings = 100000;
constexpr int Rounds = 9;

// One line: `openings` copies of the opening, padded evenly to `size` bytes,
// never followed by the rest of the pattern.
std::string hostilePage(std::size_t size, int openings)
{
    std::string const opening = "<img src=\"http://";
    std::size_t const piece = size / static_cast<std::size_t>(openings);
    std::string const filler(piece > opening.size() ? piece - opening.size() : 0, 'x');
    std::string page;
    page.reserve(size);
    for (int i = 0; i < openings; ++i)
        page += opening + filler;
    page.resize(size, 'x');
    return page;
}

// Album markup as the site serves it: one photo block per thumbnail.
std::string ordinaryPage(std::size_t size, int& thumbnails)
{
    std::string page = "<html><body><div class=\"photolst\">\n";
    thumbnails = 0;
    while (page.size() < size) {
        auto const id = std::to_string(2230000000 + thumbnails);
        page += "<div class=\"photo_wrap\">\n"
                "    <a href=\"https://site.test/photos/photo/" + id + "/\" class=\"photolst_photo\" title=\"海边\">\n"
                "        <img src=\"http://img3.site.test/view/photo/thumb/public/p" + id + ".jpg\" />\n"
                "    </a>\n"
                "    <div class=\"photo_descri\"><div class=\"pl\">旅行🌸 2015 秋天的海边，风很大。</div></div>\n"
                "</div>\n";
        ++thumbnails;
    }
    return page;
}

struct Sample {
    std::string page;
    double bestSeconds = 1e300;
    int matches = 0;

    [[nodiscard]] double millisecondsPerMiB() const
    {
        return bestSeconds * 1000 / (static_cast<double>(page.size()) / MiB);
    }
};

void runOnce(Sample& sample)
{
    net::RegexMatcher matcher;
    auto const started = std::chrono::steady_clock::now();
    matcher.Run(ThumbnailPattern, sample.page);
    std::chrono::duration<double> const elapsed = std::chrono::steady_clock::now() - started;
    sample.bestSeconds = std::min(sample.bestSeconds, elapsed.count());
    sample.matches = matcher.MatchCount();
}

}  // namespace

int main()
{
    int thumbnails = 0;
    Sample ordinary{ordinaryPage(5 * MiB, thumbnails)};
    Sample hostile{hostilePage(5 * MiB, Openings)};
    Sample hostileSmall{hostilePage(1 * MiB, Openings / 5)};
    // Rounds interleave the pages so that load from elsewhere on the machine
    // falls on all of them alike; the best round of each counts.
    for (int round = 0; round < Rounds; ++round) {
        for (auto* sample : {&ordinary, &hostile, &hostileSmall})
            runOnce(*sample);
    }

    std::printf("thumbnail pattern, best of %d runs\n", Rounds);
    std::printf("  ordinary page 5 MB (%d thumbnails, %d matches): %8.2f ms/MB\n", thumbnails, ordinary.matches,
                ordinary.millisecondsPerMiB());
    std::printf("  hostile page  5 MB (%d openings, %d matches):  %8.2f ms/MB\n", Openings, hostile.matches,
                hostile.millisecondsPerMiB());
    std::printf("  hostile page  1 MB (%d openings, %d matches):   %8.2f ms/MB\n", Openings / 5,
                hostileSmall.matches, hostileSmall.millisecondsPerMiB());
    std::printf("ratio hostile / ordinary, 5 MB:    %.2f\n", hostile.millisecondsPerMiB() / ordinary.millisecondsPerMiB());
    std::printf("ratio per MB hostile 5 MB / 1 MB:  %.2f (1.00 = linear)\n",
                hostile.millisecondsPerMiB() / hostileSmall.millisecondsPerMiB());
    return 0;
}
