// The host's main window: start page with the eight levels, the configuration document of the
// exercise, and the frame that hosts one exercise module at a time in RzPanel1. It is the
// module's event sink; the sink's reference counting is inert because the window outlives every
// module it hosts.
#pragma once
#include "contract/Ambrel_TLB.h"
#include "contract/ConfigDocument.h"
#include "platform/com/AutoObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Bstr.h"
#include "platform/ui/Background.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include <array>
#include <memory>

namespace host {

using config::TLevelPreset;

class TMainForm : public ui::TForm, public com::TUncountedDispatch<IEventCallor> {
public:
    TMainForm();
    ~TMainForm() override;

    // IUnknown is not counted and IDispatch is not offered (E_NOTIMPL): TUncountedDispatch.
    // IEventCallor
    HRESULT STDMETHODCALLTYPE OnStart() override;
    HRESULT STDMETHODCALLTYPE OnPause() override;
    HRESULT STDMETHODCALLTYPE OnResume() override;
    HRESULT STDMETHODCALLTYPE OnStop() override;
    HRESULT STDMETHODCALLTYPE OnReport(BSTR AType, BSTR AReport) override;

    // Published handlers.
    void FormCreate(ui::TObject* Sender);
    void FormShow(ui::TObject* Sender);
    void FormDestroy(ui::TObject* Sender);
    void RzPanel1Resize(ui::TObject* Sender);
    void N3Click(ui::TObject* Sender);
    void N5Click(ui::TObject* Sender);
    void N8Click(ui::TObject* Sender);
    void N9Click(ui::TObject* Sender);
    void N10Click(ui::TObject* Sender);
    void N7Click(ui::TObject* Sender);
    void e1Click(ui::TObject* Sender);
    void dxfColorButton1Click(ui::TObject* Sender);
    void RzPanel2Place();

    // Components (names as in the window's description).
    ui::TMainMenu MainMenu1;
    ui::TMenuItem* N1 = nullptr;  // "操作"
    ui::TMenuItem* N2 = nullptr;  // "帮助"
    ui::TMenuItem* N3 = nullptr;
    ui::TMenuItem* N5 = nullptr;
    ui::TMenuItem* N6 = nullptr;
    ui::TMenuItem* N8 = nullptr;
    ui::TMenuItem* N9 = nullptr;
    ui::TMenuItem* N10 = nullptr;
    ui::TMenuItem* N4 = nullptr;
    ui::TMenuItem* N7 = nullptr;
    ui::TMenuItem* e1 = nullptr;
    ui::TPanel* RzPanel1 = nullptr;
    ui::TGradientBackground* RzBackground1 = nullptr;
    ui::TPanel* RzPanel2 = nullptr;
    ui::TLabel* RzLabel1 = nullptr;
    ui::TLabel* RzLabel2 = nullptr;
    ui::TAAText* AAText1 = nullptr;
    ui::TLabel* RzLabel3 = nullptr;
    ui::TAAText* AAText2 = nullptr;
    std::array<ui::TColorButton*, 8> dxfColorButtons{};
    ui::TURLLabel* RzURLLabel1 = nullptr;

    // For tests and the benchmark: what the window holds.
    IModuleExcutor* Module() const { return FModule.Get(); }
    xml::Document& ConfigDocument() { return *FConfigDocument; }
    const std::array<TLevelPreset, 8>& LevelPresets() const { return FLevelPresets; }

    void StopModuleForTest() { StopModule(); }
    // Where the server files are looked for: the executable's folder (never the current folder).
    std::wstring ServerFolder;

private:
    void LaunchModule();
    void StopModule();
    void RegisterServerFile(const std::wstring& FileName);
    void BuildComponents();

    std::unique_ptr<xml::Document> FConfigDocument;
    com::ComPtr<IModuleExcutor> FModule;
    std::array<TLevelPreset, 8> FLevelPresets{};
};

}  // namespace host
