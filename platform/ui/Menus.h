// A menu bar of plain Win32 menus: the system draws it and gives keyboard access (F10, Alt,
// arrows) as in every Windows program. Items keep their own Enabled state; Click() from code does
// nothing while an item is disabled.
#pragma once
#include "platform/ui/Types.h"
#include <memory>
#include <vector>

namespace ui {

class TMainMenu;

class TMenuItem : public TObject {
public:
    TMenuItem(TMainMenu* menu, std::wstring caption);
    ~TMenuItem() override;

    const std::wstring& Caption() const { return FCaption; }
    bool IsSeparator() const { return FCaption == L"-"; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    UINT Command() const { return FCommand; }
    std::wstring Name;

    TMenuItem* Add(std::wstring caption);  // a sub-item
    const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return FItems; }
    HMENU SubMenu() const { return FSubMenu; }

    // Runs OnClick, unless the item is disabled.
    void Click();
    TNotifyEvent OnClick;

private:
    friend class TMainMenu;
    TMainMenu* FMenu;
    TMenuItem* FParent = nullptr;
    std::wstring FCaption;
    bool FEnabled = true;
    UINT FCommand = 0;
    HMENU FSubMenu = nullptr;
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TMainMenu : public TObject {
public:
    TMainMenu();
    ~TMainMenu() override;
    HMENU Handle() const { return FHandle; }
    TMenuItem* Add(std::wstring caption);  // a top-level menu
    const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return FItems; }
    TMenuItem* FindCommand(UINT id) const;
    // Dispatches a menu command; true when it was one of ours.
    bool DispatchCommand(UINT id);
    // The window that shows this menu; it is redrawn when a top-level state changes.
    HWND Window = nullptr;
    // The menu bar belongs to the window once set: the window destroys it.
    bool OwnedByWindow = false;

private:
    friend class TMenuItem;
    UINT NextCommand() { return FNextCommand++; }
    HMENU FHandle;
    UINT FNextCommand = 100;
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

}  // namespace ui
