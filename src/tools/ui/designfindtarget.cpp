#include "tools/ui/designfindtarget.h"

#include "tools/ui/editorscript.h"

#include <QStringList>
#include <QVariantMap>

DesignFindTarget::DesignFindTarget(QWebEnginePage* page)
    : m_page(page) {}

void DesignFindTarget::text(std::function<void(const QString&, qsizetype)> done) {
    if (!m_page) {
        done(QString(), 0);
        return;
    }
    EditorScript::run(m_page, QStringLiteral("text()"), [done](const QVariant& answer) {
        const QVariantMap map = answer.toMap();
        done(map.value(QStringLiteral("text")).toString(), map.value(QStringLiteral("end")).toLongLong());
    });
}

void DesignFindTarget::findNext(const QString& needle, const TextFinder::Options& options, bool fromTop,
                                std::function<void(bool)> done) {
    text([this, needle, options, fromTop, done](const QString& text, qsizetype end) {
        const qsizetype at = TextFinder::find(text, needle, fromTop ? 0 : end, options);
        if (at >= 0 && m_page)
            EditorScript::run(m_page, QStringLiteral("selectText(%1, %2)").arg(at).arg(needle.size()));
        done(at >= 0);
    });
}

void DesignFindTarget::contains(const QString& needle, const TextFinder::Options& options,
                                std::function<void(bool)> done) {
    text([needle, options, done](const QString& text, qsizetype) {
        done(TextFinder::find(text, needle, 0, options) >= 0);
    });
}

void DesignFindTarget::replaceSelection(const QString& needle, const QString& replacement,
                                        const TextFinder::Options& options, std::function<void(bool)> done) {
    if (!m_page) {
        done(false);
        return;
    }
    EditorScript::run(
        m_page, QStringLiteral("selectedText()"),
        [this, needle, replacement, options, done](const QVariant& selected) {
            const bool match = TextFinder::isMatch(selected.toString(), needle, options);
            if (match && m_page)
                EditorScript::run(
                    m_page, QStringLiteral("replaceSelection(%1)").arg(EditorScript::quoted(replacement)));
            done(match);
        });
}

void DesignFindTarget::replaceAll(const QString& needle, const QString& replacement,
                                  const TextFinder::Options& options, std::function<void(int)> done) {
    text([this, needle, replacement, options, done](const QString& text, qsizetype) {
        QStringList starts;
        for (qsizetype at = TextFinder::find(text, needle, 0, options); at >= 0;
             at = TextFinder::find(text, needle, at + needle.size(), options))
            starts << QString::number(at);
        if (!starts.isEmpty() && m_page) {
            // Answered only once the page has replaced them, so a count shown means it is done.
            EditorScript::run(m_page,
                              QStringLiteral("replaceAt([%1], %2, %3)")
                                  .arg(starts.join(u','))
                                  .arg(needle.size())
                                  .arg(EditorScript::quoted(replacement)),
                              [done, count = int(starts.size())](const QVariant&) { done(count); });
            return;
        }
        done(0);
    });
}
