// Random operations on key indexes, checked step by step against std::set / std::multiset.

#include "IsamTestBase.h"
#include "storage/Verifier.h"

#include <random>
#include <set>

namespace marvek::test {
namespace {

using TEntry = std::pair<std::string, RecRef>;

struct TModelCase {
    const char* itsName;
    bool itsDups;
    int itsKeyLength;
    int itsBuffers;
    int itsOperations;
    // Adds come mostly in ascending runs, each key just past the one before, as bulk writes add
    // them: most go straight to the leaf the last one went to.
    bool itsAscending = false;
};

void PrintTo(const TModelCase& c, std::ostream* out) {
    *out << c.itsName;
}

class IsamModelTest : public IsamTest, public ::testing::WithParamInterface<TModelCase> {};

std::string RandomKey(std::mt19937& random, int maxLength) {
    // A small alphabet makes equal keys and shared prefixes common.
    std::uniform_int_distribution<int> length(1, maxLength);
    std::uniform_int_distribution<int> byte(0, 7);
    std::string key(static_cast<size_t>(length(random)), 'a');
    for (char& c : key) {
        int b = byte(random);
        c = static_cast<char>(b == 7 ? 0xE9 : 'a' + b);
    }
    return key;
}

TEST_P(IsamModelTest, AgreesWithStandardContainers) {
    const TModelCase& c = GetParam();
    StartWith(c.itsBuffers);
    TKeyDescription keys[] = {{c.itsKeyLength, c.itsDups}};
    BTCreateDatabase(Base(), 32, 1, keys);
    ASSERT_TRUE(IsamOK()) << IsamError();
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    ASSERT_TRUE(IsamOK()) << IsamError();

    std::mt19937 random(1234);
    std::set<TEntry> model; // without duplicates the reference is ignored for identity
    std::uniform_int_distribution<int> op(0, 99);
    std::uniform_int_distribution<RecRef> refs(1, 50);
    // Key lengths range over the whole index length, but most keys stay short to collide.
    int shortLength = std::min(c.itsKeyLength, 5);

    auto findKey = [&](const std::string& key) -> std::set<TEntry>::iterator {
        return model.lower_bound({key, c.itsDups ? 0 : 0});
    };

    std::string lastAdded;
    for (int step = 0; step < c.itsOperations; ++step) {
        int kind = op(random);
        std::string key = RandomKey(random, (step % 7 == 0) ? c.itsKeyLength : shortLength);
        if (c.itsAscending && kind < 45 && step % 50 != 0) {
            std::string next = lastAdded + RandomKey(random, 2);
            if (next.size() <= static_cast<size_t>(c.itsKeyLength)) key = next;
        }
        if (kind < 45) lastAdded = key;
        RecRef ref = refs(random);
        SCOPED_TRACE("step " + std::to_string(step));
        if (step == c.itsOperations / 2) {
            BTClearIndex(db, 1);
            ASSERT_TRUE(IsamOK());
            model.clear();
        } else if (kind < 45) {
            auto same = findKey(key);
            bool present =
                c.itsDups ? model.count({key, ref}) != 0 : (same != model.end() && same->first == key);
            BTAddKey(db, 1, K(key), ref);
            if (present) {
                ASSERT_EQ(IsamError(), isam::kAlreadyPresent);
            } else {
                ASSERT_TRUE(IsamOK()) << IsamError();
                model.insert({key, ref});
            }
        } else if (kind < 60) {
            // Delete mostly what is there.
            if (!model.empty() && kind < 55) {
                auto it = model.lower_bound({key, 0});
                if (it == model.end()) it = model.begin();
                key = it->first;
                ref = it->second;
            }
            auto same = findKey(key);
            bool present =
                c.itsDups ? model.count({key, ref}) != 0 : (same != model.end() && same->first == key);
            BTDeleteKey(db, 1, K(key), ref);
            if (present) {
                ASSERT_TRUE(IsamOK()) << IsamError();
                model.erase(c.itsDups ? model.find({key, ref}) : same);
            } else {
                ASSERT_EQ(IsamError(), isam::kNotPresent);
            }
        } else if (kind < 70) {
            RecRef found = BTFindKey(db, 1, K(key));
            auto it = model.lower_bound({key, 0});
            if (it != model.end() && it->first == key) {
                ASSERT_TRUE(IsamOK()) << IsamError();
                ASSERT_EQ(found, it->second);
            } else {
                ASSERT_EQ(IsamError(), isam::kKeyNotFound);
            }
        } else if (kind < 78) {
            TIsamKey k = K(key);
            RecRef found = BTFindAtLeast(db, 1, k);
            auto it = model.lower_bound({key, 0});
            if (it == model.end()) {
                ASSERT_EQ(IsamError(), isam::kNoneAtLeast);
            } else {
                ASSERT_TRUE(IsamOK()) << IsamError();
                ASSERT_EQ(Text(k), it->first);
                ASSERT_EQ(found, it->second);
            }
        } else if (kind < 84) {
            TIsamKey k = K(key);
            RecRef found = BTFindFollowing(db, 1, k);
            auto it = model.upper_bound({key, INT32_MAX});
            if (it == model.end()) {
                ASSERT_EQ(IsamError(), isam::kNoneFollowing);
            } else {
                ASSERT_TRUE(IsamOK()) << IsamError();
                ASSERT_EQ(Text(k), it->first);
                ASSERT_EQ(found, it->second);
            }
        } else if (kind < 90) {
            TIsamKey k = K(key);
            RecRef found = BTFindPreceding(db, 1, k);
            auto it = model.lower_bound({key, 0});
            if (model.empty()) {
                ASSERT_EQ(IsamError(), isam::kNonePreceding);
            } else if (it == model.end()) {
                ASSERT_TRUE(IsamOK()) << IsamError();
                ASSERT_EQ(Text(k), model.rbegin()->first);
                ASSERT_EQ(found, model.rbegin()->second);
            } else if (it == model.begin()) {
                ASSERT_EQ(IsamError(), isam::kNonePreceding);
            } else {
                --it;
                ASSERT_TRUE(IsamOK()) << IsamError();
                ASSERT_EQ(Text(k), it->first);
                ASSERT_EQ(found, it->second);
            }
        } else if (kind < 98) {
            // Walk a few entries from a found position, through any insertions in between.
            TIsamKey k = K(key);
            RecRef r = BTFindAtLeast(db, 1, k);
            if (!IsamOK()) continue;
            TEntry at{Text(k), r};
            for (int n = 0; n < 5; ++n) {
                BTNextEntry(db, 1, k, r);
                auto it = model.upper_bound(at);
                if (it == model.end()) {
                    ASSERT_EQ(IsamError(), isam::kNoNextEntry);
                    break;
                }
                ASSERT_TRUE(IsamOK()) << IsamError();
                ASSERT_EQ(TEntry(Text(k), r), *it);
                at = *it;
            }
        } else if (kind >= 98) {
            BTCloseDatabase(db);
            ASSERT_TRUE(IsamOK()) << IsamError();
            if (step % 4 == 0) {
                TVerifyReport report = VerifyDatabase({Base()});
                ASSERT_TRUE(report.Sound())
                    << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
            }
            BTOpenDatabase(db, Base(), false, false);
            ASSERT_TRUE(IsamOK()) << IsamError();
        }
        ASSERT_EQ(BTKeyEntryCount(db, 1), static_cast<int32_t>(model.size()));
    }

    // A full walk from a reset cursor returns everything in order.
    BTResetCursor(db, 1);
    TIsamKey k{};
    RecRef r = 0;
    for (const TEntry& e : model) {
        BTNextEntry(db, 1, k, r);
        ASSERT_TRUE(IsamOK());
        ASSERT_EQ(TEntry(Text(k), r), e);
    }
    BTNextEntry(db, 1, k, r);
    EXPECT_EQ(IsamError(), isam::kNoNextEntry);
    BTCloseDatabase(db);
    EXPECT_TRUE(IsamOK());
    TVerifyReport report = VerifyDatabase({Base()});
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
}

INSTANTIATE_TEST_SUITE_P(Indexes, IsamModelTest,
                         ::testing::Values(TModelCase{"Unique", false, 41, 8, 60000},
                                           TModelCase{"Duplicates", true, 41, 8, 30000},
                                           TModelCase{"UniqueLargeCache", false, 5, 4096, 20000},
                                           TModelCase{"DuplicatesShortKeys", true, 3, 31, 20000},
                                           TModelCase{"UniqueAscending", false, 41, 8, 30000, true},
                                           TModelCase{"DuplicatesAscending", true, 20, 31, 20000, true}),
                         [](const auto& info) { return std::string(info.param.itsName); });

} // namespace
} // namespace marvek::test
