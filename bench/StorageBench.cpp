// Storage engine throughput on the book's access pattern, beside SQLite doing the same work in the
// same run: for each new position a lookup that misses, a variable-length record of 60..200 bytes
// and a 34-byte key; then random lookups that read the record back. Printed as operations per
// second and as a ratio (ours / SQLite's), for page caches of 31 and 4096 buffers, plus the
// journaled mode, which flushes three files per operation.
//
// MARVEK_BENCH_OPS overrides the number of operations (default 1,000,000).

#include "storage/Isam.h"
#include "storage/StorageSession.h"

#include <sqlite3.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace marvek;
using Clock = std::chrono::steady_clock;

constexpr int kKeyBytes = 34;
constexpr int kSlotBytes = 64;

struct TWork {
    std::vector<std::array<uint8_t, kKeyBytes>> itsKeys;
    std::vector<std::vector<uint8_t>> itsRecords;
    std::vector<uint32_t> itsLookups; // indexes into itsKeys
};

TWork MakeWork(size_t count) {
    TWork work;
    std::mt19937_64 random(20261210);
    work.itsKeys.resize(count);
    work.itsRecords.resize(count);
    std::uniform_int_distribution<int> length(60, 200);
    for (size_t i = 0; i < count; ++i) {
        for (auto& b : work.itsKeys[i]) b = static_cast<uint8_t>(random());
        auto& record = work.itsRecords[i];
        record.resize(static_cast<size_t>(length(random)));
        for (auto& b : record) b = static_cast<uint8_t>(random());
        record[0] = record[1] = record[2] = record[3] = 0;
    }
    std::uniform_int_distribution<uint32_t> pick(0, static_cast<uint32_t>(count - 1));
    work.itsLookups.resize(count);
    for (auto& l : work.itsLookups) l = pick(random);
    return work;
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct TFigures {
    double itsInserts = 0; // operations per second
    double itsLookups = 0;
};

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "storage benchmark: %s\n", what.c_str());
    std::exit(1);
}

TFigures RunEngine(const TWork& work, const std::string& base, int buffers, bool journaled, size_t count) {
    TStorageSession storage(buffers);
    TKeyDescription keys[] = {{kKeyBytes, false}};
    BTCreateDatabase(base, kSlotBytes, 1, keys);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, base, false, journaled);
    if (!IsamOK()) Die("open " + std::to_string(IsamError()));
    std::vector<uint8_t> buffer(kMaxVariableRead);
    TFigures figures;

    auto start = Clock::now();
    for (size_t i = 0; i < count; ++i) {
        TIsamKey key = MakeIsamKey({reinterpret_cast<const char*>(work.itsKeys[i].data()), kKeyBytes});
        BTFindKey(db, 1, key);
        if (IsamError() != kIsamKeyNotFound) Die("unexpected find result " + std::to_string(IsamError()));
        const auto& record = work.itsRecords[i];
        RecRef ref = BTAddVariableRec(db, record.data(), static_cast<uint16_t>(record.size()));
        BTAddKey(db, 1, key, ref);
        if (!IsamOK()) Die("add " + std::to_string(IsamError()));
    }
    figures.itsInserts = static_cast<double>(count) / Seconds(start);

    start = Clock::now();
    size_t bytes = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t which = work.itsLookups[i] % count;
        TIsamKey key = MakeIsamKey({reinterpret_cast<const char*>(work.itsKeys[which].data()), kKeyBytes});
        RecRef ref = BTFindKey(db, 1, key);
        bytes += BTGetVariableRec(db, ref, buffer.data());
        if (!IsamOK()) Die("lookup " + std::to_string(IsamError()));
    }
    figures.itsLookups = static_cast<double>(count) / Seconds(start);
    BTCloseDatabase(db);
    if (bytes == 0) Die("nothing read");
    return figures;
}

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        Die(std::string("sqlite ") + what + ": " + sqlite3_errmsg(db));
}

TFigures RunSqlite(const TWork& work, const std::string& path, size_t count, bool transactionPerOp) {
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db, "open");
    Check(sqlite3_exec(db, "CREATE TABLE book(k BLOB PRIMARY KEY, v BLOB) WITHOUT ROWID", nullptr, nullptr,
                       nullptr),
          db, "create");
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT v FROM book WHERE k = ?", -1, &find, nullptr), db, "prepare");
    Check(sqlite3_prepare_v2(db, "INSERT INTO book VALUES (?, ?)", -1, &insert, nullptr), db, "prepare");
    TFigures figures;

    auto start = Clock::now();
    if (!transactionPerOp) Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    for (size_t i = 0; i < count; ++i) {
        sqlite3_bind_blob(find, 1, work.itsKeys[i].data(), kKeyBytes, SQLITE_STATIC);
        if (sqlite3_step(find) != SQLITE_DONE) Die("sqlite: key unexpectedly present");
        sqlite3_reset(find);
        const auto& record = work.itsRecords[i];
        sqlite3_bind_blob(insert, 1, work.itsKeys[i].data(), kKeyBytes, SQLITE_STATIC);
        sqlite3_bind_blob(insert, 2, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
        Check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    if (!transactionPerOp) Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    figures.itsInserts = static_cast<double>(count) / Seconds(start);

    start = Clock::now();
    size_t bytes = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t which = work.itsLookups[i] % count;
        sqlite3_bind_blob(find, 1, work.itsKeys[which].data(), kKeyBytes, SQLITE_STATIC);
        if (sqlite3_step(find) != SQLITE_ROW) Die("sqlite: key missing");
        bytes += static_cast<size_t>(sqlite3_column_bytes(find, 0));
        sqlite3_reset(find);
    }
    figures.itsLookups = static_cast<double>(count) / Seconds(start);
    sqlite3_finalize(find);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    if (bytes == 0) Die("nothing read");
    return figures;
}

void Row(const char* what, double ours, double theirs) {
    std::printf("  %-34s %12.0f %12.0f %8.2f\n", what, ours, theirs, ours / theirs);
}

} // namespace

int main() try {
    size_t count = 1'000'000;
    if (const char* ops = std::getenv("MARVEK_BENCH_OPS")) count = std::strtoull(ops, nullptr, 10);
    if (count < 1000) count = 1000;
    auto folder =
        std::filesystem::temp_directory_path() / ("marvek-storage-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    TWork work = MakeWork(count);

    std::printf("storage: %zu positions (34-byte key, 60..200-byte record), then %zu random lookups\n", count,
                count);
    std::printf("  %-34s %12s %12s %8s\n", "", "Marvek op/s", "SQLite op/s", "ratio");
    TFigures sqlite = RunSqlite(work, (folder / "book.sqlite").string(), count, false);
    for (int buffers : {31, 4096}) {
        TFigures ours =
            RunEngine(work, (folder / ("book" + std::to_string(buffers))).string(), buffers, false, count);
        std::string label = std::to_string(buffers) + " page buffers";
        Row((label + ", insert").c_str(), ours.itsInserts, sqlite.itsInserts);
        Row((label + ", lookup").c_str(), ours.itsLookups, sqlite.itsLookups);
    }

    // Durable per operation on both sides: our journal against SQLite's transaction per statement.
    size_t small = std::min<size_t>(count, 10'000);
    TFigures journaled = RunEngine(work, (folder / "journaled").string(), 31, true, small);
    TFigures durable = RunSqlite(work, (folder / "durable.sqlite").string(), small, true);
    Row("journaled, 10,000 inserts", journaled.itsInserts, durable.itsInserts);
    std::printf("  (SQLite: one transaction for the bulk rows, default cache of 2000 KiB; "
                "journaled row: one transaction per statement)\n");
    std::filesystem::remove_all(folder);
    return 0;
} catch (const std::exception& error) {
    Die(error.what());
}
