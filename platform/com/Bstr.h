// Owning BSTR: the system's length-prefixed UTF-16 string. A null BSTR is the empty string.
#pragma once
#include <string>
#include <string_view>
#include <windows.h>
#include <oleauto.h>

namespace com {

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::wstring_view text);  // std::bad_alloc when the allocator refuses
    Bstr(const Bstr& other);
    Bstr(Bstr&& other) noexcept : FStr(other.Detach()) {}
    ~Bstr() { Reset(); }
    Bstr& operator=(const Bstr& other);
    Bstr& operator=(Bstr&& other) noexcept;

    // Takes over a string the caller owns (an out-parameter's).
    static Bstr Attach(BSTR s) noexcept { Bstr r; r.FStr = s; return r; }
    // Hands the string to the caller, who frees it (for an out-parameter).
    [[nodiscard]] BSTR Detach() noexcept { BSTR s = FStr; FStr = nullptr; return s; }

    BSTR Get() const noexcept { return FStr; }
    // For an out-parameter: frees the current string and lends the slot.
    BSTR* Put() noexcept { Reset(); return &FStr; }
    void Reset() noexcept;

    UINT Length() const noexcept { return SysStringLen(FStr); }
    bool Empty() const noexcept { return Length() == 0; }
    std::wstring Str() const { return FStr ? std::wstring(FStr, Length()) : std::wstring(); }

private:
    BSTR FStr = nullptr;
};

// The text of a BSTR that someone else owns (null is empty).
inline std::wstring BstrText(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

}  // namespace com
