#include "platform/xml/XmlDom.h"

#include <string>
#include <type_traits>
#include <unordered_set>
#include <utility>

namespace xml {

namespace {

bool IsLegalChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsSpace(char32_t c) { return c == 0x20 || c == 0x9 || c == 0xA || c == 0xD; }

bool IsNameStart(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ':' || c == '_' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// The code point at pos and the number of wchar_t it takes. With 16-bit wchar_t a surrogate pair
// is one character; a lone surrogate is returned as it is (and is not a legal character).
char32_t DecodeAt(std::wstring_view s, std::size_t pos, std::size_t& len) {
    char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[pos]));
    len = 1;
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0xD800 && c <= 0xDBFF && pos + 1 < s.size()) {
            char32_t low = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[pos + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                len = 2;
                return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return c;
}

void AppendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// Whether every character of s is one XML can carry.
bool AllLegal(std::wstring_view s) {
    std::size_t len = 0;
    for (std::size_t i = 0; i < s.size(); i += len)
        if (!IsLegalChar(DecodeAt(s, i, len))) return false;
    return true;
}

bool IsName(std::wstring_view s) {
    if (s.empty()) return false;
    std::size_t len = 0;
    for (std::size_t i = 0; i < s.size(); i += len) {
        char32_t c = DecodeAt(s, i, len);
        if (i == 0 ? !IsNameStart(c) : !IsNameChar(c)) return false;
    }
    return true;
}

bool IsWhiteSpaceOnly(std::wstring_view s) {
    for (wchar_t c : s)
        if (!IsSpace(static_cast<char32_t>(c))) return false;
    return true;
}

std::wstring Quoted(std::wstring_view s) { return L"'" + std::wstring(s) + L"'"; }

void AppendEscaped(std::wstring& out, std::wstring_view s, bool attribute) {
    for (wchar_t c : s) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        // A literal CR would become LF on reading; in attributes tab and LF would become spaces.
        case L'\r': out += L"&#13;"; break;
        case L'"':
            if (attribute) out += L"&quot;"; else out += c;
            break;
        case L'\t':
            if (attribute) out += L"&#9;"; else out += c;
            break;
        case L'\n':
            if (attribute) out += L"&#10;"; else out += c;
            break;
        default: out += c;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Errors

namespace {
std::wstring ParseErrorMessage(std::size_t line, std::size_t column, const std::wstring& reason) {
    return L"XML parse error at line " + std::to_wstring(line) + L", column " + std::to_wstring(column) + L": " +
           reason;
}
}  // namespace

EParseError::EParseError(std::size_t line, std::size_t column, std::wstring reason)
    : Exception(ParseErrorMessage(line, column, reason)), FLine(line), FColumn(column), FReason(std::move(reason)) {}

// ---------------------------------------------------------------------------------------------
// Parser: one pass over the text, an explicit stack of open elements, no recursion.

class Parser {
public:
    explicit Parser(std::wstring_view text) : S(text) {}

    void Run(Document& doc) {
        if (!S.empty() && S[0] == L'\xFEFF') P = 1;  // a byte order mark left in the text
        if (StartsWith(L"<?xml") && P + 5 < S.size() && (IsSpace(S[P + 5]) || S[P + 5] == L'?'))
            ParseDeclaration(doc);
        ParseMisc(false);
        if (P >= S.size()) Fail(P, L"the text holds no root element");
        doc.FRoot = ParseElementTree();
        ParseMisc(true);
    }

private:
    std::wstring_view S;
    std::size_t P = 0;

    [[noreturn]] void Fail(std::size_t pos, std::wstring reason) const {
        std::size_t line = 1, column = 1, len = 0;
        if (pos > S.size()) pos = S.size();
        for (std::size_t i = 0; i < pos; i += len) {
            wchar_t c = S[i];
            len = 1;
            if (c == L'\r') {
                if (i + 1 < pos && S[i + 1] == L'\n') len = 2;
                ++line;
                column = 1;
            } else if (c == L'\n') {
                ++line;
                column = 1;
            } else {
                DecodeAt(S, i, len);
                ++column;
            }
        }
        throw EParseError(line, column, std::move(reason));
    }

    bool AtEnd() const { return P >= S.size(); }
    bool StartsWith(std::wstring_view what) const { return S.substr(P).starts_with(what); }

    // The character at P, checked to be legal; len receives its width.
    char32_t LegalCharAt(std::size_t& len) const {
        char32_t c = DecodeAt(S, P, len);
        if (!IsLegalChar(c)) Fail(P, L"illegal character U+" + Hex(c));
        return c;
    }

    static std::wstring Hex(char32_t c) {
        static const wchar_t digits[] = L"0123456789ABCDEF";
        std::wstring out;
        for (int shift = 20; shift >= 0; shift -= 4) {
            unsigned d = (c >> shift) & 0xF;
            if (d != 0 || !out.empty() || shift < 16) out += digits[d];
        }
        return out;
    }

    bool SkipSpace() {
        std::size_t start = P;
        while (P < S.size() && IsSpace(S[P])) ++P;
        return P != start;
    }

    void Expect(wchar_t c, const wchar_t* what) {
        if (AtEnd()) Fail(P, std::wstring(what) + L" expected, found the end of the text");
        if (S[P] != c) Fail(P, std::wstring(what) + L" expected");
        ++P;
    }

    // Appends one source character to out with line ends normalised (CR LF and lone CR become LF).
    void TakeChar(std::wstring& out) {
        std::size_t len = 0;
        char32_t c = LegalCharAt(len);
        if (c == L'\r') {
            out += L'\n';
            P += (P + 1 < S.size() && S[P + 1] == L'\n') ? 2 : 1;
            return;
        }
        out.append(S.substr(P, len));
        P += len;
    }

    std::wstring_view ParseName(const wchar_t* what) {
        std::size_t start = P, len = 0;
        if (AtEnd() || !IsNameStart(DecodeAt(S, P, len))) Fail(P, std::wstring(what) + L" expected");
        P += len;
        while (P < S.size() && IsNameChar(DecodeAt(S, P, len))) P += len;
        return S.substr(start, P - start);
    }

    // A character or entity reference at P ('&'); appends its character to out.
    void ParseReference(std::wstring& out) {
        std::size_t start = P++;
        if (P < S.size() && S[P] == L'#') {
            ++P;
            bool hex = P < S.size() && S[P] == L'x';
            if (hex) ++P;
            char32_t value = 0;
            std::size_t digits = 0;
            while (P < S.size()) {
                wchar_t c = S[P];
                unsigned d;
                if (c >= L'0' && c <= L'9') d = c - L'0';
                else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
                else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
                else break;
                // Past the last code point the value no longer matters: it is illegal anyway.
                if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + d;
                ++digits;
                ++P;
            }
            if (digits == 0 || P >= S.size() || S[P] != L';') Fail(start, L"malformed character reference");
            ++P;
            if (!IsLegalChar(value)) Fail(start, L"character reference to an illegal character");
            AppendCodePoint(out, value);
            return;
        }
        std::size_t len = 0;
        if (P >= S.size() || !IsNameStart(DecodeAt(S, P, len))) Fail(start, L"'&' must start a reference (write &amp;)");
        std::wstring_view name = ParseName(L"entity name");
        if (P >= S.size() || S[P] != L';') Fail(start, L"entity reference " + Quoted(name) + L" lacks ';'");
        ++P;
        if (name == L"lt") out += L'<';
        else if (name == L"gt") out += L'>';
        else if (name == L"amp") out += L'&';
        else if (name == L"apos") out += L'\'';
        else if (name == L"quot") out += L'"';
        else Fail(start, L"undefined entity " + Quoted(name));
    }

    void ParseDeclaration(Document& doc) {
        P += 5;  // "<?xml"
        if (!SkipSpace()) Fail(P, L"the XML declaration lacks its version");
        auto pseudoAttribute = [&](const wchar_t* name) -> std::wstring_view {
            P += std::wstring_view(name).size();
            SkipSpace();
            Expect(L'=', L"'='");
            SkipSpace();
            if (AtEnd() || (S[P] != L'"' && S[P] != L'\'')) Fail(P, L"quoted value expected in the XML declaration");
            wchar_t quote = S[P++];
            std::size_t valueStart = P;
            while (P < S.size() && S[P] != quote && S[P] != L'?' && S[P] != L'<') ++P;
            if (AtEnd() || S[P] != quote) Fail(valueStart, L"unterminated value in the XML declaration");
            return S.substr(valueStart, P++ - valueStart);
        };
        if (!StartsWith(L"version")) Fail(P, L"the XML declaration lacks its version");
        std::size_t valuePos = P;
        std::wstring_view version = pseudoAttribute(L"version");
        bool versionOk = version.size() >= 3 && version.starts_with(L"1.");
        for (std::size_t i = 2; versionOk && i < version.size(); ++i) versionOk = version[i] >= L'0' && version[i] <= L'9';
        if (!versionOk) Fail(valuePos, L"unsupported XML version " + Quoted(version));
        doc.FVersion = version;
        bool space = SkipSpace();
        if (space && StartsWith(L"encoding")) {
            valuePos = P;
            std::wstring_view encoding = pseudoAttribute(L"encoding");
            bool ok = !encoding.empty() && ((encoding[0] >= L'A' && encoding[0] <= L'Z') ||
                                            (encoding[0] >= L'a' && encoding[0] <= L'z'));
            for (std::size_t i = 1; ok && i < encoding.size(); ++i) {
                wchar_t c = encoding[i];
                ok = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' ||
                     c == L'_' || c == L'-';
            }
            if (!ok) Fail(valuePos, L"invalid encoding name " + Quoted(encoding));
            doc.FEncoding = encoding;
            space = SkipSpace();
        }
        if (space && StartsWith(L"standalone")) {
            valuePos = P;
            std::wstring_view standalone = pseudoAttribute(L"standalone");
            if (standalone != L"yes" && standalone != L"no")
                Fail(valuePos, L"standalone must be 'yes' or 'no'");
            SkipSpace();
        }
        if (!StartsWith(L"?>")) Fail(P, L"malformed XML declaration");
        P += 2;
        doc.FHasDeclaration = true;
    }

    // Comments, processing instructions and white space before (epilog false) or after the root.
    void ParseMisc(bool epilog) {
        for (;;) {
            SkipSpace();
            if (AtEnd()) return;
            if (StartsWith(L"<!--")) {
                std::wstring ignored;
                ParseComment(ignored);
            } else if (StartsWith(L"<?")) {
                std::wstring target, data;
                ParsePI(target, data);
            } else if (StartsWith(L"<!DOCTYPE")) {
                Fail(P, L"a DOCTYPE is not supported (no document type definitions, no entity declarations)");
            } else if (StartsWith(L"<!")) {
                Fail(P, L"unexpected markup outside the root element");
            } else if (S[P] == L'<') {
                if (epilog) Fail(P, L"only one root element is allowed");
                return;
            } else {
                Fail(P, L"text is not allowed outside the root element");
            }
        }
    }

    void ParseComment(std::wstring& value) {
        std::size_t start = P;
        P += 4;  // "<!--"
        for (;;) {
            if (AtEnd()) Fail(start, L"unterminated comment");
            if (S[P] == L'-' && P + 1 < S.size() && S[P + 1] == L'-') {
                if (P + 2 < S.size() && S[P + 2] == L'>') {
                    P += 3;
                    return;
                }
                Fail(P, L"'--' is not allowed inside a comment");
            }
            TakeChar(value);
        }
    }

    void ParsePI(std::wstring& target, std::wstring& data) {
        std::size_t start = P;
        P += 2;  // "<?"
        std::wstring_view name = ParseName(L"processing instruction target");
        if (name.size() == 3 && (name[0] == L'x' || name[0] == L'X') && (name[1] == L'm' || name[1] == L'M') &&
            (name[2] == L'l' || name[2] == L'L'))
            Fail(start, L"an XML declaration is allowed only at the very start of the text");
        target = name;
        if (StartsWith(L"?>")) {
            P += 2;
            return;
        }
        if (!SkipSpace()) Fail(P, L"white space expected after the processing instruction target");
        for (;;) {
            if (AtEnd()) Fail(start, L"unterminated processing instruction");
            if (StartsWith(L"?>")) {
                P += 2;
                return;
            }
            TakeChar(data);
        }
    }

    void ParseCData(std::wstring& value) {
        std::size_t start = P;
        P += 9;  // "<![CDATA["
        std::size_t end = S.find(L"]]>", P);
        if (end == std::wstring_view::npos) Fail(start, L"unterminated CDATA section");
        while (P < end) TakeChar(value);
        P = end + 3;
    }

    // Character data up to the next '<' or the end.
    void ParseText(std::wstring& value) {
        while (P < S.size() && S[P] != L'<') {
            if (S[P] == L'&') {
                ParseReference(value);
            } else if (S[P] == L']' && StartsWith(L"]]>")) {
                Fail(P, L"']]>' is not allowed in text");
            } else {
                TakeChar(value);
            }
        }
    }

    void ParseAttributeValue(std::wstring& value) {
        if (AtEnd() || (S[P] != L'"' && S[P] != L'\'')) Fail(P, L"quoted attribute value expected");
        std::size_t start = P;
        wchar_t quote = S[P++];
        for (;;) {
            if (AtEnd()) Fail(start, L"unterminated attribute value");
            wchar_t c = S[P];
            if (c == quote) {
                ++P;
                return;
            }
            if (c == L'<') Fail(P, L"'<' is not allowed in an attribute value");
            if (c == L'&') {
                ParseReference(value);
            } else if (c == L'\t' || c == L'\n' || c == L'\r') {
                // Attribute value normalisation: each literal line end or tab is one space.
                value += L' ';
                P += (c == L'\r' && P + 1 < S.size() && S[P + 1] == L'\n') ? 2 : 1;
            } else {
                TakeChar(value);
            }
        }
    }

    // The start tag at P ('<'); returns the new element and whether it was an empty-element tag.
    std::unique_ptr<Node> ParseStartTag(Node* parent, bool& empty) {
        ++P;
        std::wstring_view name = ParseName(L"element name");
        std::unique_ptr<Node> node(new Node(NodeKind::Element, parent));
        node->FName = name;
        std::vector<std::wstring_view> names;           // attribute names as they stand in the text
        std::unordered_set<std::wstring_view> nameSet;  // used once an element has many attributes
        for (;;) {
            bool space = SkipSpace();
            if (AtEnd()) Fail(P, L"unexpected end of the text in the start tag of " + Quoted(name));
            if (S[P] == L'>') {
                ++P;
                empty = false;
                return node;
            }
            if (S[P] == L'/') {
                ++P;
                Expect(L'>', L"'>' after '/'");
                empty = true;
                return node;
            }
            std::size_t len = 0;
            if (!IsNameStart(DecodeAt(S, P, len))) Fail(P, L"unexpected character in the start tag of " + Quoted(name));
            if (!space) Fail(P, L"white space expected between attributes");
            std::size_t namePos = P;
            std::wstring_view attrName = ParseName(L"attribute name");
            bool duplicate;
            if (names.size() < 16) {
                duplicate = false;
                for (std::wstring_view n : names) duplicate = duplicate || n == attrName;
                names.push_back(attrName);
                if (names.size() == 16) nameSet.insert(names.begin(), names.end());
            } else {
                duplicate = !nameSet.insert(attrName).second;
            }
            if (duplicate) Fail(namePos, L"duplicate attribute " + Quoted(attrName));
            SkipSpace();
            Expect(L'=', L"'=' after the attribute name");
            SkipSpace();
            Attribute attr{std::wstring(attrName), {}};
            ParseAttributeValue(attr.Value);
            node->FAttributes.push_back(std::move(attr));
        }
    }

    std::unique_ptr<Node> ParseElementTree() {
        bool empty = false;
        std::unique_ptr<Node> root = ParseStartTag(nullptr, empty);
        if (empty) return root;
        std::vector<Node*> open{root.get()};
        while (!open.empty()) {
            Node* current = open.back();
            if (AtEnd()) Fail(P, L"element " + Quoted(current->FName) + L" is not closed");
            if (S[P] != L'<') {
                std::unique_ptr<Node> text(new Node(NodeKind::Text, current));
                ParseText(text->FValue);
                if (!IsWhiteSpaceOnly(text->FValue)) current->FChildren.push_back(std::move(text));
            } else if (StartsWith(L"</")) {
                P += 2;
                std::size_t namePos = P;
                std::wstring_view name = ParseName(L"element name");
                if (name != current->FName)
                    Fail(namePos, L"end tag " + Quoted(name) + L" does not match start tag " + Quoted(current->FName));
                SkipSpace();
                Expect(L'>', L"'>' closing the end tag");
                open.pop_back();
            } else if (StartsWith(L"<!--")) {
                std::unique_ptr<Node> comment(new Node(NodeKind::Comment, current));
                ParseComment(comment->FValue);
                current->FChildren.push_back(std::move(comment));
            } else if (StartsWith(L"<![CDATA[")) {
                std::unique_ptr<Node> cdata(new Node(NodeKind::CData, current));
                ParseCData(cdata->FValue);
                current->FChildren.push_back(std::move(cdata));
            } else if (StartsWith(L"<?")) {
                std::unique_ptr<Node> pi(new Node(NodeKind::ProcessingInstruction, current));
                ParsePI(pi->FName, pi->FValue);
                current->FChildren.push_back(std::move(pi));
            } else if (StartsWith(L"<!DOCTYPE")) {
                Fail(P, L"a DOCTYPE is not supported (no document type definitions, no entity declarations)");
            } else if (StartsWith(L"<!")) {
                Fail(P, L"unexpected markup declaration inside an element");
            } else {
                if (open.size() >= MaxDepth)
                    Fail(P, L"elements nest deeper than " + std::to_wstring(MaxDepth) + L" levels");
                std::unique_ptr<Node> child = ParseStartTag(current, empty);
                Node* raw = child.get();
                current->FChildren.push_back(std::move(child));
                if (!empty) open.push_back(raw);
            }
        }
        return root;
    }
};

// ---------------------------------------------------------------------------------------------
// Node

Node::~Node() = default;

const Node& Node::Child(std::size_t index) const {
    if (index >= FChildren.size())
        throw Exception(L"Child node " + std::to_wstring(index) + L" does not exist: the node has " +
                        std::to_wstring(FChildren.size()) + L" child nodes");
    return *FChildren[index];
}

Node& Node::Child(std::size_t index) { return const_cast<Node&>(std::as_const(*this).Child(index)); }

const Node* Node::FirstChildElement(std::wstring_view name) const noexcept {
    for (const auto& child : FChildren)
        if (child->FKind == NodeKind::Element && child->FName == name) return child.get();
    return nullptr;
}

Node* Node::FirstChildElement(std::wstring_view name) noexcept {
    return const_cast<Node*>(std::as_const(*this).FirstChildElement(name));
}

const std::wstring* Node::AttributeValue(std::wstring_view name) const noexcept {
    for (const Attribute& a : FAttributes)
        if (a.Name == name) return &a.Value;
    return nullptr;
}

void Node::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (FKind != NodeKind::Element) throw Exception(L"Only an element has attributes");
    if (!IsName(name)) throw Exception(L"Invalid attribute name " + Quoted(name));
    if (!AllLegal(value)) throw Exception(L"The value of attribute " + Quoted(name) + L" holds a character XML cannot carry");
    for (Attribute& a : FAttributes) {
        if (a.Name == name) {
            a.Value = value;
            return;
        }
    }
    FAttributes.push_back(Attribute{std::wstring(name), std::wstring(value)});
}

void Node::SetAttribute(std::wstring_view name, long long value) { SetAttribute(name, std::to_wstring(value)); }

std::wstring Node::Text() const {
    if (FKind != NodeKind::Element) throw Exception(L"Only an element has an element text");
    if (FChildren.empty()) return std::wstring();
    if (FChildren.size() == 1 && (FChildren[0]->FKind == NodeKind::Text || FChildren[0]->FKind == NodeKind::CData))
        return FChildren[0]->FValue;
    throw Exception(L"Element does not contain a single text node");
}

std::wstring Node::Markup() const {
    std::wstring out;
    AppendMarkup(out);
    return out;
}

// Depth is bounded by the parser (MaxDepth), so the recursion here is too.
void Node::AppendMarkup(std::wstring& out) const {
    switch (FKind) {
    case NodeKind::Element:
        out += L'<';
        out += FName;
        for (const Attribute& a : FAttributes) {
            out += L' ';
            out += a.Name;
            out += L"=\"";
            AppendEscaped(out, a.Value, true);
            out += L'"';
        }
        if (FChildren.empty()) {
            out += L"/>";
            return;
        }
        out += L'>';
        for (const auto& child : FChildren) child->AppendMarkup(out);
        out += L"</";
        out += FName;
        out += L'>';
        return;
    case NodeKind::Text:
        AppendEscaped(out, FValue, false);
        return;
    case NodeKind::CData: {
        // The parser never produces "]]>" inside a section; should one appear, splitting keeps the
        // markup well-formed.
        out += L"<![CDATA[";
        std::size_t from = 0, at;
        while ((at = FValue.find(L"]]>", from)) != std::wstring::npos) {
            out.append(FValue, from, at + 2 - from);
            out += L"]]><![CDATA[";
            from = at + 2;
        }
        out.append(FValue, from, std::wstring::npos);
        out += L"]]>";
        return;
    }
    case NodeKind::Comment:
        out += L"<!--";
        out += FValue;
        out += L"-->";
        return;
    case NodeKind::ProcessingInstruction:
        out += L"<?";
        out += FName;
        if (!FValue.empty()) {
            out += L' ';
            out += FValue;
        }
        out += L"?>";
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// Document

Document::Document() = default;
Document::~Document() = default;

void Document::LoadXml(std::wstring_view text) {
    Document parsed;
    Parser(text).Run(parsed);
    FRoot = std::move(parsed.FRoot);
    FHasDeclaration = parsed.FHasDeclaration;
    FVersion = std::move(parsed.FVersion);
    FEncoding = std::move(parsed.FEncoding);
}

void Document::Clear() noexcept {
    FRoot.reset();
    FHasDeclaration = false;
    FVersion.clear();
    FEncoding.clear();
}

}  // namespace xml
