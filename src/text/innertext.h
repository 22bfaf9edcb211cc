#pragma once

#include <QList>
#include <QString>

#include <optional>

// The text a browser shows for an HTML fragment, as its body's innerText gives it: markup and
// scripts gone, entities decoded, white space collapsed, "<br>" and block elements as line breaks
// ("\r\n"), a blank line around paragraphs, cells of a row separated by tabs.
QString htmlInnerText(const QString& html);
// The same always through the HTML parser, and the quick reading htmlInnerText tries first: pages
// whose tree is the nesting of their tags (a head of meta, title, link, script and style; a body of
// text, line breaks, pictures, blocks and inline elements, properly nested). Nothing for any other
// page, which the parser reads. The two must agree.
QString htmlInnerTextParsed(const QString& html);
std::optional<QString> simplePageInnerText(QStringView html);

// One link (an "a" element with an href) of a fragment, as a browser's document.links gives it.
struct HtmlLink {
    QString href;    // the attribute with its entities decoded, as written
    QString onclick; // the onclick attribute, "" without one
    QString text;    // inner text, as htmlInnerText renders it
    // Byte offset of the start tag in the UTF-8 form of the input. Only approximate behind a page
    // nested so deep that the parser had to drop tags.
    qsizetype sourceOffset = 0;
};

// Every link of the fragment in document order.
QList<HtmlLink> htmlLinks(const QString& html);

// What htmlLinks gives for one link written plainly: "<a", attributes, ">", text, "</a>", with nothing
// an HTML parser could read in more than one way (no entity, tag, control character or surrogate,
// quotes closed, white space between attributes). sourceOffset is 0. nullopt for anything else and
// for a link without an href: the parser decides those.
std::optional<HtmlLink> plainHtmlLink(QStringView html);
