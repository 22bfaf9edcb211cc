#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// "f('a', 2)" or "javascript:f(a,b);" as a function name and its arguments (quotes removed).
struct ScriptCall {
    QString name;
    QStringList args;
};
std::optional<ScriptCall> parseScriptCall(const QString& text);

// The code inside a "<script…>…</script>" block as the page pattern matched it.
QString scriptBlockCode(const QString& block);

// Just enough of the scripts novel sites put on their pages to follow them without running them:
// string concatenation, variables, arrays of literals, function definitions and calls,
// document.write, assignments to location, and if/else chains on simple comparisons. Anything else
// is stepped over. All walks of a reader share one bound that grows with the scripts read, so hostile
// scripts cost time in proportion to their size.
class ScriptReader {
public:
    ScriptReader();
    explicit ScriptReader(const QString& script);
    ~ScriptReader();
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;

    // Functions defined elsewhere (the page's script files) become callable too. The first definition
    // of a name wins.
    void addDefinitions(const QString& script);

    bool hasFunction(const QString& name) const;
    QStringList parameters(const QString& name) const;

    // The address a call leads to: what the function assigns to location (or hands to
    // location.replace, location.assign or window.open), with the arguments in place of the
    // parameters. Without chooseBranch the first such assignment in the body counts; with it, if/else
    // chains are decided by the arguments first. None when the function is unknown or assigns none.
    std::optional<QString> callAddress(const QString& name, const QStringList& args, bool chooseBranch) const;

    // What the script writes when run from top to bottom: document.write and document.writeln, also
    // inside calls of known functions.
    QString writtenHtml() const;
    // What other code writes with this reader's functions, without adding its definitions.
    QString writtenHtml(const QString& code) const;

    // Arrays of literals in order of appearance: new Array("a","b"), ["a","b"], and a[3]="c".
    QList<QPair<QString, QStringList>> arrays() const;

    struct Source;
    struct Function;

private:
    // Every call may look at array elements; read them once, not once per call.
    const QHash<QString, QStringList>& arrayValues() const;

    std::vector<std::unique_ptr<Source>> m_sources;
    QHash<QString, std::shared_ptr<Function>> m_functions;
    mutable std::optional<QList<QPair<QString, QStringList>>> m_arrays;
    mutable std::optional<QHash<QString, QStringList>> m_arrayValues;
    mutable qint64 m_steps = 0;  // tokens visited by all walks so far
    mutable qint64 m_budget = 0; // grows with every token read
};
