#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/text.h"

namespace download {

// The per-owner record of handled photo identifiers: SQLite file
// `OwnerKey` + ".edb" in the given folder. A file that cannot be created or
// opened makes contains() answer false and add() do nothing; nothing throws.
// Used by one thread at a time.
class DownloadRecord {
public:
    explicit DownloadRecord(std::string folder);
    ~DownloadRecord();
    DownloadRecord(DownloadRecord const&) = delete;
    DownloadRecord& operator=(DownloadRecord const&) = delete;

    // Creates the file when missing; leaves an existing one untouched.
    void ensure(std::string const& ownerKey);
    void open(std::string const& ownerKey);
    [[nodiscard]] bool contains(std::string const& photoId);
    // Durable when it returns.
    void add(std::string const& photoId);
    void close();
    // True between a successful open() and close().
    [[nodiscard]] bool isOpen() const;

    // The file for an owner key, made safe: never outside the folder. "/",
    // "%", "~" and control bytes are percent-encoded; a name too long for the
    // file system keeps its start and gets "~" and a hash of the whole key.
    // The empty key gives ".edb".
    [[nodiscard]] std::string pathFor(std::string const& ownerKey) const;

private:
    struct Impl;
    std::string m_folder;
    std::unique_ptr<Impl> m_impl;
};

// Upload-date bounds in UnixSeconds.
struct DateWindow {
    std::int64_t start = 0;
    std::int64_t end = 9999999999;
};

// With `dateWindowSetting` "1", the two date-times; otherwise 0 .. 9999999999.
DateWindow FormDateWindow(std::string const& dateWindowSetting, net::DateTime const& start, net::DateTime const& end);

}  // namespace download
