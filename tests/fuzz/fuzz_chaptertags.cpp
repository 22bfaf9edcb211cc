// Chapter cleaning: the one-pass tag step agrees with the step-by-step one whenever it answers, and
// the whole cleaning never crashes.
#include "fuzzinput.h"

#include "renewal/chaptertags.h"
#include "renewal/chaptertext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzzTexts(data, size, 1).at(0);
    if (const std::optional<QString> quick = keepTextTagsInOnePass(text))
        fuzzCheck(*quick == keepTextTagsStepByStep(text));
    cleanChapterHtml(text);
    return 0;
}
