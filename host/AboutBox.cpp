#include "host/AboutBox.h"
#include "host/MakerInfo.h"
#include <vector>

namespace host {

std::wstring AboutText() {
    return std::wstring(L"舒尔特表\r\n版本 ") + maker::ProductVersion + L"\r\n" + maker::CompanyName + L"\r\n" +
           maker::SiteAddress;
}

namespace {

// Builds a dialog template in memory: no resource script, and the texts stay wide literals.
class TemplateWriter {
public:
    void Align(size_t n) {
        while (FData.size() % n) FData.push_back(0);
    }
    template <class T>
    void Put(const T& v) {
        const auto* p = reinterpret_cast<const unsigned char*>(&v);
        FData.insert(FData.end(), p, p + sizeof(T));
    }
    void PutString(const std::wstring& s) {
        for (wchar_t c : s) Put(static_cast<WORD>(c));
        Put(static_cast<WORD>(0));
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const std::wstring& text) {
        Align(4);
        DLGITEMTEMPLATE it{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
        Put(it);
        Put(static_cast<WORD>(0xFFFF));
        Put(atom);
        PutString(text);
        Put(static_cast<WORD>(0));  // no creation data
        ++FCount;
    }
    std::vector<unsigned char> FData;
    WORD FCount = 0;
};

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            RECT r, o;
            GetWindowRect(dlg, &r);
            HWND owner = GetWindow(dlg, GW_OWNER);
            if (owner && GetWindowRect(owner, &o)) {
                SetWindowPos(dlg, nullptr, o.left + ((o.right - o.left) - (r.right - r.left)) / 2,
                             o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDYES || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDYES);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            EndDialog(dlg, IDYES);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowAboutBox(HWND owner) {
    TemplateWriter w;
    DLGTEMPLATE head{DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, 200, 96};
    w.Put(head);
    w.Put(static_cast<WORD>(0));  // no menu
    w.Put(static_cast<WORD>(0));  // standard dialog class
    w.PutString(L"关于");
    w.Put(static_cast<WORD>(9));  // point size
    w.PutString(L"宋体");
    w.Item(SS_LEFT, 14, 10, 172, 52, IDC_ABOUT_TEXT, 0x0082, AboutText());
    w.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 70, 70, 60, 16, IDYES, 0x0080, L"是[&Y]");
    // The item count sits in the header.
    reinterpret_cast<DLGTEMPLATE*>(w.FData.data())->cdit = w.FCount;
    w.Align(4);
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(w.FData.data()), owner,
                            AboutProc, 0);
}

}  // namespace host
