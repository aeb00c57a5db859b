#include "ComTestSupport.h"
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <stdexcept>
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"

namespace comtest {

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring AmbrelPath() { return ExeFolder() + L"\\Ambrel.dll"; }

namespace {
std::wstring& TempFolderSlot() {
    static std::wstring folder;
    return folder;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = folder + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}
}  // namespace

std::wstring TempFolder() {
    std::wstring& folder = TempFolderSlot();
    if (folder.empty()) {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        folder = std::wstring(base) + L"test_com." + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

TServerDll::TServerDll(const std::wstring& path) {
    FModule = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!FModule) throw std::runtime_error("cannot load the server");
    auto get = [&](const char* name) {
        FARPROC p = GetProcAddress(FModule, name);
        if (!p) throw std::runtime_error(std::string("export missing: ") + name);
        return reinterpret_cast<void*>(p);
    };
    FGetClassObject = reinterpret_cast<decltype(FGetClassObject)>(get("DllGetClassObject"));
    FCanUnloadNow = reinterpret_cast<decltype(FCanUnloadNow)>(get("DllCanUnloadNow"));
    FRegister = reinterpret_cast<decltype(FRegister)>(get("DllRegisterServer"));
    FUnregister = reinterpret_cast<decltype(FUnregister)>(get("DllUnregisterServer"));
}

TServerDll::~TServerDll() {
    if (FModule) FreeLibrary(FModule);
}

namespace {
TServerDll*& AmbrelSlot() {
    static TServerDll* dll = nullptr;
    return dll;
}

// One apartment for the whole run, the server registered in the test prefix for its duration.
class TComEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        AmbrelSlot() = new TServerDll(AmbrelPath());
        ASSERT_EQ(AmbrelSlot()->Register(), S_OK);
    }
    void TearDown() override {
        EXPECT_EQ(AmbrelSlot()->Unregister(), S_OK);
        CoFreeUnusedLibraries();
        delete AmbrelSlot();
        AmbrelSlot() = nullptr;
        CoUninitialize();
        if (!TempFolderSlot().empty()) RemoveTree(TempFolderSlot());
    }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TComEnvironment);
}  // namespace

TServerDll& Ambrel() { return *AmbrelSlot(); }

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    wchar_t data[1024];
    DWORD size = sizeof(data), type = 0;
    LONG err = RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    if (err != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::wstring s(data, size / sizeof(wchar_t));
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

TRunResult Run(const std::wstring& commandLine) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) throw std::runtime_error("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    BOOL ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!ok) {
        CloseHandle(readEnd);
        throw std::runtime_error("CreateProcess failed");
    }
    // Reading until the pipe closes is the wait: the child's end goes with the child.
    std::string output;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &n, nullptr) && n > 0) output.append(buffer, n);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return {code, output};
}

TErrorInfo TakeErrorInfo() {
    TErrorInfo r;
    com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return r;
    r.present = true;
    info->GetGUID(&r.iid);
    com::Bstr source, description;
    info->GetSource(source.Put());
    info->GetDescription(description.Put());
    r.source = source.Str();
    r.description = description.Str();
    return r;
}

void ClearErrorInfo() { SetErrorInfo(0, nullptr); }

}  // namespace comtest
