#pragma once

#include <QString>

// The text a browser shows for an HTML fragment, as its body's innerText gives it: markup and
// scripts gone, entities decoded, white space collapsed, "<br>" and block elements as line breaks
// ("\r\n"), a blank line around paragraphs, cells of a row separated by tabs.
QString htmlInnerText(const QString& html);
