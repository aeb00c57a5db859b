// A small XML 1.0 DOM for the configuration document: parse UTF-16 text into a tree of nodes owned
// by a document, read and change it, and write an element back as markup.
//
// Plain standard C++ without any Windows header, so the parser also builds natively (fuzzing).
// wchar_t may be 16 bits (Windows: UTF-16 with surrogate pairs) or 32 bits (Linux: one code point
// per wchar_t); both are handled.
//
// What the parser accepts, and what it refuses on purpose:
// - the XML declaration (version, optional encoding and standalone); the encoding is only noted,
//   since the text is already decoded (a document declaring GB2312 is accepted as it is);
// - elements, attributes, text, CDATA sections, comments and processing instructions;
// - character references and the five predefined entities; any other entity is an error;
// - a DOCTYPE is an error: no DTD, hence no entity expansion of any kind;
// - elements nest at most MaxDepth deep;
// - text nodes made only of white space (space, tab, CR, LF) are dropped; line ends are normalised
//   to LF and attribute values are normalised as XML 1.0 does for attributes without a DTD;
// - comments and processing instructions outside the root element are checked and dropped.
// Every well-formedness error is an EParseError naming the line and column (both 1-based, columns
// counted in characters, a line break being LF, CR or CR LF). Parsing runs in time linear in the
// length of the text and never recurses.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include "platform/Exception.h"

namespace xml {

// Elements deeper than this are refused by the parser.
inline constexpr std::size_t MaxDepth = 256;

// A text that is not well-formed XML. Message() reads
// "XML parse error at line L, column C: <reason>".
class EParseError : public Exception {
public:
    EParseError(std::size_t line, std::size_t column, std::wstring reason);
    std::size_t Line() const noexcept { return FLine; }
    std::size_t Column() const noexcept { return FColumn; }
    const std::wstring& Reason() const noexcept { return FReason; }

private:
    std::size_t FLine;
    std::size_t FColumn;
    std::wstring FReason;
};

enum class NodeKind { Element, Text, CData, Comment, ProcessingInstruction };

struct Attribute {
    std::wstring Name;
    std::wstring Value;
};

class Document;

// One node of a document. Nodes are created by the document's parser only and owned by their parent
// element (the root by the document); a reference stays valid until the document is parsed again
// successfully or destroyed.
class Node {
public:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node();

    NodeKind Kind() const noexcept { return FKind; }
    bool IsElement() const noexcept { return FKind == NodeKind::Element; }
    // Element: the tag name. Processing instruction: the target. Other kinds: "".
    const std::wstring& Name() const noexcept { return FName; }
    // Text, CDATA, comment: the content. Processing instruction: the data after the target.
    // Element: "".
    const std::wstring& Value() const noexcept { return FValue; }
    // The parent element; nullptr for the document element.
    Node* Parent() noexcept { return FParent; }
    const Node* Parent() const noexcept { return FParent; }

    // Child nodes in document order (only elements have any).
    std::size_t ChildCount() const noexcept { return FChildren.size(); }
    // The child at index; an Exception when index >= ChildCount().
    Node& Child(std::size_t index);
    const Node& Child(std::size_t index) const;
    // The first child element of that name (case-sensitive), or nullptr.
    Node* FirstChildElement(std::wstring_view name) noexcept;
    const Node* FirstChildElement(std::wstring_view name) const noexcept;

    // Attributes in document order (empty for nodes other than elements).
    const std::vector<Attribute>& Attributes() const noexcept { return FAttributes; }
    // The value of the attribute of that name (case-sensitive); nullptr when absent or when this
    // node is not an element.
    const std::wstring* AttributeValue(std::wstring_view name) const noexcept;
    // Stores the value, replacing an existing attribute of that name in place or appending a new
    // one. An Exception when this node is not an element, the name is not a legal XML name, or the
    // value holds a character XML cannot carry.
    void SetAttribute(std::wstring_view name, std::wstring_view value);
    // Stores the integer as its decimal text ("-12", "300000").
    void SetAttribute(std::wstring_view name, long long value);

    // The element's text: the content of its single text or CDATA child, "" when it has no child.
    // An Exception "Element does not contain a single text node" when it has more than one child
    // or its child is of another kind; an Exception when this node is not an element.
    std::wstring Text() const;

    // This node serialised as XML text, without declaration, for an element with its attributes
    // and all its descendants. No white space is added, and special characters are escaped, so the
    // result parses back into the same tree.
    std::wstring Markup() const;

private:
    friend class Document;
    friend class Parser;
    Node(NodeKind kind, Node* parent) : FKind(kind), FParent(parent) {}
    void AppendMarkup(std::wstring& out) const;

    NodeKind FKind;
    Node* FParent;
    std::wstring FName;
    std::wstring FValue;
    std::vector<Attribute> FAttributes;
    std::vector<std::unique_ptr<Node>> FChildren;
};

// An XML document: empty, or one tree parsed from text.
class Document {
public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Parses the text and replaces the whole document by the result. On an EParseError the document
    // is left as it was (references into it stay valid).
    void LoadXml(std::wstring_view text);
    // Drops the tree.
    void Clear() noexcept;

    // The root element; nullptr while the document is empty.
    Node* DocumentElement() noexcept { return FRoot.get(); }
    const Node* DocumentElement() const noexcept { return FRoot.get(); }

    // What the XML declaration said: whether there was one, its version and encoding texts
    // ("" when absent).
    bool HasDeclaration() const noexcept { return FHasDeclaration; }
    const std::wstring& Version() const noexcept { return FVersion; }
    const std::wstring& Encoding() const noexcept { return FEncoding; }

private:
    friend class Parser;
    std::unique_ptr<Node> FRoot;
    bool FHasDeclaration = false;
    std::wstring FVersion;
    std::wstring FEncoding;
};

}  // namespace xml
