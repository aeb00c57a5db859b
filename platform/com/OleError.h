// The result convention across COM interfaces. Inside our code errors are exceptions; at every
// COM method a boundary turns them into a result code plus the thread's error information, and
// a caller turns a negative result back into an exception.
#pragma once
#include <string>
#include <string_view>
#include <type_traits>
#include <windows.h>
#include <ole2.h>
#include "platform/Exception.h"

namespace com {

// An error that carries a system result code.
class EOleError : public Exception {
public:
    EOleError(HRESULT code, std::wstring message) : Exception(std::move(message)), FErrorCode(code) {}
    HRESULT ErrorCode() const noexcept { return FErrorCode; }

private:
    HRESULT FErrorCode;
};

// An object does not answer the interface a caller needs.
class EIntfCastError : public Exception {
public:
    using Exception::Exception;
};

// The system's text for a result code; "OLE error XXXXXXXX" when the system has none.
std::wstring SysErrorMessage(HRESULT code);

// Raises EOleError with the code and the system's text for it.
[[noreturn]] void OleError(HRESULT code);

// The description of the thread's error information, which it takes (clears); empty when none.
std::wstring TakeErrorDescription();

// A negative result becomes EOleError with that code and the description of the thread's error
// information (empty when there is none). Returns hr otherwise.
HRESULT OleCheck(HRESULT hr);

// Publishes the thread's error information. Never fails loudly: a boundary cannot raise.
void SetErrorInformation(std::wstring_view description, REFGUID iid, std::wstring_view source) noexcept;

// For use inside a catch block only: classifies the exception being handled, publishes its message
// as error information (with iid and source) and returns the code to hand back: E_OUTOFMEMORY for
// bad_alloc, an EOleError's own negative code, E_UNEXPECTED for everything else.
HRESULT HandleSafeCallException(REFIID iid, std::wstring_view source) noexcept;

// Runs the body of a COM method of interface iid: S_OK (or the HRESULT the body returns) when it
// completes; otherwise the code of HandleSafeCallException. Nothing escapes.
// The body's result: S_OK for a body without one.
template <class F>
HRESULT InvokeBody(F& body) {
    if constexpr (std::is_void_v<std::invoke_result_t<F&>>) {
        body();
        return S_OK;
    } else {
        return body();
    }
}

template <class F>
HRESULT SafeCall(REFIID iid, std::wstring_view source, F&& body) noexcept {
    try {
        return InvokeBody(body);
    } catch (...) {
        return HandleSafeCallException(iid, source);
    }
}

// The boundary of an event sink whose callers expect nothing but a code: any error becomes
// E_UNEXPECTED, and no error information is published.
template <class F>
HRESULT QuietCall(F&& body) noexcept {
    try {
        return InvokeBody(body);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry holds it.
std::wstring GuidToString(REFGUID guid);

// The system's class-identifier-from-text conversion; a rejected text raises EOleError with the
// conversion's failure code. An empty text is rejected too (CO_E_CLASSSTRING), as it names no class.
CLSID StringToClsid(std::wstring_view text);

}  // namespace com
