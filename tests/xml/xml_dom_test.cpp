// The XML DOM: what it accepts and how it builds the tree, the errors it gives (with their
// positions), element text, attribute changes and markup that parses back to the same tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/xml/XmlDom.h"

namespace {

using xml::Document;
using xml::EParseError;
using xml::Node;
using xml::NodeKind;

// Two nodes are the same tree: kind, name, value, attributes in order, children recursively.
::testing::AssertionResult SameTree(const Node& a, const Node& b, const std::string& path = "/") {
    if (a.Kind() != b.Kind() || a.Name() != b.Name() || a.Value() != b.Value())
        return ::testing::AssertionFailure() << "nodes differ at " << path;
    if (a.Attributes().size() != b.Attributes().size())
        return ::testing::AssertionFailure() << "attribute counts differ at " << path;
    for (std::size_t i = 0; i < a.Attributes().size(); ++i)
        if (a.Attributes()[i].Name != b.Attributes()[i].Name || a.Attributes()[i].Value != b.Attributes()[i].Value)
            return ::testing::AssertionFailure() << "attribute " << i << " differs at " << path;
    if (a.ChildCount() != b.ChildCount()) return ::testing::AssertionFailure() << "child counts differ at " << path;
    for (std::size_t i = 0; i < a.ChildCount(); ++i) {
        auto r = SameTree(a.Child(i), b.Child(i), path + std::to_string(i) + "/");
        if (!r) return r;
    }
    return ::testing::AssertionSuccess();
}

std::wstring MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EParseError& e) {
        return L"EParseError: " + e.Message();
    } catch (const Exception& e) {
        return e.Message();
    }
    return L"(no error)";
}

TEST(XmlParse, BuildsTheTreeOfEveryKindOfNode) {
    Document doc;
    doc.LoadXml(L"<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
                L"<!-- before --><?before data?>\r\n"
                L"<root a=\"1\" b='two'>\r\n"
                L"  <child>text</child>\r\n"
                L"  <![CDATA[<not markup> & ]]>\r\n"
                L"  <!-- note -->\r\n"
                L"  <?target some data?>\r\n"
                L"  <empty/>\r\n"
                L"</root>\r\n"
                L"<!-- after -->");
    EXPECT_TRUE(doc.HasDeclaration());
    EXPECT_EQ(doc.Version(), L"1.0");
    EXPECT_EQ(doc.Encoding(), L"GB2312");
    Node* root = doc.DocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Name(), L"root");
    EXPECT_EQ(root->Parent(), nullptr);
    ASSERT_EQ(root->Attributes().size(), 2u);
    EXPECT_EQ(root->Attributes()[0].Name, L"a");
    EXPECT_EQ(*root->AttributeValue(L"b"), L"two");

    // The white space between the children is gone; every other node stays, in document order.
    ASSERT_EQ(root->ChildCount(), 5u);
    EXPECT_EQ(root->Child(0).Kind(), NodeKind::Element);
    EXPECT_EQ(root->Child(0).Name(), L"child");
    EXPECT_EQ(root->Child(0).Parent(), root);
    EXPECT_EQ(root->Child(0).Child(0).Kind(), NodeKind::Text);
    EXPECT_EQ(root->Child(0).Child(0).Value(), L"text");
    EXPECT_EQ(root->Child(1).Kind(), NodeKind::CData);
    EXPECT_EQ(root->Child(1).Value(), L"<not markup> & ");
    EXPECT_EQ(root->Child(2).Kind(), NodeKind::Comment);
    EXPECT_EQ(root->Child(2).Value(), L" note ");
    EXPECT_EQ(root->Child(3).Kind(), NodeKind::ProcessingInstruction);
    EXPECT_EQ(root->Child(3).Name(), L"target");
    EXPECT_EQ(root->Child(3).Value(), L"some data");
    EXPECT_EQ(root->Child(4).Name(), L"empty");
    EXPECT_EQ(root->Child(4).ChildCount(), 0u);
}

TEST(XmlParse, DeclarationIsOptionalAndItsEncodingOnlyNoted) {
    Document doc;
    doc.LoadXml(L"<a/>");
    EXPECT_FALSE(doc.HasDeclaration());
    EXPECT_EQ(doc.Encoding(), L"");
    // A byte order mark left at the start, and any encoding name: the text is decoded already.
    doc.LoadXml(L"\xFEFF<?xml version='1.0' encoding='ISO-8859-1' standalone='yes' ?><b/>");
    EXPECT_EQ(doc.Encoding(), L"ISO-8859-1");
    EXPECT_EQ(doc.DocumentElement()->Name(), L"b");
    // A processing instruction whose target only begins with "xml" is not a declaration.
    doc.LoadXml(L"<?xml-stylesheet href='x'?><c/>");
    EXPECT_FALSE(doc.HasDeclaration());
    EXPECT_EQ(doc.DocumentElement()->Name(), L"c");
}

TEST(XmlParse, ReferencesAreReplacedByTheirCharacters) {
    Document doc;
    doc.LoadXml(L"<a v=\"&lt;&gt;&amp;&apos;&quot;&#65;&#x4e2D;\">x &amp; y&#x1F600;&#20013;</a>");
    Node* a = doc.DocumentElement();
    EXPECT_EQ(*a->AttributeValue(L"v"), L"<>&'\"A中");
    EXPECT_EQ(a->Text(), L"x & y\U0001F600中");
}

TEST(XmlParse, WhiteSpaceOnlyTextIsDroppedOtherTextKeptWhole) {
    Document doc;
    doc.LoadXml(L"<a>\r\n\t <b> x \r\n y </b> \t<c>&#32;</c><d><![CDATA[ ]]></d></a>");
    Node* a = doc.DocumentElement();
    ASSERT_EQ(a->ChildCount(), 3u);
    // Line ends inside text are normalised to LF; surrounding spaces of non-blank text stay.
    EXPECT_EQ(a->Child(0).Text(), L" x \n y ");
    // A text that is only white space, however written, is dropped; a CDATA section is not text.
    EXPECT_EQ(a->Child(1).ChildCount(), 0u);
    ASSERT_EQ(a->Child(2).ChildCount(), 1u);
    EXPECT_EQ(a->Child(2).Child(0).Kind(), NodeKind::CData);
}

TEST(XmlParse, AttributeValuesAreNormalised) {
    Document doc;
    doc.LoadXml(L"<a v=\"1\t2\r\n3\n4\r5\" w=\"&#9;&#10;&#13;\"/>");
    EXPECT_EQ(*doc.DocumentElement()->AttributeValue(L"v"), L"1 2 3 4 5");
    // Characters written as references are kept as they are.
    EXPECT_EQ(*doc.DocumentElement()->AttributeValue(L"w"), L"\t\n\r");
}

std::wstring Nested(std::size_t depth) {
    std::wstring text;
    for (std::size_t i = 0; i < depth; ++i) text += L"<e>";
    for (std::size_t i = 0; i < depth; ++i) text += L"</e>";
    return text;
}

TEST(XmlParse, NestingIsBounded) {
    Document doc;
    EXPECT_NO_THROW(doc.LoadXml(Nested(xml::MaxDepth)));
    try {
        doc.LoadXml(Nested(xml::MaxDepth + 1));
        FAIL() << "too deep a document was accepted";
    } catch (const EParseError& e) {
        EXPECT_EQ(e.Line(), 1u);
        EXPECT_EQ(e.Column(), 3 * xml::MaxDepth + 1);
        EXPECT_NE(e.Reason().find(L"deeper"), std::wstring::npos);
    }
}

TEST(XmlParse, AFailedParseLeavesTheDocumentAsItWas) {
    Document doc;
    doc.LoadXml(L"<old a='1'/>");
    Node* old = doc.DocumentElement();
    EXPECT_THROW(doc.LoadXml(L"<new>"), EParseError);
    ASSERT_EQ(doc.DocumentElement(), old);
    EXPECT_EQ(old->Name(), L"old");
    doc.LoadXml(L"<new/>");
    EXPECT_EQ(doc.DocumentElement()->Name(), L"new");
    doc.Clear();
    EXPECT_EQ(doc.DocumentElement(), nullptr);
}

struct Malformed {
    const char* name;
    std::wstring text;
    std::size_t line;
    std::size_t column;
    const wchar_t* reason;  // a part of the reason
};

void PrintTo(const Malformed& m, std::ostream* os) { *os << m.name; }

class XmlMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(XmlMalformed, FailsWithReasonAndPosition) {
    const Malformed& m = GetParam();
    Document doc;
    try {
        doc.LoadXml(m.text);
        FAIL() << m.name << " was accepted";
    } catch (const EParseError& e) {
        EXPECT_EQ(e.Line(), m.line) << m.name << ": " << e.what();
        EXPECT_EQ(e.Column(), m.column) << m.name << ": " << e.what();
        EXPECT_NE(e.Reason().find(m.reason), std::wstring::npos) << m.name << ": " << e.what();
        std::wstring prefix = L"XML parse error at line " + std::to_wstring(m.line) + L", column " +
                              std::to_wstring(m.column) + L": ";
        EXPECT_EQ(e.Message(), prefix + e.Reason());
    }
    EXPECT_EQ(doc.DocumentElement(), nullptr);
}

const std::wstring kBillionLaughs =
    L"<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;\">]>\n"
    L"<lolz>&lol2;</lolz>";

INSTANTIATE_TEST_SUITE_P(
    Table, XmlMalformed,
    ::testing::Values(
        Malformed{"empty text", L"", 1, 1, L"no root element"},
        Malformed{"only white space", L" \r\n ", 2, 2, L"no root element"},
        Malformed{"only a comment", L"<!-- x -->", 1, 11, L"no root element"},
        Malformed{"unclosed element", L"<a><b></b>", 1, 11, L"'a' is not closed"},
        Malformed{"mismatched end tag", L"<a>\n  <b></c></a>", 2, 8, L"end tag 'c' does not match start tag 'b'"},
        Malformed{"end tag case differs", L"<a></A>", 1, 6, L"does not match"},
        Malformed{"two roots", L"<a/>\n<b/>", 2, 1, L"only one root element"},
        Malformed{"text after the root", L"<a/> x", 1, 6, L"outside the root element"},
        Malformed{"text before the root", L"x<a/>", 1, 1, L"outside the root element"},
        Malformed{"CDATA outside the root", L"<a/><![CDATA[x]]>", 1, 5, L"outside the root element"},
        Malformed{"DOCTYPE", L"<!DOCTYPE a>\n<a/>", 1, 1, L"DOCTYPE is not supported"},
        Malformed{"entity expansion", kBillionLaughs, 2, 1, L"DOCTYPE is not supported"},
        Malformed{"DOCTYPE inside an element", L"<a><!DOCTYPE a></a>", 1, 4, L"DOCTYPE is not supported"},
        Malformed{"markup declaration inside an element", L"<a><!ELEMENT a></a>", 1, 4, L"unexpected markup"},
        Malformed{"duplicate attribute", L"<a b='1' b='2'/>", 1, 10, L"duplicate attribute 'b'"},
        Malformed{"duplicate among many attributes",
                  L"<a a1='' a2='' a3='' a4='' a5='' a6='' a7='' a8='' a9='' a10='' a11='' a12='' a13='' a14='' "
                  L"a15='' a16='' a17='' a3=''/>",
                  1, 114, L"duplicate attribute 'a3'"},
        Malformed{"'<' in an attribute value", L"<a b='x<y'/>", 1, 8, L"'<' is not allowed"},
        Malformed{"unquoted attribute value", L"<a b=1/>", 1, 6, L"quoted attribute value expected"},
        Malformed{"attribute without value", L"<a b/>", 1, 5, L"'='"},
        Malformed{"attributes run together", L"<a b='1'c='2'/>", 1, 9, L"white space expected between attributes"},
        Malformed{"unterminated attribute value", L"<a b='x/>", 1, 6, L"unterminated attribute value"},
        Malformed{"bad character in a start tag", L"<a =''/>", 1, 4, L"unexpected character"},
        Malformed{"'/' not followed by '>'", L"<a/ >", 1, 4, L"'>' after '/'"},
        Malformed{"illegal element name", L"<1a/>", 1, 2, L"element name expected"},
        Malformed{"'<' alone in text", L"<a>1 < 2</a>", 1, 7, L"element name expected"},
        Malformed{"end tag not closed", L"<a></a", 1, 7, L"'>' closing the end tag"},
        Malformed{"']]>' in text", L"<a>x]]>y</a>", 1, 5, L"']]>' is not allowed in text"},
        Malformed{"'--' in a comment", L"<a><!-- x -- y --></a>", 1, 11, L"'--' is not allowed inside a comment"},
        Malformed{"comment ending in '-'", L"<a><!-- x ---></a>", 1, 11, L"'--' is not allowed"},
        Malformed{"unterminated comment", L"<a><!-- x </a>", 1, 4, L"unterminated comment"},
        Malformed{"unterminated CDATA", L"<a><![CDATA[x</a>", 1, 4, L"unterminated CDATA section"},
        Malformed{"unterminated processing instruction", L"<a><?pi x</a>", 1, 4, L"unterminated processing"},
        Malformed{"processing instruction without target", L"<a><? x?></a>", 1, 6, L"target expected"},
        Malformed{"target run into data", L"<a><?pi?x?></a>", 1, 8, L"white space expected after"},
        Malformed{"undefined entity", L"<a>&nbsp;</a>", 1, 4, L"undefined entity 'nbsp'"},
        Malformed{"entity without ';'", L"<a>&amp</a>", 1, 4, L"lacks ';'"},
        Malformed{"bare '&'", L"<a>fish & chips</a>", 1, 9, L"'&' must start a reference"},
        Malformed{"bare '&' in an attribute", L"<a b='&'/>", 1, 7, L"'&' must start a reference"},
        Malformed{"empty character reference", L"<a>&#;</a>", 1, 4, L"malformed character reference"},
        Malformed{"character reference with upper-case X", L"<a>&#X41;</a>", 1, 4, L"malformed character reference"},
        Malformed{"reference to NUL", L"<a>&#0;</a>", 1, 4, L"illegal character"},
        Malformed{"reference to a surrogate", L"<a>&#xD800;</a>", 1, 4, L"illegal character"},
        Malformed{"reference past the last code point", L"<a>&#x110000;</a>", 1, 4, L"illegal character"},
        Malformed{"huge character reference", L"<a>&#99999999999999999999999999;</a>", 1, 4, L"illegal character"},
        Malformed{"control character in text", std::wstring(L"<a>x\x01</a>"), 1, 5, L"illegal character U+0001"},
        Malformed{"NUL in an attribute", std::wstring(L"<a b='\0'/>", 10), 1, 7, L"illegal character U+0000"},
        Malformed{"non-character U+FFFE", L"<a>\xFFFE</a>", 1, 4, L"illegal character U+FFFE"},
        Malformed{"lone surrogate", std::wstring(L"<a><!--") + static_cast<wchar_t>(0xD800) + L"--></a>", 1, 8,
                  L"illegal character"},
        Malformed{"declaration not at the start", L" <?xml version='1.0'?><a/>", 1, 2, L"very start"},
        Malformed{"second declaration", L"<?xml version='1.0'?><?xml version='1.0'?><a/>", 1, 22, L"very start"},
        Malformed{"declaration without version", L"<?xml encoding='GB2312'?><a/>", 1, 7, L"lacks its version"},
        Malformed{"declaration with version 2.0", L"<?xml version='2.0'?><a/>", 1, 7, L"unsupported XML version"},
        Malformed{"bad encoding name", L"<?xml version='1.0' encoding='9x'?><a/>", 1, 21, L"invalid encoding name"},
        Malformed{"bad standalone", L"<?xml version='1.0' standalone='maybe'?><a/>", 1, 21, L"standalone"},
        Malformed{"encoding after standalone", L"<?xml version='1.0' standalone='no' encoding='x'?><a/>", 1, 37,
                  L"malformed XML declaration"},
        Malformed{"positions after CR LF", L"<a>\r\n\r\n  <b></c></a>", 3, 8, L"does not match"},
        Malformed{"positions after lone CR", L"<a>\r\r<b></c></a>", 3, 6, L"does not match"},
        Malformed{"a surrogate pair is one column", L"<a>\U0001F600</b>", 1, 7, L"does not match"},
        Malformed{"Chinese text counts per character", L"<a>舒尔特表</b>", 1, 10, L"does not match"}));

TEST(XmlParse, NeverFailsOtherThanWithAParseErrorAndAcceptedTextRoundTrips) {
    // Every prefix of a real document, and many random mutations of it: the parser either builds
    // a tree whose markup parses back to the same tree, or gives an EParseError. Nothing else.
    const std::wstring seed =
        L"<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<section type=\"20\" GUID=\"{2A0C}\">\r\n"
        L"\t<caption><![CDATA[舒尔特表]]></caption><!-- c --><?p d?>\r\n"
        L"\t<tests><test rowCount=\"4\" fontName='宋体' x=\"&amp;&#65;&lt;\"/>a&gt;b</tests>\r\n</section>\r\n";
    const std::wstring alphabet = L"<>/!?-[]&;#x='\" \r\n\tabAB1舒\U0001F600";
    std::uint32_t state = 12345;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };

    std::size_t accepted = 0;
    auto check = [&](const std::wstring& text) {
        Document doc;
        try {
            doc.LoadXml(text);
        } catch (const EParseError&) {
            return;
        }
        ++accepted;
        const std::wstring markup = doc.DocumentElement()->Markup();
        Document again;
        ASSERT_NO_THROW(again.LoadXml(markup)) << ToUtf8(markup);
        ASSERT_TRUE(SameTree(*doc.DocumentElement(), *again.DocumentElement())) << ToUtf8(text);
    };

    for (std::size_t n = 0; n < seed.size(); ++n) check(seed.substr(0, n));
    for (int round = 0; round < 20000; ++round) {
        std::wstring text = seed;
        int edits = 1 + next() % 4;
        for (int e = 0; e < edits; ++e) {
            std::size_t at = next() % (text.size() + 1);
            switch (next() % 3) {
            case 0: text.insert(at, 1, alphabet[next() % alphabet.size()]); break;
            case 1: if (at < text.size()) text.erase(at, 1 + next() % 3); break;
            default: if (at < text.size()) text[at] = alphabet[next() % alphabet.size()]; break;
            }
        }
        check(text);
        if (HasFatalFailure()) return;
    }
    // The mutations are mild enough that some of them stay well-formed.
    EXPECT_GT(accepted, 0u);
}

// ----- nodes ------------------------------------------------------------------------------

TEST(XmlNode, ElementTextIsItsSingleTextOrCDataChild) {
    struct Case {
        const wchar_t* xml;
        const wchar_t* text;  // nullptr: the error
    } cases[] = {
        {L"<e/>", L""},
        {L"<e></e>", L""},
        {L"<e>plain</e>", L"plain"},
        {L"<e><![CDATA[cdata]]></e>", L"cdata"},
        {L"<e>\r\n\t\t<![CDATA[cdata]]>\r\n\t</e>", L"cdata"},
        {L"<e><![CDATA[]]></e>", L""},
        {L"<e>a<![CDATA[b]]></e>", nullptr},
        {L"<e><![CDATA[a]]><![CDATA[b]]></e>", nullptr},
        {L"<e><!-- only a comment --></e>", nullptr},
        {L"<e><?pi?></e>", nullptr},
        {L"<e><f/></e>", nullptr},
        {L"<e>a<!-- c -->b</e>", nullptr},
    };
    for (const Case& c : cases) {
        Document doc;
        doc.LoadXml(c.xml);
        if (c.text) {
            EXPECT_EQ(doc.DocumentElement()->Text(), c.text) << ToUtf8(c.xml);
        } else {
            EXPECT_EQ(MessageOf([&] { doc.DocumentElement()->Text(); }), L"Element does not contain a single text node")
                << ToUtf8(c.xml);
        }
    }
}

TEST(XmlNode, FindsChildrenByNameAndPosition) {
    Document doc;
    doc.LoadXml(L"<r><!--x--><b n='1'/><a/><b n='2'/><B/></r>");
    Node* r = doc.DocumentElement();
    ASSERT_NE(r->FirstChildElement(L"b"), nullptr);
    EXPECT_EQ(*r->FirstChildElement(L"b")->AttributeValue(L"n"), L"1");
    EXPECT_EQ(r->FirstChildElement(L"B"), &r->Child(4));
    EXPECT_EQ(r->FirstChildElement(L"c"), nullptr);
    EXPECT_EQ(r->ChildCount(), 5u);
    EXPECT_EQ(r->Child(0).Kind(), NodeKind::Comment);
    EXPECT_EQ(r->Child(0).AttributeValue(L"n"), nullptr);
    EXPECT_EQ(r->Child(1).AttributeValue(L"N"), nullptr);
    EXPECT_THROW(r->Child(5), Exception);
}

TEST(XmlNode, SetAttributeReplacesInPlaceOrAppends) {
    Document doc;
    doc.LoadXml(L"<t a='1' b='2'><!--c--></t>");
    Node* t = doc.DocumentElement();
    t->SetAttribute(L"a", -2147483647LL - 1);
    t->SetAttribute(L"c", 300000);
    t->SetAttribute(L"b", L"中 & \"x\"");
    t->SetAttribute(L"d", 0);
    ASSERT_EQ(t->Attributes().size(), 4u);
    EXPECT_EQ(t->Attributes()[0].Name, L"a");
    EXPECT_EQ(t->Attributes()[0].Value, L"-2147483648");
    EXPECT_EQ(t->Attributes()[1].Value, L"中 & \"x\"");
    EXPECT_EQ(t->Attributes()[2].Name, L"c");
    EXPECT_EQ(t->Attributes()[2].Value, L"300000");
    EXPECT_EQ(t->Attributes()[3].Value, L"0");

    EXPECT_THROW(t->SetAttribute(L"1x", 1), Exception);
    EXPECT_THROW(t->SetAttribute(L"", 1), Exception);
    EXPECT_THROW(t->SetAttribute(L"ok", std::wstring(1, L'\x01')), Exception);
    EXPECT_THROW(t->Child(0).SetAttribute(L"a", 1), Exception);
    EXPECT_EQ(t->Attributes().size(), 4u);
}

TEST(XmlNode, MarkupEscapesAndParsesBackToTheSameTree) {
    Document doc;
    doc.LoadXml(L"<r q=\"&quot;'&lt;&gt;&amp;&#9;&#10;&#13;\" s='\"'>"
                L"a &lt;b&gt; &amp; ]]&gt; &#13;\r\n"
                L"<![CDATA[<x> & ]] >]]><!-- c --><?pi d?><?bare?><e/><f g=''>中文\U0001F600</f></r>");
    Node* r = doc.DocumentElement();
    r->SetAttribute(L"set", L"tab\tlf\ncr\r<&>\"'");
    const std::wstring markup = r->Markup();
    EXPECT_FALSE(markup.starts_with(L"<?xml"));
    Document again;
    again.LoadXml(markup);
    EXPECT_TRUE(SameTree(*r, *again.DocumentElement()));
    EXPECT_EQ(again.DocumentElement()->Markup(), markup);
    // A child's markup is that element alone.
    EXPECT_EQ(r->Child(5).Markup(), L"<e/>");
    EXPECT_EQ(r->Child(6).Markup(), L"<f g=\"\">中文\U0001F600</f>");
}

}  // namespace
