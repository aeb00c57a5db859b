// The containers the grid is built on: string lists, the owning list and its sort, pictures and
// image lists.
#include <gtest/gtest.h>
#include "grid/WSGraphicGrid.h"
#include <algorithm>
#include <set>
#include <vector>

using namespace ui;

TEST(Strings, TextSplitsAtEveryLineBreakAndJoinsWithCrLf) {
    struct Case {
        std::wstring text;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {L"", {}},
        {L"a", {L"a"}},
        {L"a\r\nb\r\n", {L"a", L"b"}},
        {L"a\rb\nc", {L"a", L"b", L"c"}},
        {L"\r\n\r\nx", {L"", L"", L"x"}},
        {L"2\r5", {L"2", L"5"}},
        {L"舒尔特\r\n表", {L"舒尔特", L"表"}},
    };
    for (const auto& c : cases) {
        TStringList s;
        s.SetText(c.text);
        EXPECT_EQ(s.Lines(), c.lines) << ToUtf8(c.text);
    }
    TStringList s{L"1", L"2"};
    EXPECT_EQ(s.Text(), L"1\r\n2\r\n");
}

TEST(Strings, EditingAndAssignCopyLinesAndRejectBadIndexes) {
    TStringList a{L"x", L"y", L"z"};
    a.Delete(1);
    a.Insert(0, L"w");
    a.Put(2, L"Z");
    EXPECT_EQ(a.Lines(), (std::vector<std::wstring>{L"w", L"x", L"Z"}));
    TStringList b;
    b.Assign(a);
    a.Clear();
    EXPECT_EQ(b.Count(), 3);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_THROW(b.Strings(3), Exception);
    EXPECT_THROW(b.Strings(-1), Exception);
    EXPECT_THROW(b.Delete(3), Exception);
}

namespace {
struct Item {
    explicit Item(int v) : value(v) {}
    ~Item() { ++destroyed; }
    int value;
    static int destroyed;
};
int Item::destroyed = 0;

// Items a comparison may legally see during one sort: a read outside the sorted range would
// hand over a pointer that is not among them.
std::set<const void*>* gKnownItems = nullptr;
int gForeignReads = 0;
int Checked(const void* a, const void* b) {
    if (!gKnownItems->count(a) || !gKnownItems->count(b)) ++gForeignReads;
    return 0;
}
int CheckedRandom(const void* a, const void* b) { return Checked(a, b) + RandomOrder(a, b); }
int CheckedAlwaysPositive(const void* a, const void* b) { return Checked(a, b) + 1; }
int CheckedAlwaysNegative(const void* a, const void* b) { return Checked(a, b) - 1; }
int CheckedAlwaysZero(const void* a, const void* b) { return Checked(a, b); }
int CheckedRandomSigned(const void* a, const void* b) { return Checked(a, b) + Random(3) - 1; }
int Ascending(const void* a, const void* b) {
    int x = static_cast<const Item*>(a)->value, y = static_cast<const Item*>(b)->value;
    return x < y ? -1 : x > y ? 1 : 0;
}
}  // namespace

TEST(List, OwnsItsItems) {
    Item::destroyed = 0;
    {
        TList<Item> l;
        for (int i = 0; i < 5; ++i) l.AddNew(i);
        l.Delete(0);
        EXPECT_EQ(Item::destroyed, 1);
        EXPECT_EQ(l.First()->value, 1);
        l.Exchange(0, 3);
        EXPECT_EQ(l[0]->value, 4);
        EXPECT_THROW(l.Items(4), Exception);
    }
    EXPECT_EQ(Item::destroyed, 5);
}

TEST(List, SortEndsInRangeAndKeepsItemsWhateverTheComparisonSays) {
    const TListSortCompare compares[] = {CheckedRandom, CheckedAlwaysPositive, CheckedAlwaysNegative,
                                         CheckedAlwaysZero, CheckedRandomSigned};
    std::vector<int> sizes;
    for (int n = 0; n <= 40; ++n) sizes.push_back(n);
    for (int n : {63, 64, 65, 100, 257, 1000}) sizes.push_back(n);
    RandSeed(12345);
    for (TListSortCompare compare : compares) {
        for (int n : sizes) {
            TList<Item> l;
            std::set<const void*> known;
            for (int i = 0; i < n; ++i) known.insert(l.AddNew(i));
            gKnownItems = &known;
            gForeignReads = 0;
            l.Sort(compare);
            gKnownItems = nullptr;
            EXPECT_EQ(gForeignReads, 0) << "size " << n;
            std::vector<int> values;
            std::set<const void*> after;
            for (int i = 0; i < l.Count(); ++i) {
                values.push_back(l[i]->value);
                after.insert(l[i]);
            }
            std::sort(values.begin(), values.end());
            std::vector<int> expected(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) expected[static_cast<size_t>(i)] = i;
            EXPECT_EQ(values, expected) << "size " << n;
            EXPECT_EQ(after, known) << "size " << n;
        }
    }
}

TEST(List, SortOrdersByAConsistentComparison) {
    RandSeed(7);
    for (int n : {0, 1, 2, 3, 10, 100, 1000}) {
        for (int round = 0; round < 5; ++round) {
            TList<Item> l;
            for (int i = 0; i < n; ++i) l.AddNew(Random(n / 2 + 1));  // with duplicates
            l.Sort(Ascending);
            for (int i = 1; i < n; ++i) ASSERT_LE(l[i - 1]->value, l[i]->value) << "size " << n;
        }
    }
}

TEST(List, RandomOrderShufflesEveryPermutationOfThree) {
    RandSeed(99);
    std::set<std::vector<int>> seen;
    for (int round = 0; round < 600; ++round) {
        TList<Item> l;
        for (int i = 0; i < 3; ++i) l.AddNew(i);
        l.Sort(RandomOrder);
        seen.insert({l[0]->value, l[1]->value, l[2]->value});
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST(Random, SeedRepeatsSequencesAndDrawsStayInRange) {
    RandSeed(42);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i) first.push_back(Random(1000));
    RandSeed(42);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Random(1000), first[static_cast<size_t>(i)]);
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    std::vector<int> counts(7);
    for (int i = 0; i < 7000; ++i) {
        int v = Random(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
        ++counts[static_cast<size_t>(v)];
    }
    for (int c : counts) EXPECT_GT(c, 800);  // 1000 expected each; far from any plausible bias
    for (int i = 0; i < 1000; ++i) {
        int v = RandomOrder(nullptr, nullptr);
        ASSERT_TRUE(v == 0 || v == 1);
    }
}

TEST(ImageList, HoldsImagesOfItsSizeAndCopiesThemOut) {
    TImageList list(4, 3);
    TBitmap red(4, 3), wrong(5, 3);
    red.Canvas().Brush.SetColor(0x0000FF);
    RECT all{0, 0, 4, 3};
    red.Canvas().FillRect(all);
    EXPECT_EQ(list.Add(red), 0);
    EXPECT_THROW(list.Add(wrong), Exception);
    EXPECT_EQ(list.Count(), 1);
    TBitmap out;
    out.SetTransparent(true);
    ASSERT_TRUE(list.GetBitmap(0, out));
    EXPECT_EQ(out.Width(), 4);
    EXPECT_EQ(out.Pixel(3, 2), 0x0000FF);
    EXPECT_TRUE(out.Transparent()) << "the caller's transparency setting is kept";
    EXPECT_FALSE(list.GetBitmap(1, out));
    EXPECT_FALSE(list.GetBitmap(-1, out));
}

TEST(ImageList, GridForgetsAListThatIsDestroyed) {
    TDGridImage grid;
    auto* list = new TImageList(8, 8);
    TBitmap b(8, 8);
    list->Add(b);
    grid.SetImages(list);
    EXPECT_EQ(grid.Images(), list);
    delete list;
    EXPECT_EQ(grid.Images(), nullptr);
    grid.StartRun();  // a run without images draws and records empty cells, and does not fail
    EXPECT_EQ(grid.CellCount(), 1);
    grid.StopRun();
}

TEST(Picture, AssignCopiesTheBitmap) {
    TPicture a, b;
    EXPECT_TRUE(a.Empty());
    a.Bitmap().SetSize(2, 2);
    a.Bitmap().SetPixel(1, 1, 0x123456);
    b.Assign(a);
    a.Bitmap().SetPixel(1, 1, 0);
    ASSERT_FALSE(b.Empty());
    EXPECT_EQ(b.Graphic()->Pixel(1, 1), 0x123456);
    TPicture empty;
    b.Assign(empty);
    EXPECT_TRUE(b.Empty());
}
