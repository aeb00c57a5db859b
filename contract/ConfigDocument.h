// The module configuration document, both sides of it:
// - the host builds its document from the default lines, writes a level preset into the first
//   test, reads the module's class identifier and hands over the markup of `section`;
// - the module parses that markup (behind the declaration again), checks caption, description and
//   display, and reads its tests one at a time with the document's conversions.
// Every error is an Exception with a wide message; no reader substitutes a default.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "platform/Exception.h"
#include "platform/xml/XmlDom.h"

namespace config {

// ----- shared -------------------------------------------------------------------------------

// The declaration in front of the document; the module puts it back in front of the section text.
inline constexpr std::wstring_view Declaration = L"<?xml version=\"1.0\" encoding=\"GB2312\"?>";

// ----- host side ----------------------------------------------------------------------------

// One level: the six values a level button writes into the first test.
struct TLevelPreset {
    std::int32_t rowCount;
    std::int32_t colCount;
    std::int32_t minNumber;
    std::int32_t maxNumber;
    std::int32_t fontSize;
    std::int32_t intervals;  // milliseconds
};

inline constexpr std::size_t LevelCount = 8;

// The host's level table, indexed by the level number (the button's Tag, 0 to 7).
inline constexpr std::array<TLevelPreset, LevelCount> LevelPresets{{
    {3, 3, 1, 9, 60, 10000},
    {4, 4, 1, 16, 44, 13000},
    {5, 5, 1, 25, 32, 27000},
    {6, 6, 1, 36, 28, 50000},
    {7, 7, 1, 49, 24, 90000},
    {8, 8, 1, 64, 20, 150000},
    {9, 9, 1, 81, 20, 220000},
    {10, 10, 1, 100, 18, 300000},
}};

// The preset of a level; an Exception when level is not 0 to 7.
const TLevelPreset& LevelPreset(int level);

// The thirteen lines of the default document, each with its leading tabs, without line breaks.
const std::array<std::wstring_view, 13>& DefaultDocumentLines();
// Those lines joined with CR LF, as they are appended to the document's text.
std::wstring DefaultDocumentText();
// Replaces the document by the parsed default document.
void BuildDefaultDocument(xml::Document& doc);

// Sets rowCount, colCount, minNumber, maxNumber, fontSize and intervals, in this order, on the first
// child node of the root's first `tests` element; everything else stays. An Exception when the
// document is empty, has no `tests`, `tests` has no child, or that child is not an element.
void ApplyLevelPreset(xml::Document& doc, const TLevelPreset& preset);

// The root's `GUID` attribute; an Exception when the document is empty or the attribute absent.
std::wstring ReadGuid(const xml::Document& doc);

// The markup of the root element (`section` and all of it, no declaration): the text LoadConfig
// hands to the module. An Exception when the document is empty.
std::wstring SectionMarkup(const xml::Document& doc);

// ----- module side --------------------------------------------------------------------------

// The integer conversion of the document: an optional '+' or '-' followed by one or more ASCII
// digits (leading zeros allowed), nothing else, in the range of a signed 32-bit integer. No white
// space is accepted anywhere, no hexadecimal form. Otherwise an Exception
// "'<text>' 不是一个有效的整形值".
std::int32_t StrToInt(std::wstring_view text);

// The boolean conversion: any text StrToInt accepts (non-zero is true), or "true" / "false" in any
// letter case (ASCII). Otherwise an Exception "'<text>' 不是一个有效的布尔值".
bool StrToBool(std::wstring_view text);

// The text of an attribute of an element; an Exception naming the attribute (and the element)
// when it is absent or the node is not an element.
const std::wstring& AttributeText(const xml::Node& node, std::wstring_view name);
std::int32_t IntAttribute(const xml::Node& node, std::wstring_view name);
bool BoolAttribute(const xml::Node& node, std::wstring_view name);

// What reading a section yields. Tests points into the document that was read; it lives as long
// as that document holds this parse.
struct TSectionConfig {
    std::wstring Caption;
    std::wstring Description;
    bool Splash = false;
    xml::Node* Tests = nullptr;
};

// Puts Declaration directly in front of sectionText, parses the result into doc (an
// xml::EParseError when it is not well-formed), reads the texts of `caption` and `description`
// and `splash` of `display`, and finds `tests` (each the first child element of that name of the
// root). An Exception when any of these is absent or fails its conversion. The root's name, `type`
// and `GUID` are not checked: they are the host's business.
TSectionConfig ReadSection(xml::Document& doc, std::wstring_view sectionText);

// Most numbers one test may hold (maxNumber - minNumber + 1). A larger range cannot be shown by any
// grid and would take gigabytes as a list of texts, so reading such a test fails instead.
inline constexpr std::int64_t MaxTestNumbers = 100000;

// Most rows, and most columns, one test may ask for. A window is at most 32767 pixels wide or high,
// so a grid with more lines has cells of no pixels; and the grid keeps a shuffled bag of its rows
// and of its columns for every run, which for two billion lines would take tens of gigabytes.
// Reading such a test fails instead.
inline constexpr std::int32_t MaxGridLines = 32767;

// One test as read from the document.
struct TTestConfig {
    std::int32_t RowCount = 0;
    std::int32_t ColCount = 0;
    std::int32_t MinNumber = 0;
    std::int32_t MaxNumber = 0;
    std::int32_t Intervals = 0;
    std::wstring FontName;
    std::int32_t FontSize = 0;
    bool Sound = false;
    std::vector<std::wstring> Numbers;  // "MinNumber" .. "MaxNumber", ascending; empty when min > max
};

// How many numbers a test from minNumber to maxNumber holds (0 when min > max), without overflow.
std::int64_t NumberCount(std::int32_t minNumber, std::int32_t maxNumber) noexcept;
// The decimal texts of minNumber up to maxNumber, ascending, no leading zeros or plus signs; empty
// when minNumber > maxNumber. An Exception when there would be more than MaxTestNumbers.
std::vector<std::wstring> NumberTexts(std::int32_t minNumber, std::int32_t maxNumber);

// Reads test number `index` (the index-th child node of tests, whatever its name): rowCount,
// colCount, minNumber, maxNumber, intervals, fontName (text as it stands, also ""), fontSize,
// sound, in this order; the first failure stops the reading with its Exception (a count of rows or
// columns above MaxGridLines fails right after its conversion). Then the numbers.
// An Exception when there is no such child or the child is not an element.
TTestConfig ReadTest(const xml::Node& tests, std::size_t index);

}  // namespace config
