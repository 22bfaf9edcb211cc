// The HTML parser and renderer on any page, the fragment helpers built on them, and plain links
// read without it.
#include "fuzzinput.h"

#include "text/html.h"
#include "text/innertext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString html = fuzzTexts(data, size, 1).first();
    const QString text = htmlInnerText(html);
    // Only explicit breaks and preformatted text can open the result with a line break; blocks cannot.
    bool explicitBreaks = false;
    for (const char* tag : {"br", "pre", "textarea", "listing", "plaintext", "xmp"})
        explicitBreaks = explicitBreaks || html.contains(QLatin1String(tag), Qt::CaseInsensitive);
    fuzzCheck(explicitBreaks || !text.startsWith(u'\r'));
    // A link read without the parser reads as the parser reads it.
    if (const std::optional<HtmlLink> plain = plainHtmlLink(html)) {
        const QList<HtmlLink> parsed = htmlLinks(html);
        fuzzCheck(parsed.size() == 1 && parsed.first().href == plain->href &&
                  parsed.first().onclick == plain->onclick && parsed.first().text == plain->text);
    }
    htmlToPlainText(html);
    cleanWordHtml(html);
    extractImageSources(html);
    return 0;
}
