// Fuzz target for the configuration document's reader: the first thing hostile input meets.
// Any input must either parse or raise an EParseError; what parses must serialise to markup that
// parses back to the same markup; the module's readers must fail only with our Exception.
#include "contract/ConfigDocument.h"
#include "platform/xml/XmlDom.h"
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text = ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    xml::Document doc;
    try {
        doc.LoadXml(text);
    } catch (const xml::EParseError&) {
        return 0;
    }
    if (const xml::Node* root = doc.DocumentElement()) {
        std::wstring markup = root->Markup();
        xml::Document again;
        again.LoadXml(markup);  // must not throw: our own markup is well-formed
        if (again.DocumentElement()->Markup() != markup) std::abort();
        // The module's path: the section text behind the declaration, then every test.
        try {
            xml::Document section;
            config::TSectionConfig cfg = config::ReadSection(section, markup);
            for (size_t i = 0; i < cfg.Tests->ChildCount(); ++i) {
                try {
                    config::ReadTest(*cfg.Tests, i);
                } catch (const Exception&) {
                }
            }
        } catch (const Exception&) {
        }
    }
    return 0;
}
