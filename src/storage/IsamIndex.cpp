// B-tree key indexes: search, cursor steps, insertion with redistribution before splitting, and
// deletion with borrowing and merging. Every page access goes through the shared page cache.
//
// Invariants kept: entries are in ascending (key, RecRef when duplicates are allowed) order
// across the whole tree; every page but the root holds 31..62 entries; all leaves lie at the
// same depth; EntryCount counts the entries.

#include "storage/IsamEngine.h"

#include <cstring>

namespace marvek {

using namespace isam;

namespace isam {

int CompareKeys(const TIsamKey& a, const TIsamKey& b) {
    int la = a[0], lb = b[0];
    int common = la < lb ? la : lb;
    int r = std::memcmp(a.data() + 1, b.data() + 1, static_cast<size_t>(common));
    if (r != 0) return r < 0 ? -1 : 1;
    return la < lb ? -1 : la > lb ? 1 : 0;
}

} // namespace isam

namespace {

enum TStep { kFailed = -1, kAbsent = 0, kDone = 1, kPushUp = 2, kPresent = 3 };

struct TIndex {
    IsamDatabase* itsDb;
    int itsKeyNr;
    TKeyDesc& itsKey;

    TIndex(IsamDatabase* db, int keyNr)
        : itsDb(db), itsKeyNr(keyNr), itsKey(db->itsKeys[static_cast<size_t>(keyNr)]) {}

    bool Dups() const { return itsKey.itsHeader.itsDupsAllowed != 0; }
    TKeyHeader& Header() { return itsKey.itsHeader; }
    bool Fetch(int32_t pageNr, TPageRef& ref) { return FetchPage(itsDb, itsKeyNr, pageNr, ref); }
    bool Touch(const TPageRef& ref) { return TouchPage(itsDb, itsKeyNr, ref); }
};

int CompareEntry(const TIndex& x, const TIsamKey& key, RecRef ref, const TPageEntry& entry) {
    int r = CompareKeys(key, entry.itsKey);
    if (r != 0 || !x.Dups()) return r;
    return ref < entry.itsRef ? -1 : ref > entry.itsRef ? 1 : 0;
}

// The number of entries smaller than the search value; found when the next one equals it.
int SearchPage(const TIndex& x, const TPage& page, const TIsamKey& key, RecRef ref, bool& found) {
    int lo = 0, hi = page.itsCount;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (CompareEntry(x, key, ref, page.Entry(mid)) > 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    found = lo < page.itsCount && CompareEntry(x, key, ref, page.Entry(lo)) == 0;
    return lo;
}

TIsamKey CleanKey(const TIsamKey& key) {
    TIsamKey clean{};
    int length = key[0] > kMaxKeyLength ? kMaxKeyLength : key[0];
    std::memcpy(clean.data(), key.data(), static_cast<size_t>(length) + 1);
    clean[0] = static_cast<uint8_t>(length);
    return clean;
}

void ReturnEntry(const TPageEntry& entry, TIsamKey& key, RecRef& ref) {
    key = entry.itsKey;
    ref = entry.itsRef;
}

// ---- Cursor ---------------------------------------------------------------------------------

bool Push(TCursor& cursor, int32_t page, int pos) {
    if (cursor.itsDepth >= kMaxCursorDepth) return Fail(kRebuildNeeded);
    cursor.itsPath[static_cast<size_t>(cursor.itsDepth++)] = {page, pos};
    return true;
}

TCursorLevel& Last(TCursor& cursor) {
    return cursor.itsPath[static_cast<size_t>(cursor.itsDepth - 1)];
}

// Sets the cursor's path to the entry, or to the last entry smaller than it.
TStep Search(TIndex& x, TCursor& cursor, const TIsamKey& key, RecRef ref) {
    cursor.itsDepth = 0;
    cursor.itsValid = true;
    int32_t pageNr = x.Header().itsRootPage;
    TPageRef page;
    while (pageNr != 0) {
        if (!x.Fetch(pageNr, page)) return kFailed;
        bool found = false;
        int pos = SearchPage(x, *page, key, ref, found);
        if (found) return Push(cursor, pageNr, pos + 1) ? kDone : kFailed;
        if (!Push(cursor, pageNr, pos)) return kFailed;
        pageNr = page->Child(pos);
    }
    while (cursor.itsDepth > 0 && Last(cursor).itsPos == 0) --cursor.itsDepth;
    return kAbsent;
}

TStep StepForward(TIndex& x, TCursor& cursor, TIsamKey& key, RecRef& ref) {
    TPageRef page;
    int32_t subtree = x.Header().itsRootPage;
    if (cursor.itsDepth > 0) {
        if (!x.Fetch(Last(cursor).itsPage, page)) return kFailed;
        subtree = page->Child(Last(cursor).itsPos);
    }
    while (subtree != 0) {
        if (!Push(cursor, subtree, 0) || !x.Fetch(subtree, page)) return kFailed;
        subtree = page->itsLeft;
    }
    if (cursor.itsDepth == 0) return kAbsent;
    for (;;) {
        if (!x.Fetch(Last(cursor).itsPage, page)) return kFailed;
        if (Last(cursor).itsPos < page->itsCount || cursor.itsDepth == 1) break;
        --cursor.itsDepth;
    }
    TCursorLevel& level = Last(cursor);
    if (level.itsPos >= page->itsCount) {
        cursor.itsDepth = 0;
        return kAbsent;
    }
    ++level.itsPos;
    ReturnEntry(page->Entry(level.itsPos - 1), key, ref);
    return kDone;
}

TStep StepBackward(TIndex& x, TCursor& cursor, TIsamKey& key, RecRef& ref) {
    TPageRef page;
    int32_t subtree = x.Header().itsRootPage;
    if (cursor.itsDepth > 0) {
        TCursorLevel& level = Last(cursor);
        if (level.itsPos > 0) --level.itsPos;
        if (!x.Fetch(level.itsPage, page)) return kFailed;
        subtree = page->Child(level.itsPos);
    }
    while (subtree != 0) {
        if (!x.Fetch(subtree, page) || !Push(cursor, subtree, page->itsCount)) return kFailed;
        subtree = page->Child(page->itsCount);
    }
    while (cursor.itsDepth > 1 && Last(cursor).itsPos == 0) --cursor.itsDepth;
    if (cursor.itsDepth == 0 || Last(cursor).itsPos == 0) {
        cursor.itsDepth = 0;
        return kAbsent;
    }
    if (!x.Fetch(Last(cursor).itsPage, page)) return kFailed;
    if (Last(cursor).itsPos > page->itsCount) return Fail(kRebuildNeeded), kFailed;
    ReturnEntry(page->Entry(Last(cursor).itsPos - 1), key, ref);
    return kDone;
}

// A cursor that an insertion or deletion left behind finds its entry again first.
bool Resynchronise(TIndex& x, TCursor& cursor, const TIsamKey& key, RecRef ref, int invalidError,
                   bool& found) {
    found = true;
    if (cursor.itsValid) return true;
    if (!IsamState().itsResynchronise) return Fail(invalidError);
    if (cursor.itsDepth == 0) {
        cursor.itsValid = true;
        return true;
    }
    TStep step = Search(x, cursor, CleanKey(key), ref);
    if (step == kFailed) return false;
    found = step == kDone;
    return true;
}

// ---- Insertion ------------------------------------------------------------------------------

using TRun = std::array<TPageEntry, 2 * kPageCapacity + 2>;

int Gather(TRun& run, int n, const TPage& page, int insertAt, const TPageEntry* extra) {
    for (int i = 0; i < page.itsCount; ++i) {
        if (extra != nullptr && i == insertAt) run[static_cast<size_t>(n++)] = *extra;
        run[static_cast<size_t>(n++)] = page.Entry(i);
    }
    if (extra != nullptr && insertAt == page.itsCount) run[static_cast<size_t>(n++)] = *extra;
    return n;
}

void Fill(TPage& page, const TRun& run, int from, int count) {
    for (int i = 0; i < count; ++i) page.Entry(i) = run[static_cast<size_t>(from + i)];
    page.itsCount = static_cast<uint16_t>(count);
}

TStep NewPage(TIndex& x, int32_t& pageNr, TPageRef& ref) {
    if (!AllocateSlot(x.itsDb, x.itsKeyNr, pageNr)) return kFailed;
    if (!NewPageBuffer(x.itsDb, x.itsKeyNr, pageNr, ref)) return kFailed;
    return kDone;
}

// Puts carry into page pageNr before entry index pos; a full page passes entries to a neighbour
// or splits, handing the middle entry up in carry.
TStep PlaceEntry(TIndex& x, int32_t pageNr, int32_t parentNr, int childIdx, int pos, TPageEntry& carry) {
    TPageRef page;
    if (!x.Fetch(pageNr, page)) return kFailed;
    if (page->itsCount < kPageCapacity) {
        if (!x.Touch(page)) return kFailed;
        TPage& p = *page;
        for (int i = p.itsCount; i > pos; --i) p.Entry(i) = p.Entry(i - 1);
        p.Entry(pos) = carry;
        ++p.itsCount;
        return kDone;
    }
    TRun run;
    if (parentNr != 0) {
        TPageRef parent, neighbour;
        if (!x.Fetch(parentNr, parent)) return kFailed;
        bool right = childIdx < parent->itsCount;
        int sepIdx = right ? childIdx : childIdx - 1;
        int32_t neighbourNr = parent->Child(right ? childIdx + 1 : childIdx - 1);
        if (!x.Fetch(neighbourNr, neighbour)) return kFailed;
        int n = neighbour->itsCount;
        if (n < kPageCapacity) {
            if (!x.Touch(page) || !x.Touch(parent) || !x.Touch(neighbour)) return kFailed;
            TPage& p = *page;
            TPage& nb = *neighbour;
            TPageEntry separator = parent->Entry(sepIdx);
            int total = 0;
            if (right) {
                total = Gather(run, 0, p, pos, &carry);
                separator.itsRight = nb.itsLeft;
                run[static_cast<size_t>(total++)] = separator;
                total = Gather(run, total, nb, -1, nullptr);
                int keep = (64 + n) / 2; // the overflowing page keeps the larger half
                Fill(p, run, 0, keep);
                TPageEntry up = run[static_cast<size_t>(keep)];
                nb.itsLeft = up.itsRight;
                Fill(nb, run, keep + 1, total - keep - 1);
                up.itsRight = neighbourNr;
                parent->Entry(sepIdx) = up;
            } else {
                total = Gather(run, 0, nb, -1, nullptr);
                separator.itsRight = p.itsLeft;
                run[static_cast<size_t>(total++)] = separator;
                total = Gather(run, total, p, pos, &carry);
                int keep = (63 + n) / 2;
                Fill(nb, run, 0, keep);
                TPageEntry up = run[static_cast<size_t>(keep)];
                p.itsLeft = up.itsRight;
                Fill(p, run, keep + 1, total - keep - 1);
                up.itsRight = pageNr;
                parent->Entry(sepIdx) = up;
            }
            return kDone;
        }
    }
    int32_t newNr = 0;
    TPageRef fresh;
    if (NewPage(x, newNr, fresh) == kFailed || !x.Touch(page)) return kFailed;
    int total = Gather(run, 0, *page, pos, &carry);
    Fill(*page, run, 0, kHalfPage);
    TPageEntry up = run[kHalfPage];
    fresh->itsLeft = up.itsRight;
    Fill(*fresh, run, kHalfPage + 1, total - kHalfPage - 1);
    up.itsRight = newNr;
    carry = up;
    return kPushUp;
}

// The entries of the parents on either side of the subtree being descended into.
struct TBounds {
    const TPageEntry* itsLow = nullptr;
    const TPageEntry* itsHigh = nullptr;
};

void RememberLeaf(TIndex& x, int32_t pageNr, const TBounds& bounds) {
    TAddHint& hint = x.itsKey.itsHint;
    hint.itsValid = !x.itsDb->itsJournaled;
    hint.itsPage = pageNr;
    hint.itsHasLow = bounds.itsLow != nullptr;
    hint.itsHasHigh = bounds.itsHigh != nullptr;
    if (hint.itsHasLow) hint.itsLow = *bounds.itsLow;
    if (hint.itsHasHigh) hint.itsHigh = *bounds.itsHigh;
    hint.itsChanges = x.itsKey.itsChanges;
}

TStep InsertInto(TIndex& x, int32_t pageNr, int32_t parentNr, int childIdx, TPageEntry& carry, int depth,
                 TBounds bounds) {
    if (depth > kMaxTreeDepth) return Fail(kRebuildNeeded), kFailed;
    TPageRef page;
    if (!x.Fetch(pageNr, page)) return kFailed;
    bool found = false;
    int pos = SearchPage(x, *page, carry.itsKey, carry.itsRef, found);
    if (found) return kPresent;
    int32_t child = page->Child(pos);
    if (child != 0) {
        // Copies: the page may leave the cache while its subtree is worked on.
        TPageEntry low, high;
        TBounds inner = bounds;
        if (pos > 0) inner.itsLow = &(low = page->Entry(pos - 1));
        if (pos < page->itsCount) inner.itsHigh = &(high = page->Entry(pos));
        page.Release();
        TStep step = InsertInto(x, child, pageNr, pos, carry, depth + 1, inner);
        if (step != kPushUp) return step;
        return PlaceEntry(x, pageNr, parentNr, childIdx, pos, carry);
    }
    bool roomy = page->itsCount < kPageCapacity;
    page.Release();
    TStep step = PlaceEntry(x, pageNr, parentNr, childIdx, pos, carry);
    if (step == kDone && roomy) RememberLeaf(x, pageNr, bounds);
    return step;
}

// Adds the entry to the leaf of the add hint when it belongs there and there is room: kAbsent
// when that is not so and the walk from the root must do it.
TStep InsertAtHint(TIndex& x, const TPageEntry& carry) {
    TAddHint& hint = x.itsKey.itsHint;
    if (!hint.itsValid || hint.itsChanges != x.itsKey.itsChanges || x.itsDb->itsJournaled) return kAbsent;
    if (hint.itsHasLow && CompareEntry(x, carry.itsKey, carry.itsRef, hint.itsLow) <= 0) return kAbsent;
    if (hint.itsHasHigh && CompareEntry(x, carry.itsKey, carry.itsRef, hint.itsHigh) >= 0) return kAbsent;
    TPageRef page;
    if (!x.Fetch(hint.itsPage, page)) return kFailed;
    if (page->itsCount >= kPageCapacity || page->Child(0) != 0) return kAbsent;
    bool found = false;
    int pos = SearchPage(x, *page, carry.itsKey, carry.itsRef, found);
    if (found) return kPresent;
    if (!x.Touch(page)) return kFailed;
    TPage& p = *page;
    for (int i = p.itsCount; i > pos; --i) p.Entry(i) = p.Entry(i - 1);
    p.Entry(pos) = carry;
    ++p.itsCount;
    hint.itsChanges = x.itsKey.itsChanges;
    return kDone;
}

TStep InsertKey(TIndex& x, const TIsamKey& key, RecRef ref) {
    TPageEntry carry;
    carry.itsKey = CleanKey(key);
    carry.itsRef = ref;
    carry.itsRight = 0;
    if (!JournalHeader(x.itsDb, x.itsKeyNr)) return kFailed;
    int32_t root = x.Header().itsRootPage;
    TStep step = root != 0 ? InsertAtHint(x, carry) : kAbsent;
    if (step == kAbsent) {
        step = kPushUp;
        if (root != 0) step = InsertInto(x, root, 0, 0, carry, 0, TBounds());
    }
    if (step == kPushUp) {
        int32_t newRoot = 0;
        TPageRef page;
        if (NewPage(x, newRoot, page) == kFailed) return kFailed;
        page->itsLeft = root;
        page->itsCount = 1;
        page->Entry(0) = carry;
        x.Header().itsRootPage = newRoot;
        step = kDone;
    }
    if (step == kDone) {
        x.Header().itsEntryCount += 1;
        x.itsKey.itsHeaderChanged = true;
    }
    return step;
}

// ---- Deletion -------------------------------------------------------------------------------

TStep FreePage(TIndex& x, const TPageRef& page, int32_t pageNr) {
    if (!x.Touch(page)) return kFailed;
    ForgetPage(x.itsDb, x.itsKeyNr, pageNr);
    return FreeSlot(x.itsDb, x.itsKeyNr, pageNr) ? kDone : kFailed;
}

// Brings child childIdx of parentNr back to at least half full, from a sibling.
TStep Repair(TIndex& x, int32_t parentNr, int childIdx) {
    TPageRef parent, child, sibling;
    if (!x.Fetch(parentNr, parent)) return kFailed;
    bool right = childIdx < parent->itsCount;
    int sepIdx = right ? childIdx : childIdx - 1;
    int32_t childNr = parent->Child(childIdx);
    int32_t siblingNr = parent->Child(right ? childIdx + 1 : childIdx - 1);
    if (!x.Fetch(childNr, child) || !x.Fetch(siblingNr, sibling)) return kFailed;
    if (!x.Touch(parent) || !x.Touch(child) || !x.Touch(sibling)) return kFailed;
    TPage& c = *child;
    TPage& s = *sibling;
    int n = s.itsCount;
    int h = (n - kHalfPage + 1) / 2;
    if (h > 0) {
        TPageEntry separator = parent->Entry(sepIdx);
        if (right) {
            separator.itsRight = s.itsLeft;
            c.Entry(c.itsCount++) = separator;
            for (int i = 0; i < h - 1; ++i) c.Entry(c.itsCount++) = s.Entry(i);
            TPageEntry up = s.Entry(h - 1);
            s.itsLeft = up.itsRight;
            for (int i = h; i < n; ++i) s.Entry(i - h) = s.Entry(i);
            s.itsCount = static_cast<uint16_t>(n - h);
            up.itsRight = siblingNr;
            parent->Entry(sepIdx) = up;
        } else {
            for (int i = c.itsCount - 1; i >= 0; --i) c.Entry(i + h) = c.Entry(i);
            for (int j = 0; j < h - 1; ++j) c.Entry(j) = s.Entry(n - h + 1 + j);
            separator.itsRight = c.itsLeft;
            c.Entry(h - 1) = separator;
            TPageEntry up = s.Entry(n - h);
            c.itsLeft = up.itsRight;
            c.itsCount = static_cast<uint16_t>(c.itsCount + h);
            s.itsCount = static_cast<uint16_t>(n - h);
            up.itsRight = childNr;
            parent->Entry(sepIdx) = up;
        }
        return kDone;
    }
    TPage& left = right ? c : s;
    TPage& rightPage = right ? s : c;
    int32_t rightNr = right ? siblingNr : childNr;
    if (left.itsCount + 1 + rightPage.itsCount > kPageCapacity) return Fail(kRebuildNeeded), kFailed;
    TPageEntry separator = parent->Entry(sepIdx);
    separator.itsRight = rightPage.itsLeft;
    left.Entry(left.itsCount++) = separator;
    for (int i = 0; i < rightPage.itsCount; ++i) left.Entry(left.itsCount++) = rightPage.Entry(i);
    TPage& p = *parent;
    for (int i = sepIdx + 1; i < p.itsCount; ++i) p.Entry(i - 1) = p.Entry(i);
    --p.itsCount;
    return FreePage(x, right ? sibling : child, rightNr);
}

TStep RemoveLargest(TIndex& x, int32_t pageNr, TPageEntry& out, bool& under, int depth) {
    if (depth > kMaxTreeDepth) return Fail(kRebuildNeeded), kFailed;
    TPageRef page;
    if (!x.Fetch(pageNr, page)) return kFailed;
    int count = page->itsCount;
    if (count == 0) return Fail(kRebuildNeeded), kFailed;
    int32_t child = page->Child(count);
    if (child == 0) {
        if (!x.Touch(page)) return kFailed;
        out = page->Entry(count - 1);
        --page->itsCount;
        under = page->itsCount < kHalfPage;
        return kDone;
    }
    page.Release();
    bool childUnder = false;
    if (RemoveLargest(x, child, out, childUnder, depth + 1) == kFailed) return kFailed;
    if (childUnder && Repair(x, pageNr, count) == kFailed) return kFailed;
    if (!x.Fetch(pageNr, page)) return kFailed;
    under = page->itsCount < kHalfPage;
    return kDone;
}

TStep DeleteFrom(TIndex& x, int32_t pageNr, const TIsamKey& key, RecRef ref, bool& under, int depth) {
    if (depth > kMaxTreeDepth) return Fail(kRebuildNeeded), kFailed;
    TPageRef page;
    if (!x.Fetch(pageNr, page)) return kFailed;
    bool found = false;
    int pos = SearchPage(x, *page, key, ref, found);
    int32_t child = page->Child(pos);
    bool childUnder = false;
    if (found && child == 0) {
        if (!x.Touch(page)) return kFailed;
        TPage& p = *page;
        for (int i = pos + 1; i < p.itsCount; ++i) p.Entry(i - 1) = p.Entry(i);
        --p.itsCount;
        under = p.itsCount < kHalfPage;
        return kDone;
    }
    if (child == 0) return kAbsent;
    page.Release();
    if (found) {
        // An inner entry gives way to its predecessor, the largest entry of its left subtree.
        TPageEntry predecessor;
        if (RemoveLargest(x, child, predecessor, childUnder, depth + 1) == kFailed) return kFailed;
        if (!x.Fetch(pageNr, page) || !x.Touch(page)) return kFailed;
        TPageEntry& entry = page->Entry(pos);
        entry.itsKey = predecessor.itsKey;
        entry.itsRef = predecessor.itsRef;
        page.Release();
    } else {
        TStep step = DeleteFrom(x, child, key, ref, childUnder, depth + 1);
        if (step != kDone) return step;
    }
    if (childUnder && Repair(x, pageNr, pos) == kFailed) return kFailed;
    if (!x.Fetch(pageNr, page)) return kFailed;
    under = page->itsCount < kHalfPage;
    return kDone;
}

TStep DeleteKey(TIndex& x, const TIsamKey& key, RecRef ref) {
    int32_t root = x.Header().itsRootPage;
    if (root == 0) return kAbsent;
    if (!JournalHeader(x.itsDb, x.itsKeyNr)) return kFailed;
    bool under = false;
    TStep step = DeleteFrom(x, root, CleanKey(key), ref, under, 0);
    if (step != kDone) return step;
    TPageRef page;
    if (!x.Fetch(root, page)) return kFailed;
    if (page->itsCount == 0) {
        x.Header().itsRootPage = page->itsLeft;
        if (FreePage(x, page, root) == kFailed) return kFailed;
    }
    x.Header().itsEntryCount -= 1;
    x.itsKey.itsHeaderChanged = true;
    return kDone;
}

bool EnterKeyOp(IsamDatabase* db, int keyNr, bool changing) {
    BeginCall();
    return CheckHandle(db, changing) && CheckKey(db, keyNr);
}

bool KeyFits(IsamDatabase* db, int keyNr, const TIsamKey& key) {
    if (key[0] > db->itsKeys[static_cast<size_t>(keyNr)].itsKeyLength) return Fail(kKeyTooLong);
    return true;
}

// FindAtLeast without the entry checks; notFound is the caller's own number.
RecRef FindAtLeast(TIndex& x, TIsamKey& key, int notFound) {
    TCursor& cursor = x.itsKey.itsCursor;
    TIsamKey search = CleanKey(key);
    TStep step = Search(x, cursor, search, 0);
    if (step == kFailed) return 0;
    TIsamKey foundKey = search;
    RecRef ref = 0;
    if (step == kDone) {
        TPageRef page;
        if (!x.Fetch(Last(cursor).itsPage, page)) return 0;
        ReturnEntry(page->Entry(Last(cursor).itsPos - 1), foundKey, ref);
    } else {
        step = StepForward(x, cursor, foundKey, ref);
        if (step == kFailed) return 0;
        if (step == kAbsent) return Fail(notFound), 0;
    }
    key = foundKey;
    return ref;
}

} // namespace

void BTAddKey(IsamDatabase* db, int keyNr, const TIsamKey& key, RecRef ref) {
    if (!EnterKeyOp(db, keyNr, true) || !KeyFits(db, keyNr, key)) return;
    TIndex x(db, keyNr);
    x.itsKey.itsCursor.itsValid = false;
    TOperation op(db, kAddKeyUndone);
    if (!op.Started()) return;
    TStep step = InsertKey(x, key, ref);
    if (step == kFailed) {
        op.Finish(false);
        return;
    }
    if (step == kPresent) {
        op.Unchanged();
        Fail(kAlreadyPresent);
        return;
    }
    op.Finish(true);
}

void BTDeleteKey(IsamDatabase* db, int keyNr, const TIsamKey& key, RecRef ref) {
    if (!EnterKeyOp(db, keyNr, true)) return;
    TIndex x(db, keyNr);
    x.itsKey.itsCursor.itsValid = false;
    TOperation op(db, kDeleteKeyUndone);
    if (!op.Started()) return;
    TStep step = DeleteKey(x, key, ref);
    if (step == kFailed) {
        op.Finish(false);
        return;
    }
    if (step == kAbsent) {
        op.Unchanged();
        Fail(kNotPresent);
        return;
    }
    op.Finish(true);
}

RecRef BTFindKey(IsamDatabase* db, int keyNr, const TIsamKey& key) {
    if (!EnterKeyOp(db, keyNr, false)) return 0;
    TIndex x(db, keyNr);
    TCursor& cursor = x.itsKey.itsCursor;
    TIsamKey search = CleanKey(key);
    TStep step = Search(x, cursor, search, 0);
    if (step == kFailed) return 0;
    if (step == kDone) {
        TPageRef page;
        if (!x.Fetch(Last(cursor).itsPage, page)) return 0;
        return page->Entry(Last(cursor).itsPos - 1).itsRef;
    }
    if (!x.Dups()) return Fail(kKeyNotFound), 0;
    // With duplicates the search stops before the first equal key; the entry after it is the one
    // with the smallest reference, if the key is there at all.
    TIsamKey next{};
    RecRef ref = 0;
    step = StepForward(x, cursor, next, ref);
    if (step == kFailed) return 0;
    if (step == kAbsent || CompareKeys(next, search) != 0) return Fail(kKeyNotFound), 0;
    return ref;
}

bool BTKeyExists(IsamDatabase* db, int keyNr, const TIsamKey& key, RecRef ref) {
    if (!EnterKeyOp(db, keyNr, false)) return false;
    TIndex x(db, keyNr);
    TCursor scratch;
    TIsamKey search = CleanKey(key);
    RecRef searchRef = x.Dups() ? ref : 0;
    TStep step = Search(x, scratch, search, searchRef);
    if (step == kFailed) return false;
    if (step == kDone) return true;
    if (!x.Dups() || ref != 0) return false;
    TIsamKey next{};
    RecRef found = 0;
    step = StepForward(x, scratch, next, found);
    return step == kDone && CompareKeys(next, search) == 0;
}

RecRef BTFindAtLeast(IsamDatabase* db, int keyNr, TIsamKey& key) {
    if (!EnterKeyOp(db, keyNr, false)) return 0;
    TIndex x(db, keyNr);
    RecRef ref = FindAtLeast(x, key, kNoneAtLeast);
    if (!IsamOK() && IsamError() >= 10200 && IsamError() <= 10299) Report(kNoneAtLeast);
    return ref;
}

RecRef BTFindFollowing(IsamDatabase* db, int keyNr, TIsamKey& key) {
    if (!EnterKeyOp(db, keyNr, false)) return 0;
    TIndex x(db, keyNr);
    TIsamKey next = CleanKey(key);
    if (next[0] < x.itsKey.itsKeyLength) {
        // The smallest key above a shorter key is that key with a zero byte appended.
        next[static_cast<size_t>(next[0]) + 1] = 0;
        ++next[0];
    } else {
        int i = next[0];
        while (i >= 1 && next[static_cast<size_t>(i)] == 255) next[static_cast<size_t>(i--)] = 0;
        if (i < 1) {
            x.itsKey.itsCursor.itsDepth = 0;
            x.itsKey.itsCursor.itsValid = true;
            return Fail(kNoneFollowing), 0;
        }
        ++next[static_cast<size_t>(i)];
    }
    RecRef ref = FindAtLeast(x, next, kNoneFollowing);
    if (!IsamOK()) {
        if (IsamError() >= 10200 && IsamError() <= 10299) Report(kNoneFollowing);
        return 0;
    }
    key = next;
    return ref;
}

RecRef BTFindPreceding(IsamDatabase* db, int keyNr, TIsamKey& key) {
    if (!EnterKeyOp(db, keyNr, false)) return 0;
    TIndex x(db, keyNr);
    TIsamKey found = CleanKey(key);
    FindAtLeast(x, found, kNoneAtLeast);
    if (!IsamOK() && IsamError() != kNoneAtLeast) return 0;
    BeginCall();
    RecRef ref = 0;
    TStep step = StepBackward(x, x.itsKey.itsCursor, found, ref);
    if (step == kFailed) return 0;
    if (step == kAbsent) return Fail(kNonePreceding), 0;
    key = found;
    return ref;
}

void BTFindEntry(IsamDatabase* db, int keyNr, TIsamKey& key, RecRef& ref, int direction) {
    if (!EnterKeyOp(db, keyNr, false)) return;
    TIndex x(db, keyNr);
    TCursor& cursor = x.itsKey.itsCursor;
    TIsamKey search = CleanKey(key);
    TStep step = Search(x, cursor, search, ref);
    if (step == kFailed) return;
    if (step == kDone) {
        TPageRef page;
        if (!x.Fetch(Last(cursor).itsPage, page)) return;
        const TPageEntry& entry = page->Entry(Last(cursor).itsPos - 1);
        if (x.Dups() || entry.itsRef == ref) {
            ReturnEntry(entry, key, ref);
            return;
        }
    }
    if (direction == 0) {
        Fail(kPairAbsent);
        return;
    }
    TIsamKey found{};
    RecRef foundRef = 0;
    if (direction > 0) {
        step = StepForward(x, cursor, found, foundRef);
        if (step == kAbsent) Fail(kNoNextEntry);
    } else if (step == kDone) {
        step = StepBackward(x, cursor, found, foundRef);
        if (step == kAbsent) Fail(kNoPreviousEntry);
    } else {
        // The path ends at the last entry smaller than the pair, which is the one wanted.
        if (cursor.itsDepth == 0) {
            Fail(kNoPreviousEntry);
            return;
        }
        TPageRef page;
        if (!x.Fetch(Last(cursor).itsPage, page)) return;
        ReturnEntry(page->Entry(Last(cursor).itsPos - 1), found, foundRef);
        step = kDone;
    }
    if (step == kDone) {
        key = found;
        ref = foundRef;
    }
}

void BTNextEntry(IsamDatabase* db, int keyNr, TIsamKey& key, RecRef& ref) {
    if (!EnterKeyOp(db, keyNr, false)) return;
    TIndex x(db, keyNr);
    TCursor& cursor = x.itsKey.itsCursor;
    bool found = true;
    if (!Resynchronise(x, cursor, key, ref, kNextInvalidCursor, found)) return;
    // The entry the cursor stands on. A damaged index can lead a walk into a page it has walked
    // already, which would never end; in a sound one every step goes to a greater entry.
    bool havePrevious = false;
    TPageEntry previous;
    if (cursor.itsDepth > 0) {
        TPageRef page;
        if (!x.Fetch(Last(cursor).itsPage, page)) return;
        int pos = Last(cursor).itsPos;
        if (pos > 0 && pos <= page->itsCount) {
            previous = page->Entry(pos - 1);
            havePrevious = true;
        }
    }
    TIsamKey next{};
    RecRef nextRef = 0;
    TStep step = StepForward(x, cursor, next, nextRef);
    if (step == kFailed) return;
    if (step == kAbsent) {
        Fail(kNoNextEntry);
        return;
    }
    if (havePrevious && CompareEntry(x, next, nextRef, previous) <= 0) {
        cursor.itsDepth = 0;
        Fail(kRebuildNeeded);
        return;
    }
    key = next;
    ref = nextRef;
}

void BTResetCursor(IsamDatabase* db, int keyNr) {
    if (!EnterKeyOp(db, keyNr, false)) return;
    TCursor& cursor = db->itsKeys[static_cast<size_t>(keyNr)].itsCursor;
    cursor.itsDepth = 0;
    cursor.itsValid = true;
}

void BTClearIndex(IsamDatabase* db, int keyNr) {
    if (!EnterKeyOp(db, keyNr, true)) return;
    TIndex x(db, keyNr);
    TOperation op(db, kClearIndexUndone);
    if (!op.Started()) return;
    if (!JournalHeader(db, keyNr)) {
        op.Finish(false);
        return;
    }
    DropPages(db, keyNr);
    ++x.itsKey.itsChanges;
    TKeyHeader& h = x.Header();
    h.itsRootPage = 0;
    h.itsEntryCount = 0;
    h.itsPageCount = 0;
    h.itsFreeHead = -1;
    h.itsFreeCount = 0;
    x.itsKey.itsHeaderChanged = true;
    x.itsKey.itsCursor = TCursor();
    op.Finish(true);
}

int32_t BTKeyEntryCount(IsamDatabase* db, int keyNr) {
    if (!EnterKeyOp(db, keyNr, false)) return 0;
    return db->itsKeys[static_cast<size_t>(keyNr)].itsHeader.itsEntryCount;
}

bool BTKeyAllowsDuplicates(IsamDatabase* db, int keyNr) {
    if (!EnterKeyOp(db, keyNr, false)) return false;
    return db->itsKeys[static_cast<size_t>(keyNr)].itsHeader.itsDupsAllowed != 0;
}

} // namespace marvek
