// Link extraction over hostile lists: the links, their places, volumes, addresses made absolute
// through the page's own scripts. Never a crash, never a place outside the text, never a relative
// address left over.
#include "fuzzinput.h"

#include "toc/linkcollector.h"
#include "toc/linkresolver.h"
#include "toc/nonchapterfilter.h"
#include "toc/scriptreader.h"
#include "toc/volumes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QString> t = fuzzTexts(data, size, 3);
    const QString& list = t.at(0);
    const QString& volumeStart = t.at(1);
    const QString& volumeEnd = t.at(2);

    ChapterLinks links = collectLinks(list);
    for (const ChapterLink& link : links) {
        fuzzCheck(link.position >= 0 && link.position <= list.size());
        fuzzCheck(link.title.size() <= 250);
    }
    assignVolumes(list, links, volumeStart, volumeEnd);

    const ScriptReader scripts(list);
    scripts.writtenHtml();
    LinkResolver resolver(QStringLiteral("http://fuzz.test/a/b/index.html"));
    resolver.setBase(LinkResolver::findBase(list));
    resolver.setScripts(&scripts, true);
    const NonChapterFilter filter;
    for (ChapterLink& link : links) {
        link.url = resolver.resolve(link.url);
        fuzzCheck(link.url.isEmpty() || link.url.startsWith(QLatin1String("http"), Qt::CaseInsensitive));
        filter.isNonChapter(link.title, link.url);
    }
    getLinks2(list, QStringLiteral("http://fuzz.test/c/1.html"), {});
    return 0;
}
