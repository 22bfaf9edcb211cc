// Punctuation width: only the text a reader sees changes, one character for one; every tag, comment
// and character reference stays byte for byte, and none appears that was not there.
#include "fuzzinput.h"

#include "text/html.h"
#include "tools/pageedits.h"

namespace {

// The markup of the page in order, each run of text a single mark.
QString markupOf(const QString& html) {
    return mapTextOutsideMarkup(html, [](const QString&) { return QStringLiteral("\x01"); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString html = fuzzTexts(data, size, 1).at(0);
    const QString markup = markupOf(html);
    for (const QString& out : {PageEdits::toFullWidth(html), PageEdits::toHalfWidth(html)}) {
        fuzzCheck(out.size() == html.size());
        fuzzCheck(markupOf(out) == markup);
    }
    // Back and forth ends where one step ends: nothing the first step wrote is read as markup.
    const QString half = PageEdits::toHalfWidth(html);
    fuzzCheck(markupOf(PageEdits::toFullWidth(half)) == markup);
    return 0;
}
