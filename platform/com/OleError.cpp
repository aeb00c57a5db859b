#include "platform/com/OleError.h"
#include <cstdio>
#include <new>
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"

namespace com {

std::wstring SysErrorMessage(HRESULT code) {
    wchar_t* buffer = nullptr;
    DWORD len = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer),
                               0, nullptr);
    std::wstring text;
    if (len && buffer) text.assign(buffer, len);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty()) {
        wchar_t fallback[32];
        std::swprintf(fallback, 32, L"OLE error %08lX", static_cast<unsigned long>(code));
        text = fallback;
    }
    return text;
}

void OleError(HRESULT code) { throw EOleError(code, SysErrorMessage(code)); }

std::wstring TakeErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
    Bstr description;
    if (FAILED(info->GetDescription(description.Put()))) return {};
    return description.Str();
}

HRESULT OleCheck(HRESULT hr) {
    if (FAILED(hr)) throw EOleError(hr, TakeErrorDescription());
    return hr;
}

void SetErrorInformation(std::wstring_view description, REFGUID iid, std::wstring_view source) noexcept {
    try {
        ComPtr<ICreateErrorInfo> create;
        if (FAILED(CreateErrorInfo(create.Put()))) return;
        Bstr desc(description), src(source);
        create->SetGUID(iid);
        create->SetSource(src.Get());
        create->SetDescription(desc.Get());
        ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
        if (info) SetErrorInfo(0, info.Get());
    } catch (...) {
        // Out of memory while describing an error: the code alone has to do.
    }
}

HRESULT HandleSafeCallException(REFIID iid, std::wstring_view source) noexcept {
    HRESULT code = E_UNEXPECTED;
    try {
        std::wstring message;
        try {
            throw;
        } catch (const std::bad_alloc&) {
            code = E_OUTOFMEMORY;
            message = L"Out of memory";
        } catch (const EOleError& e) {
            if (FAILED(e.ErrorCode())) code = e.ErrorCode();
            message = e.Message();
        } catch (const Exception& e) {
            message = e.Message();
        } catch (const std::exception& e) {
            message = ToUtf16(e.what());
        } catch (...) {
            message = L"Unexpected error";
        }
        SetErrorInformation(message, iid, source);
    } catch (...) {
        // No memory left for the message; the code is still right.
    }
    return code;
}

std::wstring GuidToString(REFGUID guid) {
    wchar_t text[40];
    int n = StringFromGUID2(guid, text, 40);
    return std::wstring(text, n > 0 ? n - 1 : 0);
}

CLSID StringToClsid(std::wstring_view text) {
    if (text.empty()) OleError(CO_E_CLASSSTRING);
    std::wstring z(text);
    CLSID clsid{};
    HRESULT hr = CLSIDFromString(z.c_str(), &clsid);
    if (FAILED(hr)) OleError(hr);
    return clsid;
}

}  // namespace com
