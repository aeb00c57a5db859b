// UTF-8 <-> UTF-16 conversions in standard C++ (no Windows header), shared by every layer.
// Invalid sequences become U+FFFD instead of failing: these texts are for display and messages.
#pragma once
#include <string>
#include <string_view>

inline std::string ToUtf8(std::wstring_view w) {
    std::string out;
    out.reserve(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        char32_t c = static_cast<char32_t>(w[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(w[i + 1]) - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = 0xFFFD;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::wstring ToUtf16(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        char32_t c;
        size_t len;
        if (b < 0x80) { c = b; len = 1; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; len = 2; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; len = 3; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; len = 4; }
        else { out += L'\xFFFD'; ++i; continue; }
        if (i + len > s.size()) { out += L'\xFFFD'; break; }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char n = static_cast<unsigned char>(s[i + k]);
            if ((n & 0xC0) != 0x80) { ok = false; break; }
            c = (c << 6) | (n & 0x3F);
        }
        if (!ok) { out += L'\xFFFD'; ++i; continue; }
        i += len;
        // An overlong form, an encoded surrogate or a value past U+10FFFF is no character: it
        // would otherwise smuggle in what it spells ("\xC0\xAF" is '/') or be cut to 16 bits.
        static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[len] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) { out += L'\xFFFD'; continue; }
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000 && c <= 0x10FFFF) {
                c -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (c >> 10));
                out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
                continue;
            }
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}
