// The contract's type library, read back from the server file against the published tables.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "ComTestSupport.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"

using com::Bstr;
using com::ComPtr;

namespace {

struct TParam {
    const wchar_t* name;
    const wchar_t* type;
    USHORT flags;
};

struct TMethod {
    const wchar_t* name;
    DISPID id;
    std::vector<TParam> params;
};

struct TInterface {
    const wchar_t* name;
    IID iid;
    const wchar_t* help;  // "" = none
    std::vector<TMethod> methods;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

const std::vector<TInterface>& Interfaces() {
    static const std::vector<TInterface> all = {
        {L"IModuleCreator", IID_IModuleCreator, L"Dispatch interface for ModuleCreator Object",
         {{L"CreateObject", 201, {{L"UIID", L"BSTR", kIn}, {L"Value", L"IModuleExcutor**", kOutRetval}}}}},
        {L"IModuleExcutor", IID_IModuleExcutor, L"",
         {{L"LoadConfig", 201, {{L"ConfigNode", L"BSTR", kIn}}},
          {L"ConnectEvent", 203, {{L"sink", L"IEventCallor*", kIn}}},
          {L"Resize", 204, {{L"cx", L"I4", kIn}, {L"cy", L"I4", kIn}}},
          {L"Stop", 205, {}},
          {L"Pause", 206, {}},
          {L"Resume", 207, {}},
          {L"Start", 208, {{L"hParent", L"UI4", kIn}}},
          {L"GetReport", 202, {{L"Report", L"BSTR*", kOutRetval}}},
          {L"CanPause", 209, {{L"Value", L"BOOL*", kOutRetval}}}}},
        {L"IEventCallor", IID_IEventCallor, L"",
         {{L"OnStart", 201, {}},
          {L"OnPause", 203, {}},
          {L"OnResume", 204, {}},
          {L"OnStop", 202, {}},
          {L"OnReport", 205, {{L"AType", L"BSTR", kIn}, {L"AReport", L"BSTR", kIn}}}}},
    };
    return all;
}

std::wstring NameOf(ITypeInfo* ti, MEMBERID id = MEMBERID_NIL) {
    Bstr name;
    ti->GetDocumentation(id, name.Put(), nullptr, nullptr, nullptr);
    return name.Str();
}

std::wstring HelpOf(ITypeInfo* ti) {
    Bstr help;
    ti->GetDocumentation(MEMBERID_NIL, nullptr, help.Put(), nullptr, nullptr);
    return help.Str();
}

std::wstring TypeText(ITypeInfo* owner, const TYPEDESC& td) {
    switch (td.vt) {
        case VT_PTR: return TypeText(owner, *td.lptdesc) + L"*";
        case VT_USERDEFINED: {
            ComPtr<ITypeInfo> ref;
            if (FAILED(owner->GetRefTypeInfo(td.hreftype, ref.Put()))) return L"<unresolved>";
            return NameOf(ref.Get());
        }
        case VT_BSTR: return L"BSTR";
        case VT_I4: return L"I4";
        case VT_UI4: return L"UI4";
        case VT_BOOL: return L"BOOL";
        case VT_HRESULT: return L"HRESULT";
        default: return L"vt" + std::to_wstring(td.vt);
    }
}

struct TTypeAttr {
    ITypeInfo* ti;
    TYPEATTR* a = nullptr;
    explicit TTypeAttr(ITypeInfo* t) : ti(t) { EXPECT_EQ(ti->GetTypeAttr(&a), S_OK); }
    ~TTypeAttr() { if (a) ti->ReleaseTypeAttr(a); }
    TYPEATTR* operator->() const { return a; }
};

// The whole shape of the library, for a build of the given platform.
void CheckLibrary(ITypeLib* tlb, SYSKIND syskind) {
    const UINT pointer = syskind == SYS_WIN64 ? 8 : 4;

    TLIBATTR* la = nullptr;
    ASSERT_EQ(tlb->GetLibAttr(&la), S_OK);
    EXPECT_TRUE(IsEqualGUID(la->guid, LIBID_Ambrel));
    EXPECT_EQ(la->wMajorVerNum, 1);
    EXPECT_EQ(la->wMinorVerNum, 0);
    EXPECT_EQ(la->lcid, 0u);
    EXPECT_EQ(la->syskind, syskind);
    tlb->ReleaseTLibAttr(la);
    Bstr name, help;
    ASSERT_EQ(tlb->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Str(), L"Ambrel");
    EXPECT_EQ(help.Str(), L"Ambrel Library");

    // Entries, in order.
    const std::vector<std::pair<std::wstring, TYPEKIND>> entries = {
        {L"IModuleCreator", TKIND_DISPATCH}, {L"ModuleCreator", TKIND_COCLASS},
        {L"IModuleExcutor", TKIND_DISPATCH}, {L"IEventCallor", TKIND_DISPATCH}};
    ASSERT_EQ(tlb->GetTypeInfoCount(), entries.size());
    for (UINT i = 0; i < entries.size(); ++i) {
        Bstr n;
        tlb->GetDocumentation(i, n.Put(), nullptr, nullptr, nullptr);
        EXPECT_EQ(n.Str(), entries[i].first) << "entry " << i;
        TYPEKIND kind;
        ASSERT_EQ(tlb->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, entries[i].second) << "entry " << i;
    }

    // The creatable class.
    ComPtr<ITypeInfo> cls;
    ASSERT_EQ(tlb->GetTypeInfoOfGuid(CLSID_ModuleCreator, cls.Put()), S_OK);
    {
        TTypeAttr a(cls.Get());
        EXPECT_EQ(a->typekind, TKIND_COCLASS);
        EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FCANCREATE);
        EXPECT_EQ(a->wMajorVerNum, 1);
        EXPECT_EQ(a->wMinorVerNum, 0);
        ASSERT_EQ(a->cImplTypes, 1);
    }
    EXPECT_EQ(HelpOf(cls.Get()), L"ModuleCreator Object");
    INT implFlags = 0;
    EXPECT_EQ(cls->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE ref;
    ComPtr<ITypeInfo> def;
    ASSERT_EQ(cls->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(cls->GetRefTypeInfo(ref, def.Put()), S_OK);
    EXPECT_EQ(NameOf(def.Get()), L"IModuleCreator");

    for (const TInterface& want : Interfaces()) {
        SCOPED_TRACE(ToUtf8(want.name));
        ComPtr<ITypeInfo> disp;
        ASSERT_EQ(tlb->GetTypeInfoOfGuid(want.iid, disp.Put()), S_OK);
        EXPECT_EQ(NameOf(disp.Get()), want.name);
        EXPECT_EQ(HelpOf(disp.Get()), want.help);
        {
            TTypeAttr a(disp.Get());
            // The dispatch half of a dual interface reports no OLE-automation flag; the vtable
            // half below carries all three.
            EXPECT_EQ(a->typekind, TKIND_DISPATCH);
            EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
            EXPECT_EQ(a->wMajorVerNum, 1);
            EXPECT_EQ(a->wMinorVerNum, 0);
        }
        // The dispatch identifiers by name.
        for (const TMethod& m : want.methods) {
            LPOLESTR n = const_cast<LPOLESTR>(m.name);
            MEMBERID id = 0;
            EXPECT_EQ(disp->GetIDsOfNames(&n, 1, &id), S_OK);
            EXPECT_EQ(id, m.id) << ToUtf8(m.name);
        }

        // The vtable half: IDispatch (from the standard library) and then the methods, in order.
        ComPtr<ITypeInfo> vtbl;
        ASSERT_EQ(disp->GetRefTypeOfImplType(-1, &ref), S_OK);
        ASSERT_EQ(disp->GetRefTypeInfo(ref, vtbl.Put()), S_OK);
        {
            TTypeAttr a(vtbl.Get());
            EXPECT_EQ(a->typekind, TKIND_INTERFACE);
            EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
            EXPECT_EQ(a->cFuncs, want.methods.size());
            EXPECT_EQ(a->cbSizeVft, (7 + want.methods.size()) * pointer);
            ASSERT_EQ(a->cImplTypes, 1);
        }
        ComPtr<ITypeInfo> base;
        ASSERT_EQ(vtbl->GetRefTypeOfImplType(0, &ref), S_OK);
        ASSERT_EQ(vtbl->GetRefTypeInfo(ref, base.Put()), S_OK);
        {
            TTypeAttr a(base.Get());
            EXPECT_TRUE(IsEqualGUID(a->guid, IID_IDispatch));
        }
        ComPtr<ITypeLib> baseLib;
        UINT index;
        ASSERT_EQ(base->GetContainingTypeLib(baseLib.Put(), &index), S_OK);
        TLIBATTR* bla = nullptr;
        ASSERT_EQ(baseLib->GetLibAttr(&bla), S_OK);
        EXPECT_TRUE(IsEqualGUID(bla->guid, {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}));  // stdole2
        baseLib->ReleaseTLibAttr(bla);

        for (UINT i = 0; i < want.methods.size(); ++i) {
            const TMethod& m = want.methods[i];
            SCOPED_TRACE(ToUtf8(m.name));
            FUNCDESC* fd = nullptr;
            ASSERT_EQ(vtbl->GetFuncDesc(i, &fd), S_OK);
            EXPECT_EQ(NameOf(vtbl.Get(), fd->memid), m.name);
            EXPECT_EQ(fd->memid, m.id);
            // The loader gives the offset in this process's pointers: the method's index, 7 + i.
            EXPECT_EQ(fd->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
            EXPECT_EQ(fd->funckind, FUNC_PUREVIRTUAL);
            EXPECT_EQ(fd->invkind, INVOKE_FUNC);
            EXPECT_EQ(fd->callconv, CC_STDCALL);
            EXPECT_EQ(TypeText(vtbl.Get(), fd->elemdescFunc.tdesc), L"HRESULT");
            ASSERT_EQ(static_cast<size_t>(fd->cParams), m.params.size());
            std::vector<BSTR> names(1 + m.params.size());
            UINT got = 0;
            vtbl->GetNames(fd->memid, names.data(), static_cast<UINT>(names.size()), &got);
            ASSERT_EQ(got, names.size());
            for (size_t p = 0; p < m.params.size(); ++p) {
                const ELEMDESC& e = fd->lprgelemdescParam[p];
                EXPECT_EQ(com::BstrText(names[p + 1]), m.params[p].name);
                EXPECT_EQ(TypeText(vtbl.Get(), e.tdesc), m.params[p].type) << "parameter " << p;
                EXPECT_EQ(e.paramdesc.wParamFlags, m.params[p].flags) << "parameter " << p;
            }
            for (BSTR b : names) SysFreeString(b);
            vtbl->ReleaseFuncDesc(fd);
        }
    }
}

}  // namespace

TEST(TypeLibrary, ServerCarriesTheContractAsResourceOne) {
    // "\1" names the resource: the library must be resource 1 of type TYPELIB.
    ComPtr<ITypeLib> byResource;
    ASSERT_EQ(LoadTypeLibEx((comtest::AmbrelPath() + L"\\1").c_str(), REGKIND_NONE, byResource.Put()), S_OK);
    CheckLibrary(byResource.Get(), sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

TEST(TypeLibrary, ThirtyTwoBitBuildDescribesTheSameTables) {
    std::wstring path = comtest::ExeFolder() + L"\\..\\..\\i686\\bin\\Ambrel.dll";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no i686 build beside this one";
    ComPtr<ITypeLib> tlb;
    ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, tlb.Put()), S_OK);
    CheckLibrary(tlb.Get(), SYS_WIN32);
}
