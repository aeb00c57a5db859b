// Containers of the window layer: string lists, an owning list of objects with a quicksort that
// survives comparisons which are no order, a picture that holds a bitmap, and an image list.
#pragma once
#include "platform/ui/Controls.h"
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ui {

// An ordered list of lines.
class TStrings {
public:
    TStrings() = default;
    TStrings(const TStrings& other) : FLines(other.FLines) {}
    TStrings& operator=(const TStrings& other) { Assign(other); return *this; }
    virtual ~TStrings() = default;

    int Count() const { return static_cast<int>(FLines.size()); }
    // Line i; an index outside 0..Count-1 raises Exception.
    const std::wstring& Strings(int i) const;
    const std::wstring& operator[](int i) const { return Strings(i); }
    void Put(int i, const std::wstring& s);
    int Add(const std::wstring& s);  // returns the new line's index
    void Insert(int i, const std::wstring& s);
    void Delete(int i);
    void Clear() { FLines.clear(); }
    void Assign(const TStrings& source);
    // Every line followed by CR LF.
    std::wstring Text() const;
    // Splits at CR LF, CR or LF; a line break at the very end adds no empty line.
    void SetText(const std::wstring& text);
    const std::vector<std::wstring>& Lines() const { return FLines; }

private:
    void CheckIndex(int i, int limit) const;
    std::vector<std::wstring> FLines;
};

class TStringList : public TStrings {
public:
    using TStrings::TStrings;
    TStringList() = default;
    TStringList(std::initializer_list<std::wstring> lines) {
        for (const auto& s : lines) Add(s);
    }
};

// Comparison of two list items (the items themselves, as untyped pointers): negative, zero or
// positive. It need not be an order: the sort copes with any answers.
using TListSortCompare = int (*)(const void* item1, const void* item2);

// Sorts items[lo..hi] (inclusive) by a quicksort with the middle element as pivot. Every index
// it reads lies in lo..hi, and it ends whatever the comparison answers: both scans are bounded by
// the range, and every partition step leaves both parts strictly smaller than the range.
template <class P>
void QuickSortRange(P* items, int lo, int hi, TListSortCompare compare) {
    while (lo < hi) {
        int i = lo, j = hi;
        P pivot = items[lo + (hi - lo) / 2];
        do {
            while (i < hi && compare(items[i], pivot) < 0) ++i;
            while (j > lo && compare(items[j], pivot) > 0) --j;
            if (i <= j) {
                std::swap(items[i], items[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        // Here j < hi and i > lo, so both parts are smaller than the range. The smaller part
        // is sorted by recursion and the larger one by the loop, which keeps the depth
        // logarithmic even for a comparison that always says "less".
        if (j - lo < hi - i) {
            if (lo < j) QuickSortRange(items, lo, j, compare);
            lo = i;
        } else {
            if (i < hi) QuickSortRange(items, i, hi, compare);
            hi = j;
        }
    }
}

// A list that owns its objects: removing an item or destroying the list frees it.
template <class T>
class TList {
public:
    TList() = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    ~TList() { Clear(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    bool Empty() const { return FItems.empty(); }
    T* Items(int i) const { CheckIndex(i); return FItems[static_cast<size_t>(i)]; }
    T* operator[](int i) const { return Items(i); }
    T* First() const { return Items(0); }

    // Takes ownership; returns the new item's index. The vector grows by its own doubling (reserving
    // one more each time would copy the whole list at every Add); the item stays owned by `item`
    // until it is stored, so a failing growth loses nothing.
    int Add(std::unique_ptr<T> item) {
        FItems.push_back(item.get());
        item.release();
        return Count() - 1;
    }
    template <class... A>
    T* AddNew(A&&... args) {
        auto p = std::make_unique<T>(std::forward<A>(args)...);
        T* raw = p.get();
        Add(std::move(p));
        return raw;
    }
    // Frees item i and closes the gap.
    void Delete(int i) {
        CheckIndex(i);
        T* p = FItems[static_cast<size_t>(i)];
        FItems.erase(FItems.begin() + i);
        delete p;
    }
    void Exchange(int i, int j) {
        CheckIndex(i);
        CheckIndex(j);
        std::swap(FItems[static_cast<size_t>(i)], FItems[static_cast<size_t>(j)]);
    }
    void Clear() {
        std::vector<T*> items;
        items.swap(FItems);
        for (T* p : items) delete p;
    }
    // Reorders the items by compare (which receives the items as const void*).
    void Sort(TListSortCompare compare) {
        if (FItems.size() > 1) QuickSortRange(FItems.data(), 0, Count() - 1, compare);
    }

private:
    void CheckIndex(int i) const {
        if (i < 0 || i >= Count())
            throw Exception(L"List index out of bounds (" + std::to_wstring(i) + L")");
    }
    std::vector<T*> FItems;
};

// A picture: empty, or holding a bitmap.
class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The bitmap held, or null when the picture holds none (or only an empty one).
    const TBitmap* Graphic() const { return FBitmap && !FBitmap->Empty() ? FBitmap.get() : nullptr; }
    bool Empty() const { return Graphic() == nullptr; }
    // The picture's bitmap, made empty on first use.
    TBitmap& Bitmap();
    void Assign(const TPicture& source);
    void Assign(const TBitmap& source) { Bitmap().Assign(source); }
    void Clear() { FBitmap.reset(); }

private:
    std::unique_ptr<TBitmap> FBitmap;
};

class TCustomImageList;

// Lets a client of an image list hear that the list goes away, so it never keeps a dangling
// reference. The client owns the link; the list only points at it while it is registered.
class TChangeLink {
public:
    TChangeLink() = default;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    ~TChangeLink();
    TCustomImageList* Sender() const { return FSender; }
    std::function<void()> OnDestroyed;

private:
    friend class TCustomImageList;
    TCustomImageList* FSender = nullptr;
};

// Images of one size, addressed by index.
class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner = nullptr) : TComponent(owner) {}
    TCustomImageList(int width, int height, TComponent* owner = nullptr);
    ~TCustomImageList() override;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Changing the size empties the list (its images no longer fit).
    void SetSize(int width, int height);
    int Count() const { return static_cast<int>(FImages.size()); }
    // Adds a copy of image, which must have the list's size; returns its index.
    int Add(const TBitmap& image);
    void Delete(int index);
    void Clear() { FImages.clear(); }
    // Copies image index into bmp (sized to the list's images). False, and bmp untouched, for
    // an index outside the list.
    bool GetBitmap(int index, TBitmap& bmp) const;

    void RegisterChanges(TChangeLink& link);
    void UnRegisterChanges(TChangeLink& link);

private:
    int FWidth = 16, FHeight = 16;
    std::vector<std::unique_ptr<TBitmap>> FImages;
    std::vector<TChangeLink*> FLinks;
};

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
};

}  // namespace ui
