// The module server fed with hundreds of malformed and odd configuration texts through COM, as a
// damaged or hand-edited host document would reach it: every LoadConfig either succeeds, and then
// Start either starts or fails with error information, or fails with error information itself;
// the process survives, no error box pops up, and every module can be released to zero.
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>
#include "contract/Ambrel_TLB.h"
#include "contract/ConfigDocument.h"
#include "module/Quorvel_TLB.h"
#include "platform/com/Bstr.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Pump.h"
#include "tests/support/StackSink.h"
#include "tests/support/Windows.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;
namespace fs = std::filesystem;

using testing_support::TServer;
using testing_support::TStackSink;
using testing_support::WindowAt;

namespace {

// ----- the cases ----------------------------------------------------------------------------

enum class TExpect {
    Either,      // anything the contract allows
    LoadFails,   // LoadConfig fails with error information
    Starts,      // LoadConfig and Start succeed, OnStart reaches the sink
    StartFails,  // LoadConfig succeeds, Start fails with error information
};

std::ostream& operator<<(std::ostream& out, TExpect e) {
    const char* names[] = {"either outcome", "LoadConfig fails", "Start succeeds", "Start fails"};
    return out << names[static_cast<int>(e)];
}

struct TCase {
    TCase(std::string name, std::optional<std::wstring> text, TExpect expect, std::wstring mentions = L"",
          int level = -1)
        : Name(std::move(name)), Text(std::move(text)), Expect(expect), Mentions(std::move(mentions)), Level(level) {}
    std::string Name;
    std::optional<std::wstring> Text;  // nullopt: a null BSTR
    TExpect Expect;
    std::wstring Mentions;  // a part of the error description, when the case names one
    int Level;              // a level rewrite: the grid shows that level's rows and columns
};

std::wstring DefaultSection() {
    xml::Document doc;
    config::BuildDefaultDocument(doc);
    return config::SectionMarkup(doc);
}

std::wstring LevelSection(int level) {
    xml::Document doc;
    config::BuildDefaultDocument(doc);
    config::ApplyLevelPreset(doc, config::LevelPreset(level));
    return config::SectionMarkup(doc);
}

// A whole section around `tests`, with the content of caption and description as given.
std::wstring Section(const std::wstring& tests, const std::wstring& caption = L"c",
                     const std::wstring& description = L"d") {
    return L"<section type=\"20\" GUID=\"{2A0C851E-3871-4741-938E-6EDFDA67067B}\"><caption>" + caption +
           L"</caption><description>" + description + L"</description><display splash=\"1\"/><tests>" + tests +
           L"</tests></section>";
}

// One test element; each attribute can be replaced (a value) or left out (nullopt).
struct TTestAttrs {
    std::optional<std::wstring> rowCount = L"3", colCount = L"3", minNumber = L"1", maxNumber = L"9",
                                intervals = L"60000", fontName = L"宋体", fontSize = L"20", sound = L"0";
};
std::wstring TestElement(const TTestAttrs& a, const std::wstring& name = L"test") {
    std::wstring s = L"<" + name;
    auto add = [&](const wchar_t* n, const std::optional<std::wstring>& v) {
        if (v) s += L" " + std::wstring(n) + L"=\"" + *v + L"\"";
    };
    add(L"rowCount", a.rowCount);
    add(L"colCount", a.colCount);
    add(L"minNumber", a.minNumber);
    add(L"maxNumber", a.maxNumber);
    add(L"intervals", a.intervals);
    add(L"fontName", a.fontName);
    add(L"fontSize", a.fontSize);
    add(L"sound", a.sound);
    return s + L"/>";
}
template <class F>
std::wstring With(F change) {
    TTestAttrs a;
    change(a);
    return Section(TestElement(a));
}

// A section with one good test and the caption's content as given.
std::wstring WithCaption(const std::wstring& caption) { return Section(TestElement(TTestAttrs{}), caption); }

// A case's name for the test's output: ASCII as it is, anything else as \uXXXX.
std::string Printable(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

std::wstring Repeat(const std::wstring& s, size_t n) {
    std::wstring r;
    r.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) r += s;
    return r;
}

// Hand-made cases, each with what the documented reading makes of it.
std::vector<TCase> TableCases() {
    const std::wstring def = DefaultSection();
    const std::wstring tail = def.substr(def.find(L"<caption>"));
    using A = TTestAttrs;
    std::vector<TCase> cases = {
        {"null BSTR", std::nullopt, TExpect::LoadFails},
        {"empty text", L"", TExpect::LoadFails},
        {"only blanks", L" \r\n\t ", TExpect::LoadFails},
        {"the default section", def, TExpect::Starts},
        {"NUL inside the caption", WithCaption(std::wstring(L"a\0b", 3)), TExpect::LoadFails},
        {"NUL after the root", def + std::wstring(1, L'\0'), TExpect::LoadFails},
        {"NUL in an attribute", With([](A& a) { a.fontName = std::wstring(L"a\0b", 3); }), TExpect::LoadFails},
        {"lone high surrogate in the caption", WithCaption(L"\xD800"), TExpect::LoadFails},
        {"lone low surrogate in a font name", With([](A& a) { a.fontName = L"x\xDC00y"; }), TExpect::LoadFails},
        {"reversed surrogate pair", With([](A& a) { a.fontName = L"\xDC00\xD800"; }), TExpect::LoadFails},
        {"surrogate pair and non-ASCII font name", With([](A& a) { a.fontName = L"楷体_GB2312\xD83D\xDE00é"; }),
         TExpect::Starts},
        {"U+FFFF in the description", Section(TestElement(TTestAttrs{}), L"c", L"\xFFFF"), TExpect::LoadFails},
        {"character reference to NUL", WithCaption(L"&#0;"), TExpect::LoadFails},
        {"character reference to a surrogate", WithCaption(L"&#xD800;"), TExpect::LoadFails},
        {"character reference beyond Unicode", WithCaption(L"&#x110000;"), TExpect::LoadFails},
        {"character reference to U+10FFFF", WithCaption(L"&#x10FFFF;"), TExpect::Starts},
        {"undeclared entity", WithCaption(L"&lol;"), TExpect::LoadFails},
        {"DOCTYPE with entities", L"<!DOCTYPE section [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" + def,
         TExpect::LoadFails, L"DOCTYPE"},
        {"a second declaration", L"<?xml version=\"1.0\"?>" + def, TExpect::LoadFails},
        {"byte order mark in front", L"\xFEFF" + def, TExpect::Either},
        {"two roots", def + def, TExpect::LoadFails},
        {"deep nesting inside tests", Section(Repeat(L"<a>", 300) + Repeat(L"</a>", 300)), TExpect::LoadFails,
         L"deeper"},
        {"nesting just below the bound inside a test",
         Section(L"<test rowCount=\"3\" colCount=\"3\" minNumber=\"1\" maxNumber=\"9\" intervals=\"60000\" "
                 L"fontName=\"f\" fontSize=\"20\" sound=\"0\">" + Repeat(L"<x>", 250) + Repeat(L"</x>", 250) +
                 L"</test>"),
         TExpect::Starts},
        {"deep nesting in the caption",
         L"<section><caption>" + Repeat(L"<b>", 1000) + Repeat(L"</b>", 1000) + L"</caption></section>",
         TExpect::LoadFails, L"deeper"},
        {"unclosed elements many deep", Repeat(L"<section>", 100000), TExpect::LoadFails},
        {"a million-character caption",
         L"<section><caption>" + std::wstring(1000000, L'舒') + L"</caption><description>d</description>"
         L"<display splash=\"0\"/><tests>" + TestElement(A{}) + L"</tests></section>",
         TExpect::Starts},
        {"a million-character attribute name", Section(L"<test " + std::wstring(1000000, L'a') + L"=\"1\"/>"),
         TExpect::LoadFails, L"rowCount"},
        {"a hundred-thousand-character font name", With([](A& a) { a.fontName = std::wstring(100000, L'W'); }),
         TExpect::Starts},
        {"a million leading zeros", With([](A& a) { a.rowCount = std::wstring(1000000, L'0') + L"3"; }),
         TExpect::Starts},
        {"a million nines", With([](A& a) { a.rowCount = std::wstring(1000000, L'9'); }), TExpect::LoadFails},
        {"root element of another name",
         L"<other>" + tail.substr(0, tail.rfind(L"</section>")) + L"</other>", TExpect::Starts},
        {"caption absent",
         L"<section><description/><display splash=\"1\"/><tests>" + TestElement(A{}) + L"</tests></section>",
         TExpect::LoadFails, L"'caption'"},
        {"description absent",
         L"<section><caption/><display splash=\"1\"/><tests>" + TestElement(A{}) + L"</tests></section>",
         TExpect::LoadFails, L"'description'"},
        {"display absent", L"<section><caption/><description/><tests>" + TestElement(A{}) + L"</tests></section>",
         TExpect::LoadFails, L"'display'"},
        {"tests absent", L"<section><caption/><description/><display splash=\"1\"/></section>", TExpect::LoadFails,
         L"'tests'"},
        {"Tests in another letter case",
         L"<section><caption/><description/><display splash=\"1\"/><Tests>" + TestElement(A{}) + L"</Tests></section>",
         TExpect::LoadFails, L"'tests'"},
        {"splash absent", L"<section><caption/><description/><display/><tests/></section>", TExpect::LoadFails,
         L"'splash'"},
        {"splash empty", L"<section><caption/><description/><display splash=\"\"/><tests/></section>",
         TExpect::LoadFails},
        {"empty tests", Section(L""), TExpect::StartFails, L"没有可以开始的测试"},
        {"tests holding a comment first", Section(L"<!--x-->" + TestElement(A{})), TExpect::LoadFails,
         L"not an element"},
        {"tests holding text first", Section(L"abc" + TestElement(A{})), TExpect::LoadFails, L"not an element"},
        {"tests holding CDATA first", Section(L"<![CDATA[x]]>" + TestElement(A{})), TExpect::LoadFails},
        {"a test of another name", Section(TestElement(A{}, L"probe")), TExpect::Starts},
        {"two tests elements, the first empty",
         L"<section><caption/><description/><display splash=\"1\"/><tests/><tests>" + TestElement(A{}) +
             L"</tests></section>",
         TExpect::StartFails, L"没有可以开始的测试"},
        {"two tests elements, the first holding the test",
         L"<section><caption/><description/><display splash=\"1\"/><tests>" + TestElement(A{}) +
             L"</tests><tests/></section>",
         TExpect::Starts},
        {"duplicate caption", L"<section><caption>a</caption><caption>b</caption><description/>"
                              L"<display splash=\"1\"/><tests>" + TestElement(A{}) + L"</tests></section>",
         TExpect::Starts},
        {"duplicate attribute", Section(L"<test rowCount=\"3\" rowCount=\"4\"/>"), TExpect::LoadFails},
        {"unquoted attribute", Section(L"<test rowCount=3/>"), TExpect::LoadFails},
        {"empty test element", Section(L"<test/>"), TExpect::LoadFails, L"'rowCount'"},
        {"a test that does not close", Section(L"<test rowCount=\"3\">"), TExpect::LoadFails},
        {"more tests than anyone runs", Section(Repeat(TestElement(A{}), 2000)), TExpect::Starts},
    };
    // Each attribute left out, emptied, or given a text that is not its kind.
    const wchar_t* names[] = {L"rowCount", L"colCount", L"minNumber", L"maxNumber",
                              L"intervals", L"fontName", L"fontSize", L"sound"};
    for (int i = 0; i < 8; ++i) {
        auto slot = [i](A& a) -> std::optional<std::wstring>& {
            std::optional<std::wstring>* all[] = {&a.rowCount, &a.colCount, &a.minNumber, &a.maxNumber,
                                                   &a.intervals, &a.fontName, &a.fontSize, &a.sound};
            return *all[i];
        };
        const std::string n = Printable(names[i]);
        cases.push_back({n + " absent", With([&](A& a) { slot(a).reset(); }), TExpect::LoadFails,
                         L"'" + std::wstring(names[i]) + L"'"});
        // Any text is a font name; every other attribute takes a number or a boolean.
        const TExpect oddValue = i == 5 ? TExpect::Starts : TExpect::LoadFails;
        cases.push_back({n + " empty", With([&](A& a) { slot(a) = L""; }), oddValue});
        for (const wchar_t* odd : {L" 3", L"3 ", L"0x10", L"1e3", L"3.0", L"三", L"\x0663", L"--1", L"+", L"&amp;"})
            cases.push_back({n + " = '" + Printable(odd) + "'", With([&](A& a) { slot(a) = odd; }), oddValue});
    }
    // Numbers at and beyond the edges of 32 bits, and counts and times of no use.
    struct TNumberCase {
        const char* name;
        void (*change)(A&);
        TExpect expect;
    } numbers[] = {
        {"rowCount 2147483648", [](A& a) { a.rowCount = L"2147483648"; }, TExpect::LoadFails},
        {"colCount -2147483649", [](A& a) { a.colCount = L"-2147483649"; }, TExpect::LoadFails},
        {"rowCount -2147483648", [](A& a) { a.rowCount = L"-2147483648"; }, TExpect::Starts},
        {"rowCount 0", [](A& a) { a.rowCount = L"0"; }, TExpect::Starts},
        {"colCount -1", [](A& a) { a.colCount = L"-1"; }, TExpect::Starts},
        {"rowCount and colCount 0", [](A& a) { a.rowCount = a.colCount = L"0"; }, TExpect::Starts},
        {"one row of nine", [](A& a) { a.rowCount = L"1"; a.colCount = L"9"; }, TExpect::Starts},
        {"more cells than numbers", [](A& a) { a.rowCount = a.colCount = L"40"; }, TExpect::Starts},
        {"more numbers than cells", [](A& a) { a.maxNumber = L"5000"; }, TExpect::Starts},
        {"rows at the bound", [](A& a) { a.rowCount = L"32767"; }, TExpect::Starts},
        {"columns at the bound", [](A& a) { a.colCount = L"32767"; a.rowCount = L"2"; }, TExpect::Starts},
        {"the largest grid holding the most numbers",
         [](A& a) { a.rowCount = a.colCount = L"32767"; a.maxNumber = L"100000"; }, TExpect::Starts},
        {"rows beyond the bound", [](A& a) { a.rowCount = L"32768"; }, TExpect::LoadFails},
        {"rowCount 2147483647", [](A& a) { a.rowCount = L"2147483647"; }, TExpect::LoadFails},
        {"colCount 2147483647", [](A& a) { a.colCount = L"+2147483647"; }, TExpect::LoadFails},
        {"both counts 2147483647", [](A& a) { a.rowCount = a.colCount = L"2147483647"; }, TExpect::LoadFails},
        {"minNumber above maxNumber", [](A& a) { a.minNumber = L"10"; a.maxNumber = L"1"; }, TExpect::Starts},
        {"negative numbers", [](A& a) { a.minNumber = L"-9"; a.maxNumber = L"-1"; }, TExpect::Starts},
        {"the top number only", [](A& a) { a.minNumber = a.maxNumber = L"2147483647"; }, TExpect::Starts},
        {"the bottom number only", [](A& a) { a.minNumber = a.maxNumber = L"-2147483648"; }, TExpect::Starts},
        {"the most numbers a test holds", [](A& a) { a.minNumber = L"1"; a.maxNumber = L"100000"; }, TExpect::Starts},
        {"one number too many", [](A& a) { a.minNumber = L"0"; a.maxNumber = L"100000"; }, TExpect::LoadFails},
        {"the whole 32-bit range", [](A& a) { a.minNumber = L"-2147483648"; a.maxNumber = L"2147483647"; },
         TExpect::LoadFails},
        {"intervals 0", [](A& a) { a.intervals = L"0"; }, TExpect::Starts},
        {"intervals -1", [](A& a) { a.intervals = L"-1"; }, TExpect::Starts},
        {"intervals 1", [](A& a) { a.intervals = L"1"; }, TExpect::Starts},
        {"intervals 1 with sound", [](A& a) { a.intervals = L"1"; a.sound = L"1"; }, TExpect::Starts},
        {"intervals -2147483648", [](A& a) { a.intervals = L"-2147483648"; }, TExpect::Starts},
        {"intervals 2147483647", [](A& a) { a.intervals = L"2147483647"; }, TExpect::Starts},
        {"fontSize 0", [](A& a) { a.fontSize = L"0"; }, TExpect::Starts},
        {"fontSize -20", [](A& a) { a.fontSize = L"-20"; }, TExpect::Starts},
        {"fontSize 1", [](A& a) { a.fontSize = L"1"; }, TExpect::Starts},
        {"fontSize 2147483647", [](A& a) { a.fontSize = L"2147483647"; }, TExpect::Starts},
        {"fontSize -2147483648", [](A& a) { a.fontSize = L"-2147483648"; }, TExpect::Starts},
        {"sound TRUE", [](A& a) { a.sound = L"TRUE"; }, TExpect::Starts},
        {"sound -0", [](A& a) { a.sound = L"-0"; }, TExpect::Starts},
        {"sound yes", [](A& a) { a.sound = L"yes"; }, TExpect::LoadFails},
    };
    for (const TNumberCase& c : numbers) cases.push_back({c.name, With(c.change), c.expect});
    // Every level as the host writes it.
    for (int level = 0; level < static_cast<int>(config::LevelCount); ++level)
        cases.push_back({"level " + std::to_string(level), LevelSection(level), TExpect::Starts, L"", level});
    return cases;
}

// The default section cut at every place: none of them is a whole document.
std::vector<TCase> TruncatedCases() {
    const std::wstring def = DefaultSection();
    std::vector<TCase> cases;
    for (size_t n = 0; n < def.size(); ++n)
        cases.push_back({"the default section cut after " + std::to_string(n) + " characters", def.substr(0, n),
                         TExpect::LoadFails});
    return cases;
}

// The default section with a few characters changed, inserted or deleted, from a fixed seed.
std::vector<TCase> MutatedCases(int count) {
    const std::wstring def = DefaultSection();
    std::mt19937 random(20240611u);
    const std::wstring markup = L"<>/=\"'&;!?[]-#x0123456789 \t\r\n";
    const wchar_t odd[] = {L'\0', L'\xD800', L'\xDBFF', L'\xDC00', L'\xDFFF', L'\xFFFE', L'\xFFFF', L'\x7F',
                           L'\x1F', L'舒', L'\xFEFF', L'\x85', L'\x2028'};
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto character = [&]() -> wchar_t {
        switch (pick(3)) {
            case 0: return markup[pick(markup.size())];
            case 1: return odd[pick(std::size(odd))];
            default: return static_cast<wchar_t>(random() & 0xFFFF);
        }
    };
    std::vector<TCase> cases;
    for (int i = 0; i < count; ++i) {
        std::wstring text = def;
        const size_t edits = 1 + pick(4);
        for (size_t e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = pick(text.size());
            switch (pick(4)) {
                case 0: text[at] = character(); break;
                case 1: text.insert(at, 1, character()); break;
                case 2: text.erase(at, 1 + pick(8)); break;
                default: {  // a piece of the text again somewhere else
                    const size_t from = pick(text.size());
                    text.insert(at, text.substr(from, 1 + pick(40)));
                    break;
                }
            }
        }
        cases.push_back({"mutation " + std::to_string(i), text, TExpect::Either});
    }
    return cases;
}

// ----- the module through COM ---------------------------------------------------------------


// A sink on the test's stack with a real count, so the test sees that the module lets go of it.
class TSink : public TStackSink {
public:
    int Starts = 0;
    HRESULT STDMETHODCALLTYPE OnStart() override { ++Starts; return S_OK; }
};

// The description of the thread's error information, which is taken (and so cleared); "" when
// there is none. The information must come from the module's interface.
std::wstring TakeErrorDescription() {
    com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return L"";
    GUID iid = GUID_NULL;
    info->GetGUID(&iid);
    EXPECT_TRUE(iid == IID_IModuleExcutor) << "error information of another interface";
    com::Bstr d;
    info->GetDescription(d.Put());
    return d.Str();
}


bool IsNumberColour(ui::TColor c) {
    // The grid draws its numbers in yellow on black; anti-aliased edges are darker yellows.
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return r > 160 && g > 160 && b < 96;
}

// The grid as it paints itself shows numbers in each of rows x cols equal cells, and none on
// the lines between them: the grid has exactly that many rows and columns, all filled.
::testing::AssertionResult ShowsGridOf(HWND grid, int rows, int cols) {
    RECT cr;
    GetClientRect(grid, &cr);
    ui::TBitmap picture(cr.right, cr.bottom);
    SendMessageW(grid, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.DC()), PRF_CLIENT);
    const int w = cr.right / cols, h = cr.bottom / rows;
    if (w < 2 || h < 2) return ::testing::AssertionFailure() << "cells of " << w << " x " << h << " pixels";
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            bool number = false;
            for (int y = r * h + 1; y < (r + 1) * h - 1 && !number; ++y)
                for (int x = c * w + 1; x < (c + 1) * w - 1 && !number; ++x)
                    number = IsNumberColour(picture.Pixel(x, y));
            if (!number) return ::testing::AssertionFailure() << "no number in cell " << r << "," << c;
        }
    for (int k = 1; k < cols; ++k)
        for (int y = 0; y < cr.bottom; ++y)
            if (IsNumberColour(picture.Pixel(k * w, y)))
                return ::testing::AssertionFailure() << "a number across the line before column " << k;
    for (int k = 1; k < rows; ++k)
        for (int x = 0; x < cr.right; ++x)
            if (IsNumberColour(picture.Pixel(x, k * h)))
                return ::testing::AssertionFailure() << "a number across the line before row " << k;
    return ::testing::AssertionSuccess();
}

class HostileConfig : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ui::Application().Initialize();
        quorvel = new TServer(L"Quorvel.dll");
        watcher = new testing_support::TDialogWatcher();
    }
    static void TearDownTestSuite() {
        delete watcher;
        delete quorvel;
    }
    void SetUp() override {
        ASSERT_TRUE(quorvel->Loaded());
        ASSERT_EQ(quorvel->Call("DllRegisterServer"), S_OK);
        parent = std::make_unique<ui::TForm>();
        parent->SetBorderStyle(ui::TBorderStyle::bsSingle);
        parent->Show();
        parent->SetClientSize(700, 500);
    }
    void TearDown() override {
        parent.reset();
        PumpFor(20);
        // No error of the module was shown as a box (the watcher closed any that came up).
        for (const auto& d : watcher->Seen())
            ADD_FAILURE() << "an error box was shown: " << (d.Texts.empty() ? std::wstring() : d.Texts.front());
    }

    HRESULT Load(IModuleExcutor* m, const std::optional<std::wstring>& text) {
        SetErrorInfo(0, nullptr);
        if (!text) return m->LoadConfig(nullptr);
        com::Bstr b(*text);
        return m->LoadConfig(b.Get());
    }
    HRESULT Start(IModuleExcutor* m) {
        SetErrorInfo(0, nullptr);
        return m->Start(static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(parent->Handle())));
    }
    HWND FormWindow() const { return GetWindow(parent->Handle(), GW_CHILD); }

    // What came of the cases of one test, printed at its end.
    struct TTally {
        int Rejected = 0, Started = 0, StartRefused = 0;
    };

    // Start after a successful LoadConfig: it starts (OnStart reached the sink, the form shows) or
    // fails with error information.
    void StartLoaded(IModuleExcutor* module, const TCase& c, const TSink& sink, TTally& tally) {
        const int startsBefore = sink.Starts;
        const HRESULT start = Start(module);
        if (FAILED(start)) {
            ++tally.StartRefused;
            const std::wstring error = TakeErrorDescription();
            EXPECT_FALSE(error.empty()) << "Start failed (" << std::hex << start << ") without error information";
            EXPECT_NE(c.Expect, TExpect::Starts) << error;
            if (!c.Mentions.empty()) {
                EXPECT_NE(error.find(c.Mentions), std::wstring::npos) << error;
            }
            return;
        }
        ++tally.Started;
        EXPECT_EQ(start, S_OK);
        EXPECT_NE(c.Expect, TExpect::StartFails);
        EXPECT_EQ(sink.Starts, startsBefore + 1) << "OnStart reached the sink";
        EXPECT_TRUE(IsWindowVisible(FormWindow()));
        if (c.Level >= 0) {
            const config::TLevelPreset& p = config::LevelPreset(c.Level);
            RECT pr;
            GetClientRect(parent->Handle(), &pr);
            HWND grid = WindowAt(parent->Handle(), POINT{pr.right / 2, pr.bottom / 2});
            EXPECT_TRUE(ShowsGridOf(grid, p.rowCount, p.colCount));
        }
        // Refreshes of a fast grid run meanwhile, with whatever the text asked for.
        PumpFor(30);
    }

    // One module for one case: load, start when the load succeeded, release to zero. A rejected
    // text must leave the module usable: the default section loads after it. With `reload`, the
    // rejected text then comes again on top of that good configuration, and Start follows.
    void Run(const TCase& c, TTally& tally, bool reload) {
        SCOPED_TRACE(c.Name);
        com::ComPtr<IModuleExcutor> module;
        ASSERT_EQ(CoCreateInstance(CLSID_TQuorvel, nullptr, CLSCTX_INPROC_SERVER, IID_IModuleExcutor,
                                   module.PutVoid()),
                  S_OK);
        TSink sink;
        ASSERT_EQ(module->ConnectEvent(&sink), S_OK);

        const HRESULT load = Load(module.Get(), c.Text);
        if (FAILED(load)) {
            ++tally.Rejected;
            const std::wstring error = TakeErrorDescription();
            EXPECT_FALSE(error.empty()) << "LoadConfig failed (" << std::hex << load << ") without error information";
            EXPECT_NE(c.Expect, TExpect::Starts) << error;
            EXPECT_NE(c.Expect, TExpect::StartFails) << error;
            if (!c.Mentions.empty()) {
                EXPECT_NE(error.find(c.Mentions), std::wstring::npos) << error;
            }
            EXPECT_EQ(Load(module.Get(), DefaultSection()), S_OK);
            if (reload) {
                EXPECT_EQ(Load(module.Get(), c.Text), load) << "the same text fails the same way";
                EXPECT_EQ(TakeErrorDescription(), error);
                TCase after(c.Name, c.Text, TExpect::Either);
                StartLoaded(module.Get(), after, sink, tally);
            }
        } else {
            EXPECT_EQ(load, S_OK);
            EXPECT_NE(c.Expect, TExpect::LoadFails);
            StartLoaded(module.Get(), c, sink, tally);
        }

        HWND form = FormWindow();
        IModuleExcutor* raw = module.Detach();
        EXPECT_EQ(raw->Release(), 0u) << "the module is released to zero";
        EXPECT_EQ(sink.Refs, 1) << "the module let go of the sink";
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(form) && quorvel->Call("DllCanUnloadNow") == S_OK; }, 3000))
            << "the form went and nothing of the server is alive";
    }

    void RunAll(const std::vector<TCase>& cases, bool reload) {
        TTally tally;
        for (const TCase& c : cases) {
            Run(c, tally, reload);
            if (HasFatalFailure()) return;
        }
        std::printf("%zu texts: %d rejected by LoadConfig; Start after a load: %d started, %d refused\n",
                    cases.size(), tally.Rejected, tally.Started, tally.StartRefused);
    }

    static TServer* quorvel;
    static testing_support::TDialogWatcher* watcher;
    std::unique_ptr<ui::TForm> parent;
};
TServer* HostileConfig::quorvel = nullptr;
testing_support::TDialogWatcher* HostileConfig::watcher = nullptr;

}  // namespace

TEST_F(HostileConfig, HandMadeOddAndBrokenSections) { RunAll(TableCases(), true); }

TEST_F(HostileConfig, TheDefaultSectionCutAtEveryPlace) { RunAll(TruncatedCases(), false); }

TEST_F(HostileConfig, RandomEditsOfTheDefaultSection) { RunAll(MutatedCases(400), false); }
