#include "download/download-record.h"

#include <climits>
#include <cstdio>
#include <string_view>
#include <utility>

#include <sqlite3.h>

namespace download {

namespace {

// Version 1: one table, one text field "photo_id"; rowid keeps the order in
// which photos were handled, the unique index makes look-ups logarithmic.
constexpr int SchemaVersion = 1;
constexpr char const* SchemaSql =
    "CREATE TABLE IF NOT EXISTS photos(photo_id TEXT NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS photos_by_id ON photos(photo_id);";

// Room under the usual 255-byte file-name limit for ".edb" and SQLite's
// "-journal", "-wal" and "-shm" companions.
constexpr std::size_t MaxNameBytes = 200;
constexpr std::size_t KeptNameBytes = 160;

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

bool execute(sqlite3* db, char const* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement prepare(sqlite3* db, char const* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

int userVersion(sqlite3* db)
{
    auto statement = prepare(db, "PRAGMA user_version");
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int(statement.get(), 0);
}

// Puts the file into WAL mode (kept in the file once set). The switch needs
// the file to itself and fails at once, without the busy handler, while
// another connection opens the same record (ensure on the window thread
// while the worker opens it): so it is tried again for a short while.
bool enableWal(sqlite3* db)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        auto statement = prepare(db, "PRAGMA journal_mode=WAL");
        if (statement && sqlite3_step(statement.get()) == SQLITE_ROW) {
            auto const* mode = reinterpret_cast<char const*>(sqlite3_column_text(statement.get(), 0));
            if (mode != nullptr && std::string_view(mode) == "wal")
                return true;
        }
        statement.reset();
        sqlite3_sleep(10);
    }
    return false;
}

// Opens (creating when missing) a record file with its table in place, in
// WAL mode with full syncs, so every committed add survives a crash.
Database openRecord(std::string const& path)
{
    sqlite3* raw = nullptr;
    int const flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    int const status = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Database db(raw);
    if (status != SQLITE_OK)
        return nullptr;
    sqlite3_extended_result_codes(db.get(), 1);
    // The window thread may ensure the file while the worker has it open.
    sqlite3_busy_timeout(db.get(), 5000);
    int const version = userVersion(db.get());
    if (version < 0)
        return nullptr;  // not a database: left as it is
    // In WAL mode a committed add survives a stopped or killed process at
    // once; NORMAL leaves the disk sync to checkpoints, which keeps a sync
    // per photo off the download's path (only a power cut can lose the
    // newest adds, and then their photos are simply fetched again).
    if (!enableWal(db.get()) || !execute(db.get(), "PRAGMA synchronous=NORMAL"))
        return nullptr;
    if (version == 0) {
        auto const create = std::string("BEGIN IMMEDIATE;") + SchemaSql +
                            "PRAGMA user_version=" + std::to_string(SchemaVersion) + ";COMMIT;";
        if (!execute(db.get(), create.c_str())) {
            execute(db.get(), "ROLLBACK");
            return nullptr;
        }
    }
    return db;
}

bool isUnsafeByte(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == '/' || c == '%' || c == '~';
}

std::string percentEncode(std::string const& key)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string name;
    name.reserve(key.size());
    for (char c : key) {
        auto const byte = static_cast<unsigned char>(c);
        if (isUnsafeByte(byte)) {
            name.push_back('%');
            name.push_back(Hex[byte >> 4]);
            name.push_back(Hex[byte & 0x0F]);
        } else {
            name.push_back(c);
        }
    }
    return name;
}

std::uint64_t fnv1a(std::string const& text)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string safeFileStem(std::string const& ownerKey)
{
    auto name = percentEncode(ownerKey);
    if (name.size() <= MaxNameBytes)
        return name;
    // Cut at a character and at a whole escape, then tell long keys apart by
    // a hash of the whole key; "~" never appears in an encoded key.
    auto cut = KeptNameBytes;
    while (cut > 0 && ((static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80 || name[cut - 1] == '%' ||
                       (cut > 1 && name[cut - 2] == '%')))
        --cut;
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(ownerKey)));
    return name.substr(0, cut) + "~" + hash;
}

}  // namespace

struct DownloadRecord::Impl {
    Database db;
    Statement lookup;
    Statement insert;
};

DownloadRecord::DownloadRecord(std::string folder)
    : m_folder(std::move(folder))
{
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
}

DownloadRecord::~DownloadRecord()
{
    close();
}

std::string DownloadRecord::pathFor(std::string const& ownerKey) const
{
    return m_folder + "/" + safeFileStem(ownerKey) + ".edb";
}

void DownloadRecord::ensure(std::string const& ownerKey)
{
    // Opening creates the file and its table; an existing record keeps its
    // rows, and a file that is no record is not touched.
    openRecord(pathFor(ownerKey));
}

void DownloadRecord::open(std::string const& ownerKey)
{
    close();
    auto db = openRecord(pathFor(ownerKey));
    if (!db)
        return;
    auto impl = std::make_unique<Impl>();
    impl->lookup = prepare(db.get(), "SELECT 1 FROM photos WHERE photo_id = ?1");
    impl->insert = prepare(db.get(), "INSERT OR IGNORE INTO photos(photo_id) VALUES(?1)");
    if (!impl->lookup || !impl->insert)
        return;
    impl->db = std::move(db);
    m_impl = std::move(impl);
}

bool DownloadRecord::isOpen() const
{
    return m_impl != nullptr;
}

bool DownloadRecord::contains(std::string const& photoId)
{
    if (!m_impl || photoId.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    auto* statement = m_impl->lookup.get();
    sqlite3_reset(statement);
    if (sqlite3_bind_text(statement, 1, photoId.data(), static_cast<int>(photoId.size()), SQLITE_STATIC) != SQLITE_OK)
        return false;
    bool const found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return found;
}

void DownloadRecord::add(std::string const& photoId)
{
    if (!m_impl || photoId.size() > static_cast<std::size_t>(INT_MAX))
        return;
    auto* statement = m_impl->insert.get();
    sqlite3_reset(statement);
    // Autocommit: the row is synced to the log before step returns.
    if (sqlite3_bind_text(statement, 1, photoId.data(), static_cast<int>(photoId.size()), SQLITE_STATIC) == SQLITE_OK)
        sqlite3_step(statement);
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

void DownloadRecord::close()
{
    // Statements before the connection, as SQLite requires.
    if (m_impl) {
        m_impl->lookup.reset();
        m_impl->insert.reset();
        m_impl->db.reset();
    }
    m_impl.reset();
}

DateWindow FormDateWindow(std::string const& dateWindowSetting, net::DateTime const& start, net::DateTime const& end)
{
    if (dateWindowSetting != "1")
        return {};
    return {net::UnixSeconds(start), net::UnixSeconds(end)};
}

}  // namespace download
