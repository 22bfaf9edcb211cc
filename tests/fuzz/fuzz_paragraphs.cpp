// Paragraph formatting of any chapter text.
#include "fuzzinput.h"

#include "text/html.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzzTexts(data, size, 1).first();
    const QString formatted = formatParagraphs(text);
    // Every line break became "<br>"; the paragraph breaks put in on the way are turned back too.
    fuzzCheck(!formatted.contains(u'\r') && !formatted.contains(u'\n'));
    getStyledPageContent(kStyledPageComment + kBookContentStart + text + kBookContentEnd);
    decodeHtmlEntities(text);
    cleanTitleText(text);
    extractQuotedValue(text, size % 2 == 0);
    return 0;
}
