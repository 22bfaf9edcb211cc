// Chapter cleaning: the one-pass tag step agrees with the step-by-step one whenever it answers, the
// whole cleaning never crashes and leaves nothing that runs, and stripping what runs is done in one go.
#include "fuzzinput.h"

#include "renewal/chaptertags.h"
#include "renewal/chaptertext.h"
#include "text/html.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QStringList keptTags = {QStringLiteral("img"), QStringLiteral("p"), QStringLiteral("br"),
                                         QStringLiteral("pre")};
    const QString text = fuzzTexts(data, size, 1).at(0);
    if (const std::optional<QString> quick = keepTextTagsInOnePass(text))
        fuzzCheck(*quick == keepTextTagsStepByStep(text));
    const QString cleaned = cleanChapterHtml(text);
    fuzzCheck(stripActiveContent(cleaned, keptTags) == cleaned);
    const QString stripped = stripActiveContent(text, keptTags);
    fuzzCheck(stripActiveContent(stripped, keptTags) == stripped);
    replacePictureSources(cleaned, false, [](const QString& s) { return s + QStringLiteral("\""); });
    centerPictures(cleaned);
    return 0;
}
