#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <functional>

// Calls into the editor's own script, which lives in the application's world of the design page.
namespace EditorScript {

// A JavaScript literal of the text.
inline QString quoted(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

inline void run(QWebEnginePage* page, const QString& call,
                const std::function<void(const QVariant&)>& done = {}) {
    const QString code = QStringLiteral("window.quiveralEditor ? quiveralEditor.%1 : undefined").arg(call);
    if (done)
        page->runJavaScript(code, QWebEngineScript::ApplicationWorld, done);
    else
        page->runJavaScript(code, QWebEngineScript::ApplicationWorld);
}

} // namespace EditorScript
