#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "download/download-record.h"
#include "tests/support/sandbox.h"

namespace {

using download::DownloadRecord;
using testing_support::ReadFile;
using testing_support::WriteFile;

class DownloadRecordTest : public ::testing::Test {
protected:
    testing_support::Sandbox sandbox;
    std::filesystem::path folder = sandbox.root() / "records";

    void SetUp() override { std::filesystem::create_directories(folder); }

    // The stored identifiers in stored order, read past the class.
    [[nodiscard]] std::vector<std::string> storedRows(std::string const& ownerKey) const
    {
        std::vector<std::string> rows;
        sqlite3* db = nullptr;
        auto const path = DownloadRecord(folder.string()).pathFor(ownerKey);
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            sqlite3_prepare_v2(db, "SELECT photo_id FROM photos ORDER BY rowid", -1, &statement, nullptr);
            while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW)
                rows.emplace_back(reinterpret_cast<char const*>(sqlite3_column_text(statement, 0)),
                                  static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return rows;
    }

    // Every regular file under the sandbox, relative to its root.
    [[nodiscard]] std::set<std::string> filesInSandbox() const
    {
        std::set<std::string> files;
        for (auto const& entry : std::filesystem::recursive_directory_iterator(sandbox.root()))
            if (entry.is_regular_file())
                files.insert(std::filesystem::relative(entry.path(), sandbox.root()).string());
        return files;
    }
};

TEST_F(DownloadRecordTest, RecordsSurviveARestartInOrderWithoutRepeats)
{
    {
        DownloadRecord record(folder.string());
        record.ensure("alice");
        record.open("alice");
        ASSERT_TRUE(record.isOpen());
        EXPECT_FALSE(record.contains("2155058360"));
        for (auto const* id : {"2155058360", "17", "2155058360", "900"})
            if (!record.contains(id))
                record.add(id);
        record.add("17");  // a repeat add keeps one row
        record.close();
        EXPECT_FALSE(record.isOpen());
        EXPECT_FALSE(record.contains("17"));
    }
    DownloadRecord later(folder.string());
    later.ensure("alice");  // leaves the existing record as it is
    later.open("alice");
    EXPECT_TRUE(later.contains("2155058360"));
    EXPECT_TRUE(later.contains("17"));
    EXPECT_TRUE(later.contains("900"));
    EXPECT_FALSE(later.contains("1"));
    EXPECT_FALSE(later.contains("90"));
    EXPECT_FALSE(later.contains(""));
    later.close();
    EXPECT_EQ(storedRows("alice"), (std::vector<std::string>{"2155058360", "17", "900"}));
}

TEST_F(DownloadRecordTest, FileHasItsSchemaVersionAndOneTextField)
{
    DownloadRecord(folder.string()).ensure("bob");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((folder / "bob.edb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    auto single = [db](char const* sql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        std::string value;
        if (sqlite3_step(statement) == SQLITE_ROW)
            value = reinterpret_cast<char const*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return value;
    };
    EXPECT_EQ(single("PRAGMA user_version"), "1");
    EXPECT_EQ(single("SELECT group_concat(name || ':' || type) FROM pragma_table_info('photos')"), "photo_id:TEXT");
    sqlite3_close(db);
}

TEST_F(DownloadRecordTest, OwnersStayApart)
{
    DownloadRecord record(folder.string());
    record.open("alice");
    record.add("1");
    record.open("bob");  // opening another owner closes the first
    EXPECT_FALSE(record.contains("1"));
    record.add("2");
    record.open("alice");
    EXPECT_TRUE(record.contains("1"));
    EXPECT_FALSE(record.contains("2"));
}

TEST_F(DownloadRecordTest, LongIdentifiersAreStoredWholeAndMatchExactly)
{
    std::string const longId = std::string(5000, '7') + "x";
    std::string const prefix = longId.substr(0, 20);
    DownloadRecord record(folder.string());
    record.open("carol");
    record.add(longId);
    EXPECT_TRUE(record.contains(longId));
    EXPECT_FALSE(record.contains(prefix));
    EXPECT_FALSE(record.contains(longId.substr(0, longId.size() - 1)));
    record.add(prefix);
    EXPECT_TRUE(record.contains(prefix));
    EXPECT_FALSE(record.contains("ABC"));
    record.add("abc");
    EXPECT_FALSE(record.contains("ABC")) << "look-ups are case-sensitive";
    record.close();
    EXPECT_EQ(storedRows("carol"), (std::vector<std::string>{longId, prefix, "abc"}));
}

TEST_F(DownloadRecordTest, OwnerKeysNeverNameAFileOutsideTheFolder)
{
    std::vector<std::string> const keys = {
        "", ".", "..", "../escape", "/", "/etc/passwd", "a/b", "a%2Fb", "%", "~", "a\nb", "旅行", "..edb",
        std::string(300, 'k'), std::string(300, 'k') + "2", std::string(120, '/'), std::string(100, '/') + "x",
    };
    DownloadRecord record(folder.string());
    std::set<std::string> paths;
    for (auto const& key : keys) {
        std::filesystem::path const path = record.pathFor(key);
        EXPECT_EQ(path.parent_path(), folder) << key;
        EXPECT_LE(path.filename().string().size(), 210u) << key;
        EXPECT_TRUE(paths.insert(path.string()).second) << "two keys share " << path;
        EXPECT_EQ(record.pathFor(key), path.string()) << "stable";

        record.ensure(key);
        EXPECT_TRUE(std::filesystem::is_regular_file(path)) << key;
        record.open(key);
        record.add("id of " + key);
        record.close();
    }
    EXPECT_EQ(record.pathFor(""), (folder / ".edb").string());
    EXPECT_EQ(record.pathFor("alice"), (folder / "alice.edb").string());
    EXPECT_EQ(record.pathFor("a/b"), (folder / "a%2Fb.edb").string());

    for (auto const& file : filesInSandbox())
        EXPECT_TRUE(file.starts_with("records/") && file.find('/', 8) == std::string::npos) << file;
    for (auto const& key : keys) {
        record.open(key);
        EXPECT_TRUE(record.contains("id of " + key)) << key;
    }
}

TEST_F(DownloadRecordTest, AFileThatCannotBeUsedIsSilent)
{
    // A plain file where the folder should be: nothing can be created.
    WriteFile(sandbox.root() / "not-a-folder", "x");
    DownloadRecord blocked((sandbox.root() / "not-a-folder").string());
    blocked.ensure("alice");
    blocked.open("alice");
    EXPECT_FALSE(blocked.isOpen());
    blocked.add("1");
    EXPECT_FALSE(blocked.contains("1"));
    blocked.close();
    EXPECT_EQ(ReadFile(sandbox.root() / "not-a-folder"), "x");

    // A file of that name that is no record is left exactly as it was.
    std::string const foreign = "this is not a database, but it is somebody's file\n";
    WriteFile(folder / "dave.edb", foreign);
    DownloadRecord record(folder.string());
    record.ensure("dave");
    record.open("dave");
    EXPECT_FALSE(record.isOpen());
    record.add("1");
    EXPECT_FALSE(record.contains("1"));
    record.close();
    EXPECT_EQ(ReadFile(folder / "dave.edb"), foreign);

    // Used without open: the same.
    DownloadRecord unopened(folder.string());
    unopened.add("1");
    EXPECT_FALSE(unopened.contains("1"));
}

TEST_F(DownloadRecordTest, EveryAddIsDurableWhenItReturns)
{
    DownloadRecord writer(folder.string());
    writer.open("erin");
    writer.add("1");
    DownloadRecord reader(folder.string());
    reader.open("erin");
    EXPECT_TRUE(reader.contains("1")) << "a second connection sees the add before close";
    writer.add("2");
    EXPECT_TRUE(reader.contains("2"));

    // A job killed after its adds: they count for the next run.
    pid_t const child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DownloadRecord killed(folder.string());
        killed.open("erin");
        killed.add("3");
        ::kill(::getpid(), SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    writer.close();
    reader.close();
    DownloadRecord next(folder.string());
    next.open("erin");
    EXPECT_TRUE(next.contains("3"));
    next.close();
    EXPECT_EQ(storedRows("erin"), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(DownloadRecordTest, EnsureOnAnotherThreadWhileTheWorkerAdds)
{
    std::thread worker([this] {
        DownloadRecord record(folder.string());
        record.open("frank");
        for (int i = 0; i < 40; ++i)
            record.add(std::to_string(i));
    });
    DownloadRecord window(folder.string());
    for (int i = 0; i < 40; ++i)
        window.ensure("frank");
    worker.join();
    EXPECT_EQ(storedRows("frank").size(), 40u);
}

TEST(FormDateWindow, OnlyTheSettingOneUsesThePickers)
{
    net::DateTime const start{2020, 1, 1, 0, 0, 0};
    net::DateTime const end{1970, 1, 1, 8, 0, 1};
    auto const on = download::FormDateWindow("1", start, end);
    EXPECT_EQ(on.start, net::UnixSeconds(start));
    EXPECT_EQ(on.start, 1577808000);
    EXPECT_EQ(on.end, 1);
    for (auto const* setting : {"0", "", "01", "1 ", "true", "2"}) {
        auto const off = download::FormDateWindow(setting, start, end);
        EXPECT_EQ(off.start, 0) << setting;
        EXPECT_EQ(off.end, 9999999999) << setting;
    }
}

}  // namespace
