// Look-up and add rates of the download record over an owner with 200,000
// recorded photos, beside an in-memory hash set doing the same look-ups.
//
// Usage: bench-record [folder]   (default: ./record-bench-data, removed after)
// The folder should be on the disk the program's folder lives on: adds are
// synced, so their cost is the disk's.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include <sqlite3.h>

#include "download/download-record.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Recorded = 200000;
constexpr int LookUps = 200000;
constexpr int Adds = 300;
constexpr int Opens = 200;

// Ten-digit identifiers like the site's; even offsets are recorded, odd
// ones never are, so misses look like real new photos.
std::string photoId(long long n)
{
    return std::to_string(2155058360LL + 2 * n);
}
std::string newPhotoId(long long n)
{
    return std::to_string(2155058360LL + 2 * n + 1);
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Fills the owner's record in one transaction: 200,000 synced adds would
// time the disk for minutes, not the look-up.
bool fill(std::string const& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO photos(photo_id) VALUES(?1)", -1, &insert, nullptr);
    bool ok = insert != nullptr;
    for (int i = 0; ok && i < Recorded; ++i) {
        auto const id = photoId(i);
        sqlite3_bind_text(insert, 1, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(db);
    return ok;
}

struct Rate {
    double perSecond = 0;
    int found = 0;
};

template <typename Contains>
Rate timeLookUps(std::vector<std::string> const& ids, Contains&& contains)
{
    Rate rate;
    auto const start = Clock::now();
    for (auto const& id : ids)
        rate.found += contains(id) ? 1 : 0;
    rate.perSecond = static_cast<double>(ids.size()) / secondsSince(start);
    return rate;
}

void report(char const* what, Rate const& record, Rate const& baseline)
{
    std::printf("record contains, %-6s %10.0f look-ups/s  %6.2f us each  (%.1fx the cost of an in-memory hash set, "
                "%d found)\n",
                what, record.perSecond, 1e6 / record.perSecond, baseline.perSecond / record.perSecond, record.found);
}

}  // namespace

int main(int argc, char** argv)
{
    std::filesystem::path const folder = argc > 1 ? argv[1] : "record-bench-data";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    download::DownloadRecord record(folder.string());
    record.ensure("bench");
    if (!fill(record.pathFor("bench"))) {
        std::fprintf(stderr, "cannot fill %s\n", record.pathFor("bench").c_str());
        return 1;
    }

    std::mt19937_64 random(42);
    std::uniform_int_distribution<long long> pick(0, Recorded - 1);
    std::vector<std::string> hits;
    std::vector<std::string> misses;
    for (int i = 0; i < LookUps; ++i) {
        hits.push_back(photoId(pick(random)));
        misses.push_back(newPhotoId(pick(random)));
    }
    std::unordered_set<std::string> memory;
    for (int i = 0; i < Recorded; ++i)
        memory.insert(photoId(i));
    auto inMemory = [&memory](std::string const& id) { return memory.count(id) > 0; };

    record.open("bench");
    if (!record.isOpen()) {
        std::fprintf(stderr, "cannot open the record\n");
        return 1;
    }
    auto inRecord = [&record](std::string const& id) { return record.contains(id); };
    std::printf("download record of %d photos in %s\n", Recorded, std::filesystem::absolute(folder).c_str());
    report("hits", timeLookUps(hits, inRecord), timeLookUps(hits, inMemory));
    auto const missRate = timeLookUps(misses, inRecord);
    report("misses", missRate, timeLookUps(misses, inMemory));

    auto start = Clock::now();
    for (int i = 0; i < Adds; ++i)
        record.add(newPhotoId(Recorded + i));
    double const addSeconds = secondsSince(start) / Adds;
    std::printf("record add (synced)     %10.0f adds/s      %6.0f us each\n", 1 / addSeconds, addSeconds * 1e6);
    record.close();

    start = Clock::now();
    for (int i = 0; i < Opens; ++i) {
        record.open("bench");
        record.close();
    }
    double const openSeconds = secondsSince(start) / Opens;
    std::printf("record open + close     %10.0f per s       %6.0f us each (once per album)\n", 1 / openSeconds,
                openSeconds * 1e6);

    // Per photo a job does one look-up and, for a new photo, one add.
    std::printf("record cost per new photo: %.0f us (look-up + add)\n", 1e6 / missRate.perSecond + addSeconds * 1e6);
    std::filesystem::remove_all(folder);
    return 0;
}
