#pragma once

#include <QString>

#include <optional>

// The tag step of chapter cleaning: every tag dropped except pictures, paragraphs, line breaks and
// "<pre>"; "&lt;" and "&gt;" stay escaped and "<<…>>" stays as it is.
QString keepTextTags(const QString& text);

// The same in one pass without regular expressions, for the text of nearly every chapter: every
// "<" opens a tag that ends before the next "<". Nothing when the text holds anything else
// (pictures, doubled brackets, an unclosed "<", …), which keepTextTags handles step by step.
std::optional<QString> keepTextTagsInOnePass(QStringView text);

// keepTextTags without the one-pass way: the reference the one-pass way must agree with.
QString keepTextTagsStepByStep(const QString& text);
