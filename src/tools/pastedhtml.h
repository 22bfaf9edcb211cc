#pragma once

#include <QString>

// HTML pasted into the chapter editor: a word processor's fragment goes through cleanWordHtml, and
// any fragment loses comments (conditional ones too) and its style, script, meta, link and xml
// elements, which would otherwise end up in the chapter page.
QString cleanPastedHtml(const QString& html);

// Whether the fragment carries a word processor's marks.
bool isWordProcessorHtml(const QString& html);
