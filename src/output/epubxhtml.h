#pragma once

#include <QString>

#include <functional>

// Chapter HTML, as sites and editors leave it, turned into the body of a well-formed XHTML content
// document that e-book readers accept: text in paragraphs, pictures on their own, nothing that runs.
namespace EpubXhtml {

// For a picture's src: its address inside the book relative to the document, or "" to leave the
// picture out (its alt text stays).
using PictureResolver = std::function<QString(const QString& source)>;

// The page is parsed as HTML; with wholePage the body of the whole page is taken, otherwise the
// text is a fragment of a body. Breaks and blocks end paragraphs, leading spaces of a paragraph go
// (the style sheet indents), the inline emphasis stays, everything else is reduced to its text.
QString bodyFromHtml(const QString& html, const PictureResolver& pictures = {});

// Text for XML character data and attribute values: markup characters escaped, and characters XML
// cannot hold (control characters, lone surrogates, U+FFFE/U+FFFF) dropped.
QString escape(const QString& text);

} // namespace EpubXhtml
