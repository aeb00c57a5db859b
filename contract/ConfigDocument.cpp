#include "contract/ConfigDocument.h"

#include <limits>

namespace config {

namespace {

std::wstring Quoted(std::wstring_view s) { return L"'" + std::wstring(s) + L"'"; }

// Doc is xml::Document or const xml::Document, and the result as const as the argument.
template <class Doc>
auto& RootOf(Doc& doc) {
    auto* root = doc.DocumentElement();
    if (!root) throw Exception(L"The configuration document is empty");
    return *root;
}

template <class Element>
auto& RequiredChild(Element& parent, std::wstring_view name) {
    auto* child = parent.FirstChildElement(name);
    if (!child) throw Exception(L"Element " + Quoted(parent.Name()) + L" has no child element " + Quoted(name));
    return *child;
}

bool EqualsIgnoringAsciiCase(std::wstring_view text, std::wstring_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lowerWord[i]) return false;
    }
    return true;
}

bool TryStrToInt(std::wstring_view text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    if (i == text.size()) return false;
    // The magnitude in 64 bits, checked after every digit, so any number of digits is safe.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c < L'0' || c > L'9') return false;
        magnitude = magnitude * 10 + (c - L'0');
        if (magnitude > limit) return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace

// ----- host side ----------------------------------------------------------------------------

const TLevelPreset& LevelPreset(int level) {
    if (level < 0 || static_cast<std::size_t>(level) >= LevelCount)
        throw Exception(L"There is no level " + std::to_wstring(level));
    return LevelPresets[static_cast<std::size_t>(level)];
}

const std::array<std::wstring_view, 13>& DefaultDocumentLines() {
    static const std::array<std::wstring_view, 13> lines{
        L"<?xml version=\"1.0\" encoding=\"GB2312\"?>",
        L"<section type=\"20\" GUID=\"{2A0C851E-3871-4741-938E-6EDFDA67067B}\">",
        L"\t<caption>",
        L"\t\t<![CDATA[舒尔特表]]>",
        L"\t</caption>",
        L"\t<description>",
        L"\t\t<![CDATA[将视线集中在屏幕的中部，用眼睛的余光辨别数字，在规定的时间内按顺序用鼠标点击每一个数。]]>",
        L"\t</description>",
        L"\t<display splash=\"1\"/>",
        L"\t<tests>",
        L"\t\t<test rowCount=\"4\" colCount=\"4\" minNumber=\"1\" maxNumber=\"16\" intervals=\"13000\" fontName=\"宋体\" "
        L"fontSize=\"44\" sound=\"1\"/>",
        L"\t</tests>",
        L"</section>",
    };
    return lines;
}

std::wstring DefaultDocumentText() {
    std::wstring text;
    for (std::wstring_view line : DefaultDocumentLines()) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

void BuildDefaultDocument(xml::Document& doc) { doc.LoadXml(DefaultDocumentText()); }

void ApplyLevelPreset(xml::Document& doc, const TLevelPreset& preset) {
    xml::Node& tests = RequiredChild(RootOf(doc), L"tests");
    if (tests.ChildCount() == 0) throw Exception(L"Element 'tests' holds no test");
    xml::Node& test = tests.Child(0);
    if (!test.IsElement()) throw Exception(L"The first child of 'tests' is not an element");
    test.SetAttribute(L"rowCount", preset.rowCount);
    test.SetAttribute(L"colCount", preset.colCount);
    test.SetAttribute(L"minNumber", preset.minNumber);
    test.SetAttribute(L"maxNumber", preset.maxNumber);
    test.SetAttribute(L"fontSize", preset.fontSize);
    test.SetAttribute(L"intervals", preset.intervals);
}

std::wstring ReadGuid(const xml::Document& doc) { return AttributeText(RootOf(doc), L"GUID"); }

std::wstring SectionMarkup(const xml::Document& doc) { return RootOf(doc).Markup(); }

// ----- module side --------------------------------------------------------------------------

std::int32_t StrToInt(std::wstring_view text) {
    std::int32_t value = 0;
    if (!TryStrToInt(text, value)) throw Exception(Quoted(text) + L" 不是一个有效的整形值");
    return value;
}

bool StrToBool(std::wstring_view text) {
    std::int32_t value = 0;
    if (TryStrToInt(text, value)) return value != 0;
    if (EqualsIgnoringAsciiCase(text, L"true")) return true;
    if (EqualsIgnoringAsciiCase(text, L"false")) return false;
    throw Exception(Quoted(text) + L" 不是一个有效的布尔值");
}

const std::wstring& AttributeText(const xml::Node& node, std::wstring_view name) {
    if (!node.IsElement())
        throw Exception(L"Attribute " + Quoted(name) + L" cannot be read: the node is not an element");
    const std::wstring* value = node.AttributeValue(name);
    if (!value) throw Exception(L"Element " + Quoted(node.Name()) + L" has no attribute " + Quoted(name));
    return *value;
}

std::int32_t IntAttribute(const xml::Node& node, std::wstring_view name) {
    return StrToInt(AttributeText(node, name));
}

bool BoolAttribute(const xml::Node& node, std::wstring_view name) { return StrToBool(AttributeText(node, name)); }

TSectionConfig ReadSection(xml::Document& doc, std::wstring_view sectionText) {
    std::wstring text(Declaration);
    text += sectionText;
    doc.LoadXml(text);
    xml::Node& root = RootOf(doc);
    TSectionConfig section;
    section.Caption = RequiredChild(root, L"caption").Text();
    section.Description = RequiredChild(root, L"description").Text();
    section.Splash = BoolAttribute(RequiredChild(root, L"display"), L"splash");
    section.Tests = &RequiredChild(root, L"tests");
    return section;
}

std::int64_t NumberCount(std::int32_t minNumber, std::int32_t maxNumber) noexcept {
    if (minNumber > maxNumber) return 0;
    return static_cast<std::int64_t>(maxNumber) - minNumber + 1;
}

std::vector<std::wstring> NumberTexts(std::int32_t minNumber, std::int32_t maxNumber) {
    std::int64_t count = NumberCount(minNumber, maxNumber);
    if (count > MaxTestNumbers)
        throw Exception(L"A test holds " + std::to_wstring(count) + L" numbers (" + std::to_wstring(minNumber) +
                        L" to " + std::to_wstring(maxNumber) + L"); at most " + std::to_wstring(MaxTestNumbers) +
                        L" are supported");
    std::vector<std::wstring> numbers;
    numbers.reserve(static_cast<std::size_t>(count));
    // Counting in 64 bits: maxNumber may be INT32_MAX.
    for (std::int64_t n = minNumber; n <= maxNumber; ++n) numbers.push_back(std::to_wstring(n));
    return numbers;
}

TTestConfig ReadTest(const xml::Node& tests, std::size_t index) {
    if (index >= tests.ChildCount())
        throw Exception(L"Test " + std::to_wstring(index) + L" does not exist: 'tests' holds " +
                        std::to_wstring(tests.ChildCount()) + L" child nodes");
    const xml::Node& node = tests.Child(index);
    if (!node.IsElement())
        throw Exception(L"Test " + std::to_wstring(index) + L" is not an element and has no attributes");
    auto gridLines = [&](std::wstring_view name, const wchar_t* what) {
        const std::int32_t lines = IntAttribute(node, name);
        if (lines > MaxGridLines)
            throw Exception(L"A test asks for " + std::to_wstring(lines) + what + L"; at most " +
                            std::to_wstring(MaxGridLines) + L" are supported");
        return lines;
    };
    TTestConfig test;
    test.RowCount = gridLines(L"rowCount", L" rows");
    test.ColCount = gridLines(L"colCount", L" columns");
    test.MinNumber = IntAttribute(node, L"minNumber");
    test.MaxNumber = IntAttribute(node, L"maxNumber");
    test.Intervals = IntAttribute(node, L"intervals");
    test.FontName = AttributeText(node, L"fontName");
    test.FontSize = IntAttribute(node, L"fontSize");
    test.Sound = BoolAttribute(node, L"sound");
    test.Numbers = NumberTexts(test.MinNumber, test.MaxNumber);
    return test;
}

}  // namespace config
