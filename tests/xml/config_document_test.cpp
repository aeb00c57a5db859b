// The configuration document: the host's default document and level presets, the text that
// crosses to the module, and the module's readers with their conversions and errors.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "contract/ConfigDocument.h"

namespace {

using config::TTestConfig;

std::wstring MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return L"(no error)";
}

std::wstring Contains(const std::wstring& message, const std::wstring& part) {
    return message.find(part) != std::wstring::npos ? part : message;
}

const wchar_t kDescription[] =
    L"将视线集中在屏幕的中部，用眼睛的余光辨别数字，在规定的时间内按顺序用鼠标点击每一个数。";

// A section text around the given tests, caption and description as plain text.
std::wstring Section(const std::wstring& tests, const std::wstring& caption = L"<caption>c</caption>") {
    return L"<section type='20' GUID='{2A0C851E-3871-4741-938E-6EDFDA67067B}'>" + caption +
           L"<description>d</description><display splash='1'/><tests>" + tests + L"</tests></section>";
}

const std::wstring kTest =
    L"<test rowCount='3' colCount='4' minNumber='1' maxNumber='12' intervals='500' fontName='Arial' fontSize='20' "
    L"sound='0'/>";

// ----- host side -------------------------------------------------------------------------

TEST(HostDocument, DefaultDocumentIsThirteenIndentedLinesHoldingLevelOne) {
    const auto& lines = config::DefaultDocumentLines();
    const std::size_t tabs[13] = {0, 0, 1, 2, 1, 1, 2, 1, 1, 1, 2, 1, 0};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t n = lines[i].find_first_not_of(L'\t');
        EXPECT_EQ(n, tabs[i]) << "line " << i + 1;
        EXPECT_EQ(lines[i].find_first_of(L"\r\n"), std::wstring_view::npos) << "line " << i + 1;
    }
    EXPECT_EQ(lines[0], config::Declaration);

    xml::Document doc;
    config::BuildDefaultDocument(doc);
    EXPECT_EQ(doc.Encoding(), L"GB2312");
    xml::Node* section = doc.DocumentElement();
    EXPECT_EQ(section->Name(), L"section");
    EXPECT_EQ(*section->AttributeValue(L"type"), L"20");
    EXPECT_EQ(config::ReadGuid(doc), L"{2A0C851E-3871-4741-938E-6EDFDA67067B}");
    EXPECT_EQ(section->ChildCount(), 4u);
    EXPECT_EQ(section->FirstChildElement(L"caption")->Child(0).Kind(), xml::NodeKind::CData);
    EXPECT_EQ(section->FirstChildElement(L"caption")->Text(), L"舒尔特表");
    EXPECT_EQ(section->FirstChildElement(L"description")->Text(), kDescription);
    EXPECT_EQ(*section->FirstChildElement(L"display")->AttributeValue(L"splash"), L"1");
    xml::Node* tests = section->FirstChildElement(L"tests");
    ASSERT_EQ(tests->ChildCount(), 1u);

    const TTestConfig t = config::ReadTest(*tests, 0);
    const config::TLevelPreset& level1 = config::LevelPresets[1];
    EXPECT_EQ(t.RowCount, level1.rowCount);
    EXPECT_EQ(t.ColCount, level1.colCount);
    EXPECT_EQ(t.MinNumber, level1.minNumber);
    EXPECT_EQ(t.MaxNumber, level1.maxNumber);
    EXPECT_EQ(t.FontSize, level1.fontSize);
    EXPECT_EQ(t.Intervals, level1.intervals);
    EXPECT_EQ(t.FontName, L"宋体");
    EXPECT_TRUE(t.Sound);
}

TEST(HostDocument, EveryLevelReachesTheModuleThroughTheSectionMarkup) {
    xml::Document host;
    config::BuildDefaultDocument(host);
    // From the largest level down, so each choice overwrites a different earlier one.
    for (int level = static_cast<int>(config::LevelCount) - 1; level >= 0; --level) {
        const config::TLevelPreset& p = config::LevelPreset(level);
        config::ApplyLevelPreset(host, p);
        const std::wstring markup = config::SectionMarkup(host);
        EXPECT_FALSE(markup.starts_with(L"<?xml"));

        xml::Document module;
        config::TSectionConfig section = config::ReadSection(module, markup);
        EXPECT_EQ(section.Caption, L"舒尔特表");
        EXPECT_EQ(section.Description, kDescription);
        EXPECT_TRUE(section.Splash);
        ASSERT_EQ(section.Tests->ChildCount(), 1u);
        const TTestConfig t = config::ReadTest(*section.Tests, 0);
        EXPECT_EQ(t.RowCount, p.rowCount) << "level " << level;
        EXPECT_EQ(t.ColCount, p.colCount) << "level " << level;
        EXPECT_EQ(t.MinNumber, p.minNumber) << "level " << level;
        EXPECT_EQ(t.MaxNumber, p.maxNumber) << "level " << level;
        EXPECT_EQ(t.FontSize, p.fontSize) << "level " << level;
        EXPECT_EQ(t.Intervals, p.intervals) << "level " << level;
        EXPECT_EQ(t.FontName, L"宋体");
        EXPECT_TRUE(t.Sound);
        EXPECT_EQ(*section.Tests->Child(0).AttributeValue(L"sound"), L"1");
        ASSERT_EQ(t.Numbers.size(), static_cast<std::size_t>(p.maxNumber));
        EXPECT_EQ(t.Numbers.front(), L"1");
        EXPECT_EQ(t.Numbers.back(), std::to_wstring(p.maxNumber));
        // The host's own tree and the module's are the same.
        EXPECT_EQ(module.DocumentElement()->Markup(), markup);
    }
    EXPECT_EQ(*host.DocumentElement()->FirstChildElement(L"tests")->Child(0).AttributeValue(L"rowCount"), L"3");
}

TEST(HostDocument, LevelChangesOnlyTheSixNumbersOfTheFirstTest) {
    xml::Document doc;
    doc.LoadXml(Section(kTest + kTest));
    config::ApplyLevelPreset(doc, config::LevelPresets[7]);
    xml::Node* tests = doc.DocumentElement()->FirstChildElement(L"tests");
    const TTestConfig first = config::ReadTest(*tests, 0);
    EXPECT_EQ(first.RowCount, 10);
    EXPECT_EQ(first.MaxNumber, 100);
    EXPECT_EQ(first.Intervals, 300000);
    EXPECT_EQ(first.FontSize, 18);
    EXPECT_EQ(first.FontName, L"Arial");
    EXPECT_FALSE(first.Sound);
    // The order of the attributes stays as written; the second test is untouched.
    EXPECT_EQ(tests->Child(0).Attributes()[4].Name, L"intervals");
    EXPECT_EQ(tests->Child(1).Markup(), [] {
        xml::Document d;
        d.LoadXml(kTest);
        return d.DocumentElement()->Markup();
    }());
}

TEST(HostDocument, ErrorsOfTheHostSide) {
    xml::Document empty;
    EXPECT_NE(MessageOf([&] { config::ReadGuid(empty); }), L"(no error)");
    EXPECT_NE(MessageOf([&] { config::SectionMarkup(empty); }), L"(no error)");

    xml::Document doc;
    doc.LoadXml(L"<section type='20'><tests><test/></tests></section>");
    EXPECT_EQ(Contains(MessageOf([&] { config::ReadGuid(doc); }), L"'GUID'"), L"'GUID'");

    doc.LoadXml(L"<section><tests/></section>");
    EXPECT_NE(MessageOf([&] { config::ApplyLevelPreset(doc, config::LevelPresets[0]); }), L"(no error)");
    doc.LoadXml(L"<section><tests><!-- none --><test/></tests></section>");
    EXPECT_NE(MessageOf([&] { config::ApplyLevelPreset(doc, config::LevelPresets[0]); }), L"(no error)");
    doc.LoadXml(L"<section/>");
    EXPECT_EQ(Contains(MessageOf([&] { config::ApplyLevelPreset(doc, config::LevelPresets[0]); }), L"'tests'"),
              L"'tests'");

    EXPECT_NE(MessageOf([] { config::LevelPreset(8); }), L"(no error)");
    EXPECT_NE(MessageOf([] { config::LevelPreset(-1); }), L"(no error)");
}

// ----- conversions -----------------------------------------------------------------------

TEST(Conversions, Integers) {
    struct Case {
        const wchar_t* text;
        bool valid;
        std::int32_t value;
    } cases[] = {
        {L"0", true, 0},
        {L"-0", true, 0},
        {L"+5", true, 5},
        {L"007", true, 7},
        {L"13000", true, 13000},
        {L"-42", true, -42},
        {L"2147483647", true, std::numeric_limits<std::int32_t>::max()},
        {L"-2147483648", true, std::numeric_limits<std::int32_t>::min()},
        {L"00000000000000000000000000000001", true, 1},
        {L"", false, 0},
        {L"+", false, 0},
        {L"-", false, 0},
        {L"+-1", false, 0},
        {L"2147483648", false, 0},
        {L"-2147483649", false, 0},
        {L"99999999999999999999", false, 0},
        {L" 5", false, 0},
        {L"5 ", false, 0},
        {L"1 000", false, 0},
        {L"1.0", false, 0},
        {L"1e3", false, 0},
        {L"0x10", false, 0},
        {L"$10", false, 0},
        {L"\xFF15", false, 0},  // a full-width digit
        {L"abc", false, 0},
    };
    for (const Case& c : cases) {
        if (c.valid) {
            EXPECT_EQ(config::StrToInt(c.text), c.value) << ToUtf8(c.text);
        } else {
            EXPECT_EQ(MessageOf([&] { config::StrToInt(c.text); }),
                      L"'" + std::wstring(c.text) + L"' 不是一个有效的整形值")
                << ToUtf8(c.text);
        }
    }
}

TEST(Conversions, Booleans) {
    struct Case {
        const wchar_t* text;
        int value;  // 1 true, 0 false, -1 the error
    } cases[] = {
        {L"1", 1},      {L"0", 0},       {L"-1", 1},    {L"42", 1},     {L"000", 0},  {L"+0", 0},
        {L"True", 1},   {L"TRUE", 1},    {L"tRuE", 1},  {L"true", 1},   {L"False", 0}, {L"FALSE", 0},
        {L"false", 0},  {L"yes", -1},    {L"no", -1},   {L"", -1},      {L"T", -1},   {L"truee", -1},
        {L" 1", -1},    {L"True ", -1},  {L"2147483648", -1},
    };
    for (const Case& c : cases) {
        if (c.value >= 0) {
            EXPECT_EQ(config::StrToBool(c.text), c.value == 1) << ToUtf8(c.text);
        } else {
            EXPECT_EQ(MessageOf([&] { config::StrToBool(c.text); }),
                      L"'" + std::wstring(c.text) + L"' 不是一个有效的布尔值")
                << ToUtf8(c.text);
        }
    }
}

// ----- module side -----------------------------------------------------------------------

TEST(ModuleReading, PlainTextAndAnyWhiteSpaceReadLikeTheHostsDocument) {
    const std::wstring variants[] = {
        // CDATA, packed together.
        L"<section><caption><![CDATA[舒尔特表]]></caption><description><![CDATA[说明]]></description>"
        L"<display splash='1'/><tests>" + kTest + L"</tests></section>",
        // Plain text, other order, lots of white space.
        L"<section>\r\n\t<tests>\n  " + kTest + L"\n\t</tests>\n  <display  splash = \"1\" />\r\n"
        L"\t<description>说明</description>\t<caption>\r\n\t\t舒尔特表\r\n\t</caption>\n</section>\n\n",
    };
    for (const std::wstring& text : variants) {
        xml::Document doc;
        config::TSectionConfig s = config::ReadSection(doc, text);
        EXPECT_EQ(s.Description, L"说明");
        EXPECT_TRUE(s.Splash);
        ASSERT_EQ(s.Tests->ChildCount(), 1u);
        EXPECT_EQ(config::ReadTest(*s.Tests, 0).ColCount, 4);
    }
    // Plain text keeps its surrounding white space: only a CDATA section isolates the text exactly.
    xml::Document doc;
    EXPECT_EQ(config::ReadSection(doc, variants[0]).Caption, L"舒尔特表");
    EXPECT_EQ(config::ReadSection(doc, variants[1]).Caption, L"\n\t\t舒尔特表\n\t");
}

TEST(ModuleReading, SectionEdgeCases) {
    xml::Document doc;
    // An empty caption reads as "".
    EXPECT_EQ(config::ReadSection(doc, Section(kTest, L"<caption/>")).Caption, L"");
    // type may be absent or hold any text; the root's name is not checked.
    EXPECT_NO_THROW(config::ReadSection(
        doc, L"<section type='any text'><caption/><description/><display splash='0'/><tests/></section>"));
    config::TSectionConfig s =
        config::ReadSection(doc, L"<other><caption/><description/><display splash='False'/><tests/></other>");
    EXPECT_FALSE(s.Splash);
    // tests without children: nothing to read, no error.
    EXPECT_EQ(s.Tests->ChildCount(), 0u);
}

TEST(ModuleReading, SectionErrors) {
    struct Case {
        const char* name;
        std::wstring text;
        std::wstring message;  // a part of the message
    } cases[] = {
        {"not well-formed", L"<section><caption></section>", L"XML parse error at line 1, column 60"},
        {"a declaration of its own", L"<?xml version='1.0'?>" + Section(kTest), L"very start"},
        {"caption absent", L"<section><description/><display splash='1'/><tests/></section>", L"'caption'"},
        {"description absent", L"<section><caption/><display splash='1'/><tests/></section>", L"'description'"},
        {"display absent", L"<section><caption/><description/><tests/></section>", L"'display'"},
        {"tests absent", L"<section><caption/><description/><display splash='1'/></section>", L"'tests'"},
        {"caption is a nested element", L"<section><Caption/><caption><b/></caption></section>",
         L"Element does not contain a single text node"},
        {"text beside CDATA", Section(kTest, L"<caption>x<![CDATA[y]]></caption>"),
         L"Element does not contain a single text node"},
        {"a comment in description",
         L"<section><caption/><description><!--x--></description><display splash='1'/><tests/></section>",
         L"Element does not contain a single text node"},
        {"splash absent", L"<section><caption/><description/><display/><tests/></section>", L"'splash'"},
        {"splash not a boolean", L"<section><caption/><description/><display splash='yes'/><tests/></section>",
         L"'yes' 不是一个有效的布尔值"},
    };
    for (const Case& c : cases) {
        xml::Document doc;
        std::wstring message = MessageOf([&] { config::ReadSection(doc, c.text); });
        EXPECT_EQ(Contains(message, c.message), c.message) << c.name;
    }
}

TEST(ModuleReading, TestsAreReadByPositionAndALaterFaultSurfacesOnlyWhenDue) {
    xml::Document doc;
    config::TSectionConfig s = config::ReadSection(
        doc, Section(L"<test rowCount='1' colCount='2' minNumber='5' maxNumber='3' intervals='10' fontName='' "
                     L"fontSize='9' sound='TRUE'/>"
                     L"<other rowCount='2' colCount='2' minNumber='-2' maxNumber='2' intervals='20' fontName='楷体_GB2312' "
                     L"fontSize='10' sound='-1'/>"
                     L"<test rowCount='3' colCount='3' minNumber='1' maxNumber='9' intervals='x' fontName='f' "
                     L"fontSize='11' sound='1'/>"));
    ASSERT_EQ(s.Tests->ChildCount(), 3u);

    const TTestConfig t0 = config::ReadTest(*s.Tests, 0);
    EXPECT_EQ(t0.RowCount, 1);
    EXPECT_EQ(t0.FontName, L"");
    EXPECT_TRUE(t0.Sound);
    EXPECT_TRUE(t0.Numbers.empty());  // minNumber 5 > maxNumber 3

    const TTestConfig t1 = config::ReadTest(*s.Tests, 1);  // whatever the element's name
    EXPECT_EQ(t1.FontName, L"楷体_GB2312");
    EXPECT_TRUE(t1.Sound);
    EXPECT_EQ(t1.Numbers, (std::vector<std::wstring>{L"-2", L"-1", L"0", L"1", L"2"}));

    EXPECT_EQ(MessageOf([&] { config::ReadTest(*s.Tests, 2); }), L"'x' 不是一个有效的整形值");
    EXPECT_NE(MessageOf([&] { config::ReadTest(*s.Tests, 3); }), L"(no error)");
}

TEST(ModuleReading, TestFaultsAndTheirOrder) {
    struct Case {
        const char* name;
        std::wstring test;
        std::wstring message;  // a part of the message
    } cases[] = {
        {"rowCount absent",
         L"<test colCount='4' minNumber='1' maxNumber='16' intervals='1' fontName='f' fontSize='1' sound='1'/>",
         L"'rowCount'"},
        {"fontName absent",
         L"<test rowCount='4' colCount='4' minNumber='1' maxNumber='16' intervals='1' fontSize='1' sound='1'/>",
         L"'fontName'"},
        {"sound absent",
         L"<test rowCount='4' colCount='4' minNumber='1' maxNumber='16' intervals='1' fontName='f' fontSize='1'/>",
         L"'sound'"},
        {"attribute names are case-sensitive",
         L"<test rowcount='4' colCount='4' minNumber='1' maxNumber='16' intervals='1' fontName='f' fontSize='1' "
         L"sound='1'/>",
         L"'rowCount'"},
        {"first bad value stops the reading",
         L"<test rowCount='4' colCount='four' minNumber='one' maxNumber='16' intervals='1' fontName='f' "
         L"fontSize='1' sound='maybe'/>",
         L"'four' 不是一个有效的整形值"},
        {"intervals before fontSize",
         L"<test rowCount='4' colCount='4' minNumber='1' maxNumber='16' intervals='' fontName='f' fontSize='big'/>",
         L"'' 不是一个有效的整形值"},
        {"fontSize before sound",
         L"<test rowCount='4' colCount='4' minNumber='1' maxNumber='16' intervals='1' fontName='f' fontSize='1.5' "
         L"sound='yes'/>",
         L"'1.5' 不是一个有效的整形值"},
        {"sound not a boolean",
         L"<test rowCount='4' colCount='4' minNumber='1' maxNumber='16' intervals='1' fontName='f' fontSize='1' "
         L"sound='yes'/>",
         L"'yes' 不是一个有效的布尔值"},
        {"maxNumber out of range",
         L"<test rowCount='4' colCount='4' minNumber='1' maxNumber='2147483648' intervals='1' fontName='f' "
         L"fontSize='1' sound='1'/>",
         L"'2147483648' 不是一个有效的整形值"},
        {"the whole 32-bit range",
         L"<test rowCount='4' colCount='4' minNumber='-2147483648' maxNumber='2147483647' intervals='1' fontName='f' "
         L"fontSize='1' sound='1'/>",
         L"4294967296 numbers"},
        {"more rows than any window has pixels",
         L"<test rowCount='32768' colCount='4' minNumber='1' maxNumber='16' intervals='1' fontName='f' "
         L"fontSize='1' sound='1'/>",
         L"32768 rows"},
        {"too many columns fail before the next conversion",
         L"<test rowCount='4' colCount='2147483647' minNumber='one' maxNumber='16' intervals='1' fontName='f' "
         L"fontSize='1' sound='1'/>",
         L"2147483647 columns"},
        {"a comment instead of a test", L"<!-- a test -->", L"not an element"},
    };
    for (const Case& c : cases) {
        xml::Document doc;
        config::TSectionConfig s = config::ReadSection(doc, Section(c.test));
        std::wstring message = MessageOf([&] { config::ReadTest(*s.Tests, 0); });
        EXPECT_EQ(Contains(message, c.message), c.message) << c.name;
    }
    // The largest grid itself is read.
    xml::Document doc;
    config::TSectionConfig s = config::ReadSection(
        doc, Section(L"<test rowCount='32767' colCount='32767' minNumber='1' maxNumber='16' intervals='1' "
                     L"fontName='f' fontSize='1' sound='1'/>"));
    const TTestConfig largest = config::ReadTest(*s.Tests, 0);
    EXPECT_EQ(largest.RowCount, config::MaxGridLines);
    EXPECT_EQ(largest.ColCount, config::MaxGridLines);
}

TEST(ModuleReading, NumberListsAtTheEdgesOfTheRange) {
    const std::int32_t max = std::numeric_limits<std::int32_t>::max();
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(config::NumberTexts(max - 2, max),
              (std::vector<std::wstring>{L"2147483645", L"2147483646", L"2147483647"}));
    EXPECT_EQ(config::NumberTexts(min, min + 1), (std::vector<std::wstring>{L"-2147483648", L"-2147483647"}));
    EXPECT_EQ(config::NumberTexts(7, 7), (std::vector<std::wstring>{L"7"}));
    EXPECT_TRUE(config::NumberTexts(max, min).empty());
    EXPECT_EQ(config::NumberCount(min, max), std::int64_t{1} << 32);

    // The bound itself is allowed; one more is not.
    const auto big = config::NumberTexts(-10, static_cast<std::int32_t>(config::MaxTestNumbers - 11));
    ASSERT_EQ(big.size(), static_cast<std::size_t>(config::MaxTestNumbers));
    EXPECT_EQ(big[10], L"0");
    EXPECT_NE(MessageOf([] { config::NumberTexts(0, static_cast<std::int32_t>(config::MaxTestNumbers)); }),
              L"(no error)");
}

}  // namespace
