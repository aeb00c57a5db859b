#include "platform/com/Bstr.h"
#include <new>

namespace com {

Bstr::Bstr(std::wstring_view text) {
    FStr = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!FStr) throw std::bad_alloc();
}

Bstr::Bstr(const Bstr& other) {
    if (other.FStr) {
        FStr = SysAllocStringLen(other.FStr, other.Length());
        if (!FStr) throw std::bad_alloc();
    }
}

Bstr& Bstr::operator=(const Bstr& other) {
    if (this != &other) {
        Bstr copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
    if (this != &other) {
        Reset();
        FStr = other.Detach();
    }
    return *this;
}

void Bstr::Reset() noexcept {
    if (FStr) {
        SysFreeString(FStr);
        FStr = nullptr;
    }
}

}  // namespace com
