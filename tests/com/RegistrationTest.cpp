// Registration of the server: the class entries and the type library, their exact removal, the
// short path, the per-user fallback, and real clients (regsvr32, a script host).
#include <gtest/gtest.h>
#include <fstream>
#include <shlwapi.h>
#include "ComTestSupport.h"
#include "platform/com/Bstr.h"
#include "platform/com/OleError.h"

using comtest::Ambrel;
using comtest::KeyExists;
using comtest::ReadString;

namespace {

const std::wstring kClsidKey = L"CLSID\\{E15BBB2B-B104-41B2-8726-98F7734C67F8}";
const std::wstring kLibKey = L"TypeLib\\{930E8083-3733-4F71-8BBD-71C287457886}";

struct TEntry {
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
};

std::vector<TEntry> TableFor(const std::wstring& serverPath) {
    return {
        {kClsidKey, nullptr, L"ModuleCreator Object"},
        {kClsidKey + L"\\InprocServer32", nullptr, serverPath},
        {kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {L"Ambrel.ModuleCreator", nullptr, L"ModuleCreator Object"},
        {L"Ambrel.ModuleCreator\\Clsid", nullptr, L"{E15BBB2B-B104-41B2-8726-98F7734C67F8}"},
        {kClsidKey + L"\\ProgID", nullptr, L"Ambrel.ModuleCreator"},
        {kClsidKey + L"\\Version", nullptr, L"1.0"},
        {kClsidKey + L"\\TypeLib", nullptr, L"{930E8083-3733-4F71-8BBD-71C287457886}"},
    };
}

const wchar_t* const kMachine = L"Software\\Classes\\";

void ExpectTable(HKEY hive, const std::wstring& serverPath) {
    for (const TEntry& e : TableFor(serverPath)) {
        SCOPED_TRACE(ToUtf8(e.key + L" " + (e.name ? e.name : L"(default)")));
        EXPECT_EQ(ReadString(hive, kMachine + e.key, e.name), e.data);
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, e.key, e.name), e.data);
    }
}

void ExpectNothingOf(HKEY hive) {
    EXPECT_FALSE(KeyExists(hive, kMachine + kClsidKey));
    EXPECT_FALSE(KeyExists(hive, kMachine + std::wstring(L"Ambrel.ModuleCreator")));
}

void ExpectNothingLeft() {
    ExpectNothingOf(HKEY_LOCAL_MACHINE);
    ExpectNothingOf(HKEY_CURRENT_USER);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Ambrel.ModuleCreator"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kLibKey));
    BSTR path = nullptr;
    EXPECT_NE(QueryPathOfRegTypeLib(LIBID_Ambrel, 1, 0, 0, &path), S_OK);
    SysFreeString(path);
}

std::wstring RegisteredLibraryPath() {
    BSTR path = nullptr;
    if (QueryPathOfRegTypeLib(LIBID_Ambrel, 1, 0, 0, &path) != S_OK) return L"";
    std::wstring r = com::BstrText(path);
    SysFreeString(path);
    return r;
}

// Every test leaves the build's server registered machine-wide, as the run expects.
class RegistrationTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetEnvironmentVariableW(L"COM_REGISTRATION_SCOPE", nullptr);
        EXPECT_EQ(Ambrel().Unregister(), S_OK);
        EXPECT_EQ(Ambrel().Register(), S_OK);
    }
};

}  // namespace

TEST_F(RegistrationTest, WritesTheTableAndRemovesExactlyIt) {
    ASSERT_EQ(Ambrel().Unregister(), S_OK);
    ExpectNothingLeft();

    ASSERT_EQ(Ambrel().Register(), S_OK);
    ExpectTable(HKEY_LOCAL_MACHINE, comtest::AmbrelPath());
    ExpectNothingOf(HKEY_CURRENT_USER);
    EXPECT_EQ(RegisteredLibraryPath(), comtest::AmbrelPath());
    // Registering again changes nothing.
    ASSERT_EQ(Ambrel().Register(), S_OK);
    ExpectTable(HKEY_LOCAL_MACHINE, comtest::AmbrelPath());

    ASSERT_EQ(Ambrel().Unregister(), S_OK);
    ExpectNothingLeft();
    // Unregistering what is not registered is no error.
    EXPECT_EQ(Ambrel().Unregister(), S_OK);
}

TEST_F(RegistrationTest, LeavesWhatOthersAddedBesideOurEntries) {
    ASSERT_EQ(Ambrel().Register(), S_OK);
    const std::wstring foreign = std::wstring(kMachine) + kClsidKey + L"\\Implemented Categories";
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, foreign.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(k);
    const std::wstring progid = std::wstring(kMachine) + L"Ambrel.ModuleCreator";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, progid.c_str(), L"Note", REG_SZ, L"x", 4), ERROR_SUCCESS);

    ASSERT_EQ(Ambrel().Unregister(), S_OK);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, foreign));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kMachine + kClsidKey, nullptr), std::nullopt);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachine + kClsidKey + L"\\InprocServer32"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachine + kClsidKey + L"\\TypeLib"));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, progid, L"Note"), L"x");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, progid, nullptr), std::nullopt);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, progid + L"\\Clsid"));

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kMachine) + kClsidKey).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, progid.c_str());
}

TEST_F(RegistrationTest, PathWithABlankIsWrittenInItsShortForm) {
    std::wstring folder = comtest::TempFolder() + L"\\server with blank";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + L"\\Ambrel.dll";
    ASSERT_TRUE(CopyFileW(comtest::AmbrelPath().c_str(), copy.c_str(), FALSE));
    wchar_t shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(copy.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_EQ(std::wstring(shortPath).find(L' '), std::wstring::npos) << "no 8.3 names on this volume";
    {
        comtest::TServerDll moved(copy);
        ASSERT_NE(moved.Module(), Ambrel().Module());
        ASSERT_EQ(moved.Register(), S_OK);
        ExpectTable(HKEY_LOCAL_MACHINE, shortPath);
        // The type library keeps the full path.
        EXPECT_EQ(RegisteredLibraryPath(), copy);
        // And the class is created from there.
        com::ComPtr<IModuleCreator> creator = CoModuleCreator::Create();
        EXPECT_TRUE(creator);
        creator.Reset();
        ASSERT_EQ(moved.Unregister(), S_OK);
        ExpectNothingLeft();
    }
    CoFreeUnusedLibraries();
}

TEST_F(RegistrationTest, PerUserWhenTheMachineMayNotBeWritten) {
    ASSERT_EQ(Ambrel().Unregister(), S_OK);
    ASSERT_TRUE(SetEnvironmentVariableW(L"COM_REGISTRATION_SCOPE", L"user"));
    ASSERT_EQ(Ambrel().Register(), S_OK);
    ExpectNothingOf(HKEY_LOCAL_MACHINE);
    for (const TEntry& e : TableFor(comtest::AmbrelPath())) {
        SCOPED_TRACE(ToUtf8(e.key));
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kMachine + e.key, e.name), e.data);
    }
    EXPECT_EQ(RegisteredLibraryPath(), comtest::AmbrelPath());
    // Creation from these entries is Windows' business (its classes root merges the user's
    // classes); Wine's classes root shows the machine's only, so it is not tried here.

    // Unregistration removes whichever scope holds the entries; here both do.
    SetEnvironmentVariableW(L"COM_REGISTRATION_SCOPE", L"machine");
    ASSERT_EQ(Ambrel().Register(), S_OK);
    ExpectTable(HKEY_LOCAL_MACHINE, comtest::AmbrelPath());
    ASSERT_EQ(Ambrel().Unregister(), S_OK);
    ExpectNothingLeft();
}

TEST_F(RegistrationTest, RegsvrRegistersAndUnregisters) {
    ASSERT_EQ(Ambrel().Unregister(), S_OK);
    const std::wstring quoted = L"\"" + comtest::AmbrelPath() + L"\"";
    auto reg = comtest::Run(L"regsvr32.exe /s " + quoted);
    EXPECT_EQ(reg.exitCode, 0u) << reg.output;
    ExpectTable(HKEY_LOCAL_MACHINE, comtest::AmbrelPath());
    EXPECT_EQ(RegisteredLibraryPath(), comtest::AmbrelPath());

    auto unreg = comtest::Run(L"regsvr32.exe /s /u " + quoted);
    EXPECT_EQ(unreg.exitCode, 0u) << unreg.output;
    ExpectNothingLeft();
}

TEST_F(RegistrationTest, ScriptCreatesTheCreatorByNameAndCallsItLate) {
    std::wstring script = comtest::TempFolder() + L"\\creator.js";
    {
        std::ofstream js(ToUtf8(script).c_str(), std::ios::binary);
        js << "var creator = new ActiveXObject(\"Ambrel.ModuleCreator\");\r\n"
              "var m = creator.CreateObject(\"{6B1C2B8E-0F4D-4C77-9A0B-3E2D1F5A7C90}\");\r\n"
              "WScript.Echo(m === null ? \"unregistered: null\" : \"unregistered: \" + typeof m);\r\n"
              "try {\r\n"
              "  creator.CreateObject(\"{123}\");\r\n"
              "  WScript.Echo(\"malformed: no error\");\r\n"
              "} catch (e) {\r\n"
              "  WScript.Echo(\"malformed: error \" + (e.number >>> 0).toString(16));\r\n"
              "}\r\n";
    }
    auto run = comtest::Run(L"cscript.exe //nologo \"" + script + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("unregistered: null"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("malformed: error 800401f3"), std::string::npos) << run.output;
}
