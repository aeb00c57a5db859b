#include "platform/ui/Classes.h"
#include <algorithm>

namespace ui {

// ---- TStrings ----

void TStrings::CheckIndex(int i, int limit) const {
    if (i < 0 || i > limit) throw Exception(L"List index out of bounds (" + std::to_wstring(i) + L")");
}

const std::wstring& TStrings::Strings(int i) const {
    CheckIndex(i, Count() - 1);
    return FLines[static_cast<size_t>(i)];
}

void TStrings::Put(int i, const std::wstring& s) {
    CheckIndex(i, Count() - 1);
    FLines[static_cast<size_t>(i)] = s;
}

int TStrings::Add(const std::wstring& s) {
    FLines.push_back(s);
    return Count() - 1;
}

void TStrings::Insert(int i, const std::wstring& s) {
    CheckIndex(i, Count());
    FLines.insert(FLines.begin() + i, s);
}

void TStrings::Delete(int i) {
    CheckIndex(i, Count() - 1);
    FLines.erase(FLines.begin() + i);
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    FLines = source.FLines;
}

std::wstring TStrings::Text() const {
    std::wstring out;
    for (const auto& line : FLines) {
        out += line;
        out += L"\r\n";
    }
    return out;
}

void TStrings::SetText(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            lines.emplace_back(text, start, i - start);
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text, start, text.size() - start);
    FLines.swap(lines);
}

// ---- TPicture ----

TBitmap& TPicture::Bitmap() {
    if (!FBitmap) FBitmap = std::make_unique<TBitmap>();
    return *FBitmap;
}

void TPicture::Assign(const TPicture& source) {
    if (&source == this) return;
    if (!source.FBitmap) {
        FBitmap.reset();
        return;
    }
    Bitmap().Assign(*source.FBitmap);
}

// ---- TChangeLink, TCustomImageList ----

TChangeLink::~TChangeLink() {
    if (FSender) FSender->UnRegisterChanges(*this);
}

TCustomImageList::TCustomImageList(int width, int height, TComponent* owner) : TComponent(owner) {
    SetSize(width, height);
}

TCustomImageList::~TCustomImageList() {
    // Clients forget the list before it goes.
    std::vector<TChangeLink*> links;
    links.swap(FLinks);
    for (TChangeLink* l : links) {
        l->FSender = nullptr;
        if (l->OnDestroyed) l->OnDestroyed();
    }
}

void TCustomImageList::SetSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    FImages.clear();
}

int TCustomImageList::Add(const TBitmap& image) {
    if (image.Width() != FWidth || image.Height() != FHeight)
        throw Exception(L"Invalid image size: " + std::to_wstring(image.Width()) + L" x " +
                        std::to_wstring(image.Height()) + L" for a list of " + std::to_wstring(FWidth) + L" x " +
                        std::to_wstring(FHeight));
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(image);
    copy->SetTransparent(false);
    FImages.push_back(std::move(copy));
    return Count() - 1;
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw Exception(L"Image index out of bounds (" + std::to_wstring(index) + L")");
    FImages.erase(FImages.begin() + index);
}

bool TCustomImageList::GetBitmap(int index, TBitmap& bmp) const {
    if (index < 0 || index >= Count()) return false;
    bool transparent = bmp.Transparent();
    bmp.Assign(*FImages[static_cast<size_t>(index)]);
    bmp.SetTransparent(transparent);
    return true;
}

void TCustomImageList::RegisterChanges(TChangeLink& link) {
    if (link.FSender == this) return;
    if (link.FSender) link.FSender->UnRegisterChanges(link);
    link.FSender = this;
    FLinks.push_back(&link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink& link) {
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), &link), FLinks.end());
    if (link.FSender == this) link.FSender = nullptr;
}

}  // namespace ui
