#include "platform/ui/Menus.h"

namespace ui {

TMenuItem::TMenuItem(TMainMenu* menu, std::wstring caption) : FMenu(menu), FCaption(std::move(caption)) {}

TMenuItem::~TMenuItem() = default;

TMenuItem* TMenuItem::Add(std::wstring caption) {
    if (!FSubMenu) throw std::logic_error("only a top-level menu takes items");
    auto item = std::make_unique<TMenuItem>(FMenu, std::move(caption));
    item->FParent = this;
    if (item->IsSeparator()) {
        AppendMenuW(FSubMenu, MF_SEPARATOR, 0, nullptr);
    } else {
        item->FCommand = FMenu->NextCommand();
        AppendMenuW(FSubMenu, MF_STRING, item->FCommand, item->FCaption.c_str());
    }
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

void TMenuItem::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    if (FParent && FCommand) {
        EnableMenuItem(FParent->FSubMenu, FCommand, MF_BYCOMMAND | (v ? MF_ENABLED : MF_GRAYED));
    } else if (!FParent) {
        // A top-level menu: by position in the bar.
        int count = GetMenuItemCount(FMenu->Handle());
        for (int i = 0; i < count; ++i)
            if (GetSubMenu(FMenu->Handle(), i) == FSubMenu)
                EnableMenuItem(FMenu->Handle(), i, MF_BYPOSITION | (v ? MF_ENABLED : MF_GRAYED));
        if (FMenu->Window) DrawMenuBar(FMenu->Window);
    }
}

void TMenuItem::Click() {
    if (!FEnabled || (FParent && !FParent->FEnabled)) return;
    if (OnClick) OnClick(this);
}

TMainMenu::TMainMenu() : FHandle(CreateMenu()) {}

TMainMenu::~TMainMenu() {
    if (!OwnedByWindow || !Window || !IsWindow(Window)) DestroyMenu(FHandle);
}

TMenuItem* TMainMenu::Add(std::wstring caption) {
    auto item = std::make_unique<TMenuItem>(this, std::move(caption));
    item->FSubMenu = CreatePopupMenu();
    AppendMenuW(FHandle, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(item->FSubMenu), item->FCaption.c_str());
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

static TMenuItem* Find(const std::vector<std::unique_ptr<TMenuItem>>& items, UINT id) {
    for (auto& i : items) {
        if (i->Command() == id) return i.get();
        if (TMenuItem* f = Find(i->Items(), id)) return f;
    }
    return nullptr;
}

TMenuItem* TMainMenu::FindCommand(UINT id) const { return Find(FItems, id); }

bool TMainMenu::DispatchCommand(UINT id) {
    TMenuItem* item = FindCommand(id);
    if (!item) return false;
    item->Click();
    return true;
}

}  // namespace ui
