// The creator through the table of functions and through late binding, and the server's entry
// points and unload count.
#include <gtest/gtest.h>
#include "ComTestSupport.h"
#include "platform/com/AutoObject.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"

using com::Bstr;
using com::ComPtr;
using comtest::Ambrel;
using comtest::TakeErrorInfo;

namespace {

const wchar_t* const kUnregistered = L"{6B1C2B8E-0F4D-4C77-9A0B-3E2D1F5A7C90}";
const CLSID kTestModuleClsid = {0x3d3b6e1a, 0x51c7, 0x4b0e, {0x9f, 0x21, 0x7a, 0x44, 0x0c, 0x6e, 0x12, 0x01}};
const CLSID kNotAModuleClsid = {0x3d3b6e1a, 0x51c7, 0x4b0e, {0x9f, 0x21, 0x7a, 0x44, 0x0c, 0x6e, 0x12, 0x02}};

// Edge doubles: classes this process offers to the component library, one a module, one not.
int gLiveModules = 0;
int gLiveOthers = 0;

class TTestModule : public com::TAutoObject, public IModuleExcutor {
public:
    TTestModule() { ++gLiveModules; }
    ~TTestModule() override { --gLiveModules; }
    HRESULT STDMETHODCALLTYPE LoadConfig(BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ConnectEvent(IEventCallor*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Resize(LONG, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Resume() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Start(ULONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetReport(BSTR* r) override { *r = nullptr; return S_OK; }
    HRESULT STDMETHODCALLTYPE CanPause(VARIANT_BOOL* v) override { *v = VARIANT_FALSE; return S_OK; }

protected:
    void* GetInterface(REFIID iid) override {
        if (iid == IID_IModuleExcutor || iid == IID_IDispatch) return static_cast<IModuleExcutor*>(this);
        return TAutoObject::GetInterface(iid);
    }
};

class TNotAModule : public com::TAutoObject {
public:
    TNotAModule() { ++gLiveOthers; }
    ~TNotAModule() override { --gLiveOthers; }
};

template <class T>
class TTestFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** ppv) override {
        T* object = com::CreateAutoObject<T>(nullptr);
        object->ObjAddRef();
        HRESULT hr = object->ObjQueryInterface(iid, ppv);
        object->ObjRelease();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

class CreatorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static TTestFactory<TTestModule> modules;
        static TTestFactory<TNotAModule> others;
        ASSERT_EQ(CoRegisterClassObject(kTestModuleClsid, &modules, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &FModuleCookie), S_OK);
        ASSERT_EQ(CoRegisterClassObject(kNotAModuleClsid, &others, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &FOtherCookie), S_OK);
    }
    static void TearDownTestSuite() {
        CoRevokeClassObject(FModuleCookie);
        CoRevokeClassObject(FOtherCookie);
    }
    void SetUp() override { FCreator = CoModuleCreator::Create(); }

    // CreateObject with a text; Value starts as garbage so that emptying it is seen.
    HRESULT Create(const std::wstring& text, ComPtr<IModuleExcutor>& value) {
        Bstr uiid(text);
        IModuleExcutor* raw = reinterpret_cast<IModuleExcutor*>(static_cast<uintptr_t>(0x1));
        HRESULT hr = FCreator->CreateObject(uiid.Get(), &raw);
        value = ComPtr<IModuleExcutor>::Attach(raw == reinterpret_cast<IModuleExcutor*>(static_cast<uintptr_t>(0x1)) ? nullptr : raw);
        FValueWasEmptied = raw != reinterpret_cast<IModuleExcutor*>(static_cast<uintptr_t>(0x1));
        return hr;
    }

    static DWORD FModuleCookie, FOtherCookie;
    ComPtr<IModuleCreator> FCreator;
    bool FValueWasEmptied = false;
};
DWORD CreatorTest::FModuleCookie = 0;
DWORD CreatorTest::FOtherCookie = 0;

}  // namespace

TEST_F(CreatorTest, ThreeOutcomesFromOneCreator) {
    struct {
        const wchar_t* text;
        HRESULT hr;
    } const cases[] = {
        {L"{E15BBB2B-B104-41B2-8726-98F7734C67F8}", S_OK},  // a creator, which is no module
        {kUnregistered, S_OK},
        {L"", CO_E_CLASSSTRING},
        {L"{123}", CO_E_CLASSSTRING},
        {L"{NOT-A-GUID-AT-ALL}", CO_E_CLASSSTRING},
        {kUnregistered, S_OK},  // the creator still serves after failures
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        comtest::ClearErrorInfo();
        ComPtr<IModuleExcutor> value;
        EXPECT_EQ(Create(c.text, value), c.hr);
        EXPECT_TRUE(FValueWasEmptied);
        EXPECT_FALSE(value);
        auto info = TakeErrorInfo();
        if (FAILED(c.hr)) {
            ASSERT_TRUE(info.present);
            EXPECT_FALSE(info.description.empty());
            EXPECT_TRUE(IsEqualGUID(info.iid, IID_IModuleCreator));
            EXPECT_EQ(info.source, L"Ambrel.ModuleCreator");
        }
    }
}

TEST_F(CreatorTest, NullBstrIsAnEmptyText) {
    IModuleExcutor* raw = nullptr;
    EXPECT_EQ(FCreator->CreateObject(nullptr, &raw), CO_E_CLASSSTRING);
    EXPECT_EQ(raw, nullptr);
}

TEST_F(CreatorTest, EachCallMakesANewModuleHandedOverWithOneReference) {
    ComPtr<IModuleExcutor> a, b;
    ASSERT_EQ(Create(com::GuidToString(kTestModuleClsid), a), S_OK);
    ASSERT_EQ(Create(com::GuidToString(kTestModuleClsid), b), S_OK);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.As<IUnknown>(IID_IUnknown).Get(), b.As<IUnknown>(IID_IUnknown).Get());
    EXPECT_EQ(gLiveModules, 2);
    // One reference each: the caller's release destroys.
    EXPECT_EQ(a.Detach()->Release(), 0u);
    EXPECT_EQ(gLiveModules, 1);
    b.Reset();
    EXPECT_EQ(gLiveModules, 0);
}

TEST_F(CreatorTest, InstanceThatIsNoModuleIsDestroyed) {
    ComPtr<IModuleExcutor> value;
    EXPECT_EQ(Create(com::GuidToString(kNotAModuleClsid), value), S_OK);
    EXPECT_FALSE(value);
    EXPECT_EQ(gLiveOthers, 0);
}

TEST_F(CreatorTest, LateBindingThroughTheTypeLibrary) {
    ComPtr<IDispatch> disp = FCreator.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(disp);
    UINT count = 0;
    EXPECT_EQ(disp->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> ti;
    ASSERT_EQ(disp->GetTypeInfo(0, 0, ti.Put()), S_OK);
    Bstr name;
    ti->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.Str(), L"IModuleCreator");

    LPOLESTR names[] = {const_cast<LPOLESTR>(L"CreateObject")};
    DISPID id = 0;
    ASSERT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 201);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMethod")};
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);

    auto invoke = [&](const std::wstring& text, VARIANT& result, EXCEPINFO& excep) {
        VARIANT arg;
        VariantInit(&arg);
        V_VT(&arg) = VT_BSTR;
        V_BSTR(&arg) = SysAllocString(text.c_str());
        DISPPARAMS params{&arg, nullptr, 1, 0};
        VariantInit(&result);
        excep = {};
        HRESULT hr = disp->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &excep, nullptr);
        VariantClear(&arg);
        return hr;
    };
    VARIANT result;
    EXCEPINFO excep;

    EXPECT_EQ(invoke(kUnregistered, result, excep), S_OK);
    EXPECT_TRUE(V_VT(&result) == VT_DISPATCH || V_VT(&result) == VT_UNKNOWN);
    EXPECT_EQ(V_UNKNOWN(&result), nullptr);
    VariantClear(&result);

    ASSERT_EQ(invoke(com::GuidToString(kTestModuleClsid), result, excep), S_OK);
    ASSERT_TRUE(V_VT(&result) == VT_DISPATCH || V_VT(&result) == VT_UNKNOWN);
    ASSERT_NE(V_UNKNOWN(&result), nullptr);
    EXPECT_TRUE(ComPtr<IUnknown>(V_UNKNOWN(&result)).As<IModuleExcutor>(IID_IModuleExcutor));
    VariantClear(&result);
    EXPECT_EQ(gLiveModules, 0);

    EXPECT_EQ(invoke(L"{123}", result, excep), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, CO_E_CLASSSTRING);
    EXPECT_EQ(com::BstrText(excep.bstrSource), L"Ambrel.ModuleCreator");
    EXPECT_NE(com::BstrText(excep.bstrDescription), L"");
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    VariantClear(&result);

    // By dispatch id 201 only: the identifier of no method of this interface fails.
    DISPPARAMS none{};
    EXPECT_EQ(disp->Invoke(202, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST_F(CreatorTest, InterfacesOfTheCreator) {
    // The fixture holds the only reference.
    EXPECT_EQ(FCreator->AddRef(), 2u);
    EXPECT_EQ(FCreator->Release(), 1u);

    ComPtr<IUnknown> viaCreator = FCreator.As<IUnknown>(IID_IUnknown);
    ComPtr<IUnknown> viaDispatch = FCreator.As<IDispatch>(IID_IDispatch).As<IUnknown>(IID_IUnknown);
    EXPECT_EQ(viaCreator.Get(), viaDispatch.Get());
    EXPECT_EQ(FCreator.As<IDispatch>(IID_IDispatch).Get(), static_cast<IDispatch*>(FCreator.Get()));
    EXPECT_FALSE(FCreator.As<IModuleExcutor>(IID_IModuleExcutor));
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(FCreator->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);

    ComPtr<ISupportErrorInfo> sei = FCreator.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_TRUE(sei);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IModuleCreator), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IModuleExcutor), S_FALSE);

    ComPtr<IProvideClassInfo> pci = FCreator.As<IProvideClassInfo>(IID_IProvideClassInfo);
    ASSERT_TRUE(pci);
    ComPtr<ITypeInfo> cls;
    ASSERT_EQ(pci->GetClassInfo(cls.Put()), S_OK);
    TYPEATTR* a = nullptr;
    ASSERT_EQ(cls->GetTypeAttr(&a), S_OK);
    EXPECT_TRUE(IsEqualGUID(a->guid, CLSID_ModuleCreator));
    EXPECT_EQ(a->typekind, TKIND_COCLASS);
    cls->ReleaseTypeAttr(a);
}

TEST(ServerEntryPoints, ClassObjectOnlyForItsOwnClass) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(Ambrel().GetClassObject(kTestModuleClsid, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(Ambrel().GetClassObject(CLSID_ModuleCreator, IID_IDispatch, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(Ambrel().GetClassObject(CLSID_ModuleCreator, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IUnknown> outer = factory.As<IUnknown>(IID_IUnknown);
    ComPtr<IUnknown> obj;
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, obj.PutVoid()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IModuleExcutor, obj.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(obj);
    ComPtr<IModuleCreator> creator;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IModuleCreator, creator.PutVoid()), S_OK);
    EXPECT_TRUE(creator);
}

TEST(ServerEntryPoints, CanUnloadOnlyWithNoObjectReferenceOrLock) {
    const comtest::TServerDll& dll = Ambrel();
    ASSERT_EQ(dll.CanUnloadNow(), S_OK);

    {
        ComPtr<IModuleCreator> creator = CoModuleCreator::Create();
        EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
        ComPtr<IModuleCreator> second = CoModuleCreator::Create();
        creator.Reset();
        EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(CLSID_ModuleCreator, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);  // the lock alone holds it

    ASSERT_EQ(dll.GetClassObject(CLSID_ModuleCreator, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);  // more unlocks than locks change nothing
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);

    // Creation fails cleanly when the class cannot be had at all.
    ASSERT_EQ(dll.Unregister(), S_OK);
    try {
        CoModuleCreator::Create();
        ADD_FAILURE() << "created without registration";
    } catch (const com::EOleError& e) {
        EXPECT_EQ(e.ErrorCode(), REGDB_E_CLASSNOTREG);
    }
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
    ASSERT_EQ(dll.Register(), S_OK);
}
