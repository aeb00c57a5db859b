#include "host/UnitMainForm.h"
#include "host/AboutBox.h"
#include "host/Logo.h"
#include "host/MakerInfo.h"
#include "platform/com/OleError.h"
#include "platform/ui/Dialogs.h"

namespace host {

namespace {

constexpr ui::TColor ButtonColor = 0xC08000;

struct ButtonPlace {
    const wchar_t* caption;
    int left, top;
};
// The ring of level buttons around the "请选择一个难度" label; the index is the level (Tag).
constexpr ButtonPlace ButtonPlaces[8] = {
    {L"3 * 3", 0, 56},    {L"4 * 4", 64, 0},    {L"5 * 5", 168, 0},   {L"6 * 6", 232, 56},
    {L"7 * 7", 0, 120},   {L"8 * 8", 64, 168},  {L"9 * 9", 168, 168}, {L"10 * 10", 232, 120},
};

void SetFont(ui::TFont& f, int pixels, bool bold, ui::TColor color, const wchar_t* name = L"宋体") {
    f.SetName(name);
    f.SetHeight(-pixels);
    f.SetStyle(bold ? ui::TFontStyles{ui::fsBold} : ui::TFontStyles{0});
    f.SetColor(color);
    f.SetCharset(GB2312_CHARSET);
}

// Runs at the end of a scope, whatever way it is left.
template <class F>
struct Finally {
    F f;
    ~Finally() { f(); }
};
template <class F>
Finally(F) -> Finally<F>;

}  // namespace

TMainForm::TMainForm() {
    Name = L"MainForm";
    SetCaption(L"舒尔特表");
    SetBorderStyle(ui::TBorderStyle::bsSizeable);
    SetFont(FFont, 11, false, ui::clWindowText);
    ServerFolder = ui::Application().ExeDir();
    BuildComponents();
    SetBounds(0, 0, 679, 462);
    CenterOnScreen();
    OnShow = [this](ui::TObject* s) { FormShow(s); };
    FormCreate(this);
}

TMainForm::~TMainForm() { FormDestroy(this); }

void TMainForm::BuildComponents() {
    N1 = MainMenu1.Add(L"操作");
    N3 = N1->Add(L"开始");
    N5 = N1->Add(L"结束");
    N6 = N1->Add(L"-");
    N8 = N1->Add(L"退出");
    N2 = MainMenu1.Add(L"帮助");
    N9 = N2->Add(L"如何练习");
    N10 = N2->Add(L"关于");
    N4 = N2->Add(L"-");
    N7 = N2->Add(L"快速阅读简介");
    e1 = N2->Add(L"Lernova简介");
    N3->Name = L"N3"; N5->Name = L"N5"; N6->Name = L"N6"; N8->Name = L"N8"; N9->Name = L"N9";
    N10->Name = L"N10"; N4->Name = L"N4"; N7->Name = L"N7"; e1->Name = L"e1";
    N3->OnClick = [this](ui::TObject* s) { N3Click(s); };
    N5->OnClick = [this](ui::TObject* s) { N5Click(s); };
    N8->OnClick = [this](ui::TObject* s) { N8Click(s); };
    N9->OnClick = [this](ui::TObject* s) { N9Click(s); };
    N10->OnClick = [this](ui::TObject* s) { N10Click(s); };
    N7->OnClick = [this](ui::TObject* s) { N7Click(s); };
    e1->OnClick = [this](ui::TObject* s) { e1Click(s); };
    SetMenu(MainMenu1.Handle());
    MainMenu1.OwnedByWindow = true;
    OnMenuCommand = [this](UINT id) { MainMenu1.DispatchCommand(id); };

    RzPanel1 = new ui::TPanel(this);
    RzPanel1->Name = L"RzPanel1";
    RzPanel1->SetBevelOuter(ui::TBevelCut::bvNone);
    RzPanel1->SetColor(ui::clBlack);
    RzPanel1->SetParent(this);
    RzPanel1->SetAlign(ui::TAlign::alClient);
    RzPanel1->OnResize = [this](ui::TObject* s) { RzPanel1Resize(s); };

    RzBackground1 = new ui::TGradientBackground(this);
    RzBackground1->Name = L"RzBackground1";
    RzBackground1->SetBounds(16, 13, 105, 36);
    RzBackground1->SetGradientStyle(ui::TGradientStyle::gdVertical);
    RzBackground1->SetColors(0x804000, 0x100800);
    DrawLogo(RzBackground1->Picture(), 210, 72);
    RzBackground1->SetParent(RzPanel1);

    RzPanel2 = new ui::TPanel(this);
    RzPanel2->Name = L"RzPanel2";
    RzPanel2->SetBevelOuter(ui::TBevelCut::bvNone);
    RzPanel2->SetColor(ui::clBlack);
    RzPanel2->SetBounds(51, 87, 569, 234);
    RzPanel2->SetParent(RzPanel1);

    auto label = [this](ui::TLabel* l, const wchar_t* name, int x, int y, int px, const wchar_t* text) {
        l->Name = name;
        SetFont(l->Font(), px, true, ui::clWhite);
        l->SetBounds(x, y, l->Width(), l->Height());
        l->SetCaption(text);
        l->SetParent(RzPanel2);
    };
    label(RzLabel1 = new ui::TLabel(this), L"RzLabel1", 96, 99, 16, L"请选择一个难度");
    label(RzLabel2 = new ui::TLabel(this), L"RzLabel2", 328, 0, 14, L"●什么是舒尔特表？");
    label(RzLabel3 = new ui::TLabel(this), L"RzLabel3", 327, 106, 14, L"●训练基本要求");

    auto text = [this](ui::TAAText* t, const wchar_t* name, int x, int y, int w, int h, const wchar_t* body) {
        t->Name = name;
        SetFont(t->Font(), 13, true, ui::clYellow);
        // A 13-pixel cell height: the line pitch of the design, also with fonts that carry
        // internal leading (for the design's face the two are the same).
        t->Font().SetHeight(13);
        t->Font().SetQuality(ANTIALIASED_QUALITY);
        t->SetBounds(x, y, w, h);
        t->SetCaption(body);
        t->SetParent(RzPanel2);
    };
    text(AAText1 = new ui::TAAText(this), L"AAText1", 328, 22, 241, 77,
         L"“舒尔特表”训练是快速阅读训练中针对人的视觉定向搜索能力的一种最常见和最有效的方法。心理学上运用这种表，"
         L"一般是为了研究和发展心理感知的速度，其中包括视觉定向搜索运动的速度。");
    text(AAText2 = new ui::TAAText(this), L"AAText2", 326, 125, 243, 109,
         L"为了提高学员的注意力，该训练设置了不同难度和类型的“舒尔特表”可供学员逐级训练。如5*5的“舒尔特表”训练，"
         L"系统要求学员在25秒内必须正确点击完表中无序的1 —25 个数字。训练所需时间越短受训学员的注意力指数越高，"
         L"视野比较宽。思维反映速读敏捷。");

    for (int i = 0; i < 8; ++i) {
        auto* b = new ui::TColorButton(this);
        b->Name = L"dxfColorButton" + std::to_wstring(i + 1);
        b->Tag = i;
        b->SetColor(ButtonColor);
        SetFont(b->Font(), 13, true, ui::clWhite);
        b->SetCaption(ButtonPlaces[i].caption);
        b->SetBounds(ButtonPlaces[i].left, ButtonPlaces[i].top, 65, 41);
        b->OnClick = [this](ui::TObject* s) { dxfColorButton1Click(s); };
        b->SetParent(RzPanel2);
        dxfColorButtons[i] = b;
    }

    RzURLLabel1 = new ui::TURLLabel(this);
    RzURLLabel1->Name = L"RzURLLabel1";
    RzURLLabel1->SetAutoSize(false);
    RzURLLabel1->Font().SetName(L"MS Sans Serif");
    RzURLLabel1->Font().SetHeight(-11);
    RzURLLabel1->SetBounds(312, 376, 335, 13);
    RzURLLabel1->SetCaption(std::wstring(L"了解更多快速阅读方法，请查看帮助或登录") + maker::SiteAddress);
    RzURLLabel1->URL = maker::SiteAddress;
    RzURLLabel1->SetParent(RzPanel1);
}

// ---- creation and end ----

void TMainForm::FormCreate(ui::TObject*) {
    FLevelPresets = config::LevelPresets;
    FConfigDocument = std::make_unique<xml::Document>();
    config::BuildDefaultDocument(*FConfigDocument);
    // The hidden web-browser control of the start page is left out on purpose: nothing reads
    // what it would load, and a trainer should not reach the network on its own at every start.
}

void TMainForm::FormShow(ui::TObject*) {
    N3->SetEnabled(true);
    N5->SetEnabled(false);
}

void TMainForm::FormDestroy(ui::TObject*) {
    FConfigDocument.reset();
    FModule.Reset();
    // The released module frees its window through a posted message; let it run while the
    // panel that holds that window still exists.
    ui::Application().ProcessMessages();
}

// ---- layout ----

void TMainForm::RzPanel2Place() {
    // The design places RzPanel2 centred in RzPanel1; it keeps that place when the size changes.
    RzPanel2->SetBounds((RzPanel1->Width() - RzPanel2->Width()) / 2, (RzPanel1->Height() - RzPanel2->Height()) / 2,
                        RzPanel2->Width(), RzPanel2->Height());
}

void TMainForm::RzPanel1Resize(ui::TObject*) {
    RzPanel2Place();
    if (FModule) com::OleCheck(FModule->Resize(RzPanel1->Width(), RzPanel1->Height()));
}

// ---- levels, launch, stop ----

void TMainForm::dxfColorButton1Click(ui::TObject* Sender) {
    int level = static_cast<ui::TComponent*>(Sender)->Tag;
    if (level < 0 || level >= static_cast<int>(FLevelPresets.size())) return;
    config::ApplyLevelPreset(*FConfigDocument, FLevelPresets[level]);
    N3->Click();
}

void TMainForm::N3Click(ui::TObject*) { LaunchModule(); }
void TMainForm::N5Click(ui::TObject*) { StopModule(); }

void TMainForm::LaunchModule() {
    com::Bstr guid(config::ReadGuid(*FConfigDocument));
    com::ComPtr<IModuleCreator> creator;
    try {
        creator = CoModuleCreator::Create();
    } catch (const com::EOleError&) {
        RegisterServerFile(L"Ambrel.dll");
        creator = CoModuleCreator::Create();
    }

    RzPanel1->SetEnabled(false);
    Finally done{[&] {
        creator.Reset();
        RzPanel1->SetEnabled(true);
    }};

    {
        IModuleExcutor* made = nullptr;
        com::OleCheck(creator->CreateObject(guid.Get(), &made));
        FModule = com::ComPtr<IModuleExcutor>::Attach(made);  // releases the module held so far, also for an empty result
    }
    if (!FModule) {
        RegisterServerFile(L"Quorvel.dll");
        IModuleExcutor* made = nullptr;
        com::OleCheck(creator->CreateObject(guid.Get(), &made));
        FModule = com::ComPtr<IModuleExcutor>::Attach(made);
        if (!FModule) {
            ui::ShowMessage(L"现有软件不支持这种练习方法,请下载最新版本软件!", ui::TMsgDlgType::mtInformation);
            return;
        }
    }
    // A module may release itself from inside one of these calls (OnStop): hold it meanwhile.
    com::ComPtr<IModuleExcutor> module = FModule;
    com::OleCheck(module->ConnectEvent(this));
    com::Bstr section(config::SectionMarkup(*FConfigDocument));
    com::OleCheck(module->LoadConfig(section.Get()));
    com::OleCheck(module->Start(static_cast<ULONG>(reinterpret_cast<UINT_PTR>(RzPanel1->Handle()))));
}

void TMainForm::StopModule() {
    N3->SetEnabled(true);
    N5->SetEnabled(false);
    FModule.Reset();
}

void TMainForm::RegisterServerFile(const std::wstring& FileName) {
    // By full path from the executable's folder: a file of that name in the current folder is
    // never loaded in its place.
    HMODULE lib = LoadLibraryExW((ServerFolder + FileName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!lib) return;
    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    if (auto reg = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(lib, "DllRegisterServer"))))
        reg();
    FreeLibrary(lib);
}

// ---- menus ----

void TMainForm::N8Click(ui::TObject*) { ui::Application().Terminate(); }

void TMainForm::N9Click(ui::TObject*) { ui::ShellOpen(ui::Application().ExeDir() + L"Help\\m07.html"); }

void TMainForm::N10Click(ui::TObject*) { ShowAboutBox(Handle()); }

void TMainForm::N7Click(ui::TObject*) { ui::ShellOpen(std::wstring(maker::SiteAddress) + L"/jsp/theroy/x06110701.html"); }

void TMainForm::e1Click(ui::TObject*) { ui::ShellOpen(std::wstring(maker::SiteAddress) + L"/jsp/product/product.html"); }

// ---- the sink ----

HRESULT TMainForm::OnStart() {
    return com::QuietCall([&] {
        N3->SetEnabled(false);
        N5->SetEnabled(true);
    });
}
HRESULT TMainForm::OnPause() { return S_OK; }
HRESULT TMainForm::OnResume() { return S_OK; }
HRESULT TMainForm::OnStop() {
    return com::QuietCall([&] { StopModule(); });
}
HRESULT TMainForm::OnReport(BSTR, BSTR) { return S_OK; }

}  // namespace host
