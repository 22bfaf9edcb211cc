#include "toc/scriptreader.h"

#include <algorithm>

namespace {

enum class Kind { Ident, String, Number, Punct };

struct Token {
    Kind kind = Kind::Punct;
    QString text; // identifier (dotted names in one piece), decoded string, number, operator
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype partner = -1; // for a bracket, the index of its closing one; -1 when never closed
};

// Calls nest at most this deep, and one walk visits at most this many tokens: a script can make
// the reader do no more than a bounded amount of work, whatever it calls.
constexpr int kMaxCallDepth = 4;
// Brackets and branches nest at most this deep before the reader stops following them: deeper
// nesting would only serve to exhaust the stack.
constexpr int kMaxNesting = 200;
// All walks of one reader together visit at most this many tokens, plus so many per token read: a
// page's scripts can cost time in proportion to their size, not more.
constexpr qint64 kBaseSteps = 2'000'000;
constexpr qint64 kStepsPerToken = 64;
constexpr qsizetype kMaxWritten = 16 * 1024 * 1024;

bool isIdentStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'$';
}
bool isIdentPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads the escape after a backslash at s[i]; returns the position after it.
qsizetype readEscape(const QString& s, qsizetype i, QString& out) {
    const QChar c = s.at(i);
    auto hex = [&](int digits) -> qsizetype {
        int value = 0;
        for (int k = 1; k <= digits; ++k) {
            if (i + k >= s.size() || hexDigit(s.at(i + k)) < 0) {
                out += c;
                return i + 1;
            }
            value = value * 16 + hexDigit(s.at(i + k));
        }
        out += QChar(char16_t(value));
        return i + 1 + digits;
    };
    switch (c.unicode()) {
    case u'n':
        out += u'\n';
        return i + 1;
    case u'r':
        out += u'\r';
        return i + 1;
    case u't':
        out += u'\t';
        return i + 1;
    case u'\n':
        return i + 1; // line continuation
    case u'u':
        return hex(4);
    case u'x':
        return hex(2);
    default:
        out += c;
        return i + 1;
    }
}

QList<Token> lex(const QString& s) {
    static const char* const operators[] = {
        "===", "!==", "==", "!=", "<=", ">=", "&&", "||", "++", "--", "+="};
    QList<Token> tokens;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && s.at(i + 1) == u'/') {
            const qsizetype eol = s.indexOf(u'\n', i);
            i = eol < 0 ? n : eol + 1;
            continue;
        }
        if (c == u'/' && i + 1 < n && s.at(i + 1) == u'*') {
            const qsizetype close = s.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
            continue;
        }
        const qsizetype start = i;
        if (isIdentStart(c)) {
            while (i < n &&
                   (isIdentPart(s.at(i)) || (s.at(i) == u'.' && i + 1 < n && isIdentStart(s.at(i + 1)))))
                ++i;
            tokens.append({Kind::Ident, s.mid(start, i - start), start, i});
            continue;
        }
        if (c.isDigit()) {
            while (i < n && (s.at(i).isDigit() || s.at(i) == u'.'))
                ++i;
            tokens.append({Kind::Number, s.mid(start, i - start), start, i});
            continue;
        }
        if (c == u'"' || c == u'\'') {
            QString value;
            ++i;
            while (i < n && s.at(i) != c && s.at(i) != u'\n') {
                if (s.at(i) == u'\\' && i + 1 < n)
                    i = readEscape(s, i + 1, value);
                else
                    value += s.at(i++);
            }
            if (i < n && s.at(i) == c)
                ++i;
            tokens.append({Kind::String, value, start, i});
            continue;
        }
        QString op(c);
        for (const char* candidate : operators) {
            const QLatin1String o(candidate);
            if (QStringView(s).mid(i, o.size()) == o) {
                op = o;
                break;
            }
        }
        i += op.size();
        tokens.append({Kind::Punct, op, start, i});
    }
    // Brackets are paired once here, so that skipping a call or a body never rescans the script:
    // hostile scripts of unclosed brackets would otherwise cost quadratic time.
    QList<qsizetype> open[3];
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (tokens.at(k).kind != Kind::Punct || tokens.at(k).text.size() != 1)
            continue;
        const char16_t c = tokens.at(k).text.at(0).unicode();
        const int type = c == u'(' || c == u')'   ? 0
                         : c == u'[' || c == u']' ? 1
                         : c == u'{' || c == u'}' ? 2
                                                  : -1;
        if (type < 0)
            continue;
        if (c == u'(' || c == u'[' || c == u'{')
            open[type].append(k);
        else if (!open[type].isEmpty())
            tokens[open[type].takeLast()].partner = k;
    }
    return tokens;
}

bool isPunct(const QList<Token>& t, qsizetype i, QStringView text) {
    return i >= 0 && i < t.size() && t.at(i).kind == Kind::Punct && t.at(i).text == text;
}
bool isIdent(const QList<Token>& t, qsizetype i, QStringView text) {
    return i >= 0 && i < t.size() && t.at(i).kind == Kind::Ident && t.at(i).text == text;
}

// The index of the bracket closing the one at open, or end when it is never closed.
qsizetype matchClose(const QList<Token>& t, qsizetype open, qsizetype end) {
    const qsizetype partner = t.at(open).partner;
    return partner < 0 || partner >= end ? end : partner;
}

bool endsWithName(const QString& name, QLatin1String word) {
    return name.compare(word, Qt::CaseInsensitive) == 0 ||
           (name.endsWith(word, Qt::CaseInsensitive) && name.at(name.size() - word.size() - 1) == u'.');
}

bool isLocationTarget(const QString& name) {
    return endsWithName(name, QLatin1String("location")) ||
           endsWithName(name, QLatin1String("location.href"));
}

bool isNavigationCall(const QString& name) {
    return endsWithName(name, QLatin1String("location.replace")) ||
           endsWithName(name, QLatin1String("location.assign")) || name.compare(u"window.open") == 0 ||
           name.compare(u"open") == 0;
}

bool isWrite(const QString& name) {
    return name.compare(u"document.write", Qt::CaseInsensitive) == 0 ||
           name.compare(u"document.writeln", Qt::CaseInsensitive) == 0;
}

} // namespace

struct ScriptReader::Source {
    QString text;
    QList<Token> tokens;
};

struct ScriptReader::Function {
    QStringList params;
    const Source* source = nullptr;
    qsizetype bodyBegin = 0;
    qsizetype bodyEnd = 0;
};

namespace {

using Vars = QHash<QString, QString>;
using Arrays = QHash<QString, QStringList>;

// One run over the tokens of a script: evaluation of expressions, calls and branches.
class Walker {
public:
    Walker(const QHash<QString, std::shared_ptr<ScriptReader::Function>>& functions, const Arrays& arrays,
           qint64& steps, qint64 limit)
        : m_functions(functions)
        , m_arrays(arrays)
        , m_steps(steps)
        , m_limit(limit) {}

    bool exhausted() const { return m_steps > m_limit; }

    struct Nest {
        explicit Nest(int& depth)
            : m_depth(++depth) {}
        ~Nest() { --m_depth; }
        bool tooDeep() const { return m_depth > kMaxNesting; }
        int& m_depth;
    };

    // A concatenation of strings, numbers, variables and array elements, up to the first token that
    // cannot continue it (";", ",", ")", a comparison…). i ends on that token.
    QString concat(const QList<Token>& t, qsizetype& i, qsizetype end, const Vars& vars) {
        const Nest nest(m_nesting);
        if (nest.tooDeep()) {
            i = end;
            return {};
        }
        QString out;
        while (i < end && !exhausted()) {
            ++m_steps;
            const Token& tok = t.at(i);
            if (tok.kind == Kind::String || tok.kind == Kind::Number) {
                out += tok.text;
                ++i;
            } else if (tok.kind == Kind::Ident) {
                if (isPunct(t, i + 1, u"(")) {
                    i = matchClose(t, i + 1, end) + 1; // calls give nothing we can know
                } else if (isPunct(t, i + 1, u"[")) {
                    const qsizetype close = matchClose(t, i + 1, end);
                    qsizetype j = i + 2;
                    bool ok = false;
                    const int index = concat(t, j, close, vars).toInt(&ok);
                    const QStringList array = m_arrays.value(tok.text);
                    if (ok && index >= 0 && index < array.size())
                        out += array.at(index);
                    i = close + 1;
                } else {
                    out += vars.value(tok.text);
                    ++i;
                }
            } else if (tok.text == u"(") {
                const qsizetype close = matchClose(t, i, end);
                qsizetype j = i + 1;
                out += concat(t, j, close, vars);
                i = close + 1;
            } else if (tok.text == u"+" || tok.text == u"&") {
                ++i;
            } else {
                break;
            }
        }
        return out;
    }

    // The arguments of a call whose "(" is at open, each evaluated.
    QStringList arguments(const QList<Token>& t, qsizetype open, qsizetype close, const Vars& vars) {
        QStringList args;
        qsizetype i = open + 1;
        while (i < close && !exhausted()) {
            args.append(concat(t, i, close, vars));
            while (i < close && !isPunct(t, i, u","))
                i = isPunct(t, i, u"(") || isPunct(t, i, u"[") ? matchClose(t, i, close) + 1 : i + 1;
            ++i;
        }
        return args;
    }

    bool condition(const QList<Token>& t, qsizetype begin, qsizetype end, const Vars& vars) {
        const Nest nest(m_nesting);
        if (nest.tooDeep())
            return false;
        // a || b && c: "||" splits first, then "&&".
        for (const QString& op : {QStringLiteral("||"), QStringLiteral("&&")}) {
            QList<qsizetype> cuts;
            for (qsizetype i = begin; i < end; ++i) {
                if (isPunct(t, i, u"(") || isPunct(t, i, u"["))
                    i = matchClose(t, i, end);
                else if (isPunct(t, i, op))
                    cuts.append(i);
            }
            if (cuts.isEmpty())
                continue;
            cuts.append(end);
            qsizetype from = begin;
            for (const qsizetype cut : cuts) {
                const bool value = condition(t, from, cut, vars);
                if (op == u"||" && value)
                    return true;
                if (op == u"&&" && !value)
                    return false;
                from = cut + 1;
            }
            return op == u"&&";
        }
        if (isPunct(t, begin, u"!"))
            return !condition(t, begin + 1, end, vars);
        if (isPunct(t, begin, u"(") && matchClose(t, begin, end) == end - 1)
            return condition(t, begin + 1, end - 1, vars);
        static const QStringList comparisons = {"===", "!==", "==", "!=", "<=", ">=", "<", ">"};
        for (qsizetype i = begin; i < end; ++i) {
            if (t.at(i).kind != Kind::Punct || !comparisons.contains(t.at(i).text))
                continue;
            qsizetype l = begin;
            qsizetype r = i + 1;
            const QString left = concat(t, l, i, vars);
            const QString right = concat(t, r, end, vars);
            return compare(left, t.at(i).text, right);
        }
        qsizetype j = begin;
        const QString value = concat(t, j, end, vars);
        return !value.isEmpty() && value != u"0" && value.compare(u"false", Qt::CaseInsensitive) != 0;
    }

    // Statements from begin to end, looking for the address the code navigates to.
    std::optional<QString> findAddress(const QList<Token>& t, qsizetype begin, qsizetype end, Vars& vars,
                                       bool chooseBranch) {
        const Nest nest(m_nesting);
        if (nest.tooDeep())
            return std::nullopt;
        for (qsizetype i = begin; i < end && !exhausted(); ++i) {
            ++m_steps;
            const Token& tok = t.at(i);
            if (tok.kind != Kind::Ident)
                continue;
            if (chooseBranch && tok.text == u"if" && isPunct(t, i + 1, u"(")) {
                bool taken = false;
                std::optional<QString> found;
                qsizetype k = i;
                // Walks one "if (…) … else if (…) … else …" chain; k ends after it.
                while (true) {
                    const qsizetype condClose = matchClose(t, k + 1, end);
                    const bool value = !taken && condition(t, k + 2, condClose, vars);
                    const auto [blockBegin, blockEnd, after] = block(t, condClose + 1, end);
                    if (value) {
                        taken = true;
                        found = findAddress(t, blockBegin, blockEnd, vars, chooseBranch);
                    }
                    k = after;
                    if (k >= end || !isIdent(t, k, u"else"))
                        break;
                    if (isIdent(t, k + 1, u"if") && isPunct(t, k + 2, u"(")) {
                        ++k;
                        continue;
                    }
                    const auto [elseBegin, elseEnd, elseAfter] = block(t, k + 1, end);
                    if (!taken)
                        found = findAddress(t, elseBegin, elseEnd, vars, chooseBranch);
                    k = elseAfter;
                    break;
                }
                if (found)
                    return found;
                i = k - 1;
                continue;
            }
            if (isLocationTarget(tok.text) && isPunct(t, i + 1, u"=")) {
                qsizetype j = i + 2;
                return concat(t, j, end, vars);
            }
            if (isNavigationCall(tok.text) && isPunct(t, i + 1, u"(")) {
                qsizetype j = i + 2;
                return concat(t, j, matchClose(t, i + 1, end), vars);
            }
            if (isPunct(t, i + 1, u"=") || isPunct(t, i + 1, u"+=")) {
                const bool append = t.at(i + 1).text == u"+=";
                qsizetype j = i + 2;
                const QString value = concat(t, j, end, vars);
                vars[tok.text] = append ? vars.value(tok.text) + value : value;
                i = j - 1;
            }
        }
        return std::nullopt;
    }

    // Runs statements for what they write.
    void write(const QList<Token>& t, qsizetype begin, qsizetype end, Vars& vars, int depth, QString& out) {
        for (qsizetype i = begin; i < end && !exhausted() && out.size() < kMaxWritten; ++i) {
            ++m_steps;
            const Token& tok = t.at(i);
            if (tok.kind != Kind::Ident)
                continue;
            if (tok.text == u"function") {
                // A definition is not run where it stands.
                qsizetype k = i + 1;
                while (k < end && !isPunct(t, k, u"{"))
                    ++k;
                i = k < end ? matchClose(t, k, end) : end;
                continue;
            }
            if (isPunct(t, i + 1, u"(")) {
                const qsizetype close = matchClose(t, i + 1, end);
                if (isWrite(tok.text)) {
                    out += arguments(t, i + 1, close, vars).join(QString());
                } else if (const auto f = m_functions.value(tok.text); f && depth < kMaxCallDepth) {
                    const QStringList args = arguments(t, i + 1, close, vars);
                    Vars local = vars;
                    for (qsizetype p = 0; p < f->params.size(); ++p)
                        local.insert(f->params.at(p), args.value(p));
                    write(f->source->tokens, f->bodyBegin, f->bodyEnd, local, depth + 1, out);
                }
                i = close;
                continue;
            }
            if ((isPunct(t, i + 1, u"=") || isPunct(t, i + 1, u"+=")) && !isPunct(t, i + 2, u"[") &&
                !isIdent(t, i + 2, u"new") && !isIdent(t, i + 2, u"function")) {
                const bool append = t.at(i + 1).text == u"+=";
                qsizetype j = i + 2;
                const QString value = concat(t, j, end, vars);
                vars[tok.text] = append ? vars.value(tok.text) + value : value;
                i = j - 1;
            }
        }
    }

private:
    struct Block {
        qsizetype begin;
        qsizetype end;
        qsizetype after;
    };

    // The statement or braced block starting at i.
    static Block block(const QList<Token>& t, qsizetype i, qsizetype end) {
        if (isPunct(t, i, u"{")) {
            const qsizetype close = matchClose(t, i, end);
            return {i + 1, close, std::min(close + 1, end)};
        }
        qsizetype k = i;
        while (k < end && !isPunct(t, k, u";"))
            k = isPunct(t, k, u"(") ? matchClose(t, k, end) + 1 : k + 1;
        return {i, std::min(k, end), std::min(k + 1, end)};
    }

    static bool compare(const QString& left, const QString& op, const QString& right) {
        bool leftIsNumber = false;
        bool rightIsNumber = false;
        const double a = left.toDouble(&leftIsNumber);
        const double b = right.toDouble(&rightIsNumber);
        int order = 0;
        if (leftIsNumber && rightIsNumber)
            order = a < b ? -1 : a > b ? 1 : 0;
        else
            order = left.compare(right);
        if (op == u"==" || op == u"===")
            return order == 0;
        if (op == u"!=" || op == u"!==")
            return order != 0;
        if (op == u"<")
            return order < 0;
        if (op == u">")
            return order > 0;
        if (op == u"<=")
            return order <= 0;
        return order >= 0;
    }

    const QHash<QString, std::shared_ptr<ScriptReader::Function>>& m_functions;
    const Arrays& m_arrays;
    qint64& m_steps;
    const qint64 m_limit;
    int m_nesting = 0;
};

Arrays arraysOf(const QList<QPair<QString, QStringList>>& list) {
    Arrays arrays;
    for (const auto& [name, values] : list)
        arrays.insert(name, values);
    return arrays;
}

} // namespace

std::optional<ScriptCall> parseScriptCall(const QString& text) {
    QString call = text.trimmed();
    if (call.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive))
        call = call.mid(11).trimmed();
    const QList<Token> t = lex(call);
    if (t.size() < 2 || t.at(0).kind != Kind::Ident || t.at(0).text == u"function" || !isPunct(t, 1, u"("))
        return std::nullopt;
    const qsizetype close = matchClose(t, 1, t.size());
    if (close + 1 < t.size() && !isPunct(t, close + 1, u";"))
        return std::nullopt; // "book(1).html" is an address, not a call
    ScriptCall result;
    result.name = t.at(0).text;
    qsizetype from = 2;
    for (qsizetype i = 2; i <= close; ++i) {
        if (i < close && (isPunct(t, i, u"(") || isPunct(t, i, u"["))) {
            i = std::min(matchClose(t, i, close), close - 1);
            continue;
        }
        if (i < close && !isPunct(t, i, u","))
            continue;
        if (i == from) {
            if (i < close || !result.args.isEmpty())
                result.args.append(QString());
        } else if (i - from == 1 && t.at(from).kind == Kind::String) {
            result.args.append(t.at(from).text);
        } else {
            const qsizetype end = i < t.size() ? t.at(i).start : call.size();
            QString raw = call.mid(t.at(from).start, end - t.at(from).start);
            raw.remove(u'"');
            raw.remove(u'\'');
            result.args.append(raw.trimmed());
        }
        from = i + 1;
    }
    return result;
}

QString scriptBlockCode(const QString& block) {
    const qsizetype open = block.indexOf(u'>');
    qsizetype close = block.lastIndexOf(QLatin1String("</script"), -1, Qt::CaseInsensitive);
    if (open < 0 || close <= open)
        return {};
    return block.mid(open + 1, close - open - 1);
}

ScriptReader::ScriptReader() = default;

ScriptReader::ScriptReader(const QString& script) {
    addDefinitions(script);
}

ScriptReader::~ScriptReader() = default;

void ScriptReader::addDefinitions(const QString& script) {
    auto source = std::make_unique<Source>();
    source->text = script;
    source->tokens = lex(script);
    const QList<Token>& t = source->tokens;
    const qsizetype n = t.size();
    for (qsizetype i = 0; i + 2 < n; ++i) {
        QString name;
        qsizetype open = -1;
        if (isIdent(t, i, u"function") && t.at(i + 1).kind == Kind::Ident && isPunct(t, i + 2, u"(")) {
            name = t.at(i + 1).text;
            open = i + 2;
        } else if (t.at(i).kind == Kind::Ident && isPunct(t, i + 1, u"=") && isIdent(t, i + 2, u"function") &&
                   isPunct(t, i + 3, u"(")) {
            name = t.at(i).text;
            open = i + 3;
        }
        if (open < 0)
            continue;
        const qsizetype close = matchClose(t, open, n);
        if (!isPunct(t, close + 1, u"{"))
            continue;
        auto f = std::make_shared<Function>();
        for (qsizetype k = open + 1; k < close; ++k)
            if (t.at(k).kind == Kind::Ident)
                f->params.append(t.at(k).text);
        f->source = source.get();
        f->bodyBegin = close + 2;
        f->bodyEnd = matchClose(t, close + 1, n);
        if (!m_functions.contains(name))
            m_functions.insert(name, f);
    }
    m_budget += kStepsPerToken * t.size();
    m_sources.push_back(std::move(source));
    m_arrays.reset();
    m_arrayValues.reset();
}

const QHash<QString, QStringList>& ScriptReader::arrayValues() const {
    if (!m_arrayValues)
        m_arrayValues = arraysOf(arrays());
    return *m_arrayValues;
}

bool ScriptReader::hasFunction(const QString& name) const {
    return m_functions.contains(name);
}

QStringList ScriptReader::parameters(const QString& name) const {
    const auto f = m_functions.value(name);
    return f ? f->params : QStringList();
}

std::optional<QString> ScriptReader::callAddress(const QString& name, const QStringList& args,
                                                 bool chooseBranch) const {
    const auto f = m_functions.value(name);
    if (!f)
        return std::nullopt;
    Walker walker(m_functions, arrayValues(), m_steps, kBaseSteps + m_budget);
    Vars vars;
    for (qsizetype p = 0; p < f->params.size(); ++p)
        vars.insert(f->params.at(p), args.value(p));
    return walker.findAddress(f->source->tokens, f->bodyBegin, f->bodyEnd, vars, chooseBranch);
}

QString ScriptReader::writtenHtml() const {
    if (m_sources.empty())
        return {};
    Walker walker(m_functions, arrayValues(), m_steps, kBaseSteps + m_budget);
    const Source& main = *m_sources.front();
    Vars vars;
    QString out;
    walker.write(main.tokens, 0, main.tokens.size(), vars, 0, out);
    return out;
}

QString ScriptReader::writtenHtml(const QString& code) const {
    const QList<Token> tokens = lex(code);
    m_budget += kStepsPerToken * tokens.size();
    Walker walker(m_functions, arrayValues(), m_steps, kBaseSteps + m_budget);
    Vars vars;
    QString out;
    walker.write(tokens, 0, tokens.size(), vars, 0, out);
    return out;
}

QList<QPair<QString, QStringList>> ScriptReader::arrays() const {
    if (m_arrays)
        return *m_arrays;
    QList<QPair<QString, QStringList>>& result = m_arrays.emplace();
    QHash<QString, qsizetype> index;
    const QHash<QString, std::shared_ptr<Function>> noFunctions;
    const Arrays noArrays;
    qint64 steps = 0;
    Walker walker(noFunctions, noArrays, steps, kBaseSteps + m_budget);
    auto slot = [&](const QString& name) -> QStringList& {
        if (!index.contains(name)) {
            index.insert(name, result.size());
            result.append({name, {}});
        }
        return result[index.value(name)].second;
    };
    for (const auto& source : m_sources) {
        const QList<Token>& t = source->tokens;
        const qsizetype n = t.size();
        for (qsizetype i = 0; i + 2 < n; ++i) {
            if (t.at(i).kind != Kind::Ident)
                continue;
            const QString& name = t.at(i).text;
            if (isPunct(t, i + 1, u"=") && isIdent(t, i + 2, u"new") && isIdent(t, i + 3, u"Array") &&
                isPunct(t, i + 4, u"(")) {
                const qsizetype close = matchClose(t, i + 4, n);
                QStringList values = walker.arguments(t, i + 4, close, {});
                if (close == i + 7 && t.at(i + 5).kind == Kind::Number && values.size() == 1)
                    values.clear(); // new Array(5): a length, filled later
                slot(name) = values;
                i = close;
            } else if (isPunct(t, i + 1, u"=") && isPunct(t, i + 2, u"[")) {
                const qsizetype close = matchClose(t, i + 2, n);
                slot(name) = walker.arguments(t, i + 2, close, {});
                i = close;
            } else if (isPunct(t, i + 1, u"[") && i + 4 < n &&
                       (t.at(i + 2).kind == Kind::Number || t.at(i + 2).kind == Kind::String) &&
                       isPunct(t, i + 3, u"]") && isPunct(t, i + 4, u"=")) {
                bool ok = false;
                const int at = t.at(i + 2).text.toInt(&ok);
                if (!ok || at < 0 || at > 100000)
                    continue;
                qsizetype j = i + 5;
                const QString value = walker.concat(t, j, n, {});
                QStringList& values = slot(name);
                while (values.size() <= at)
                    values.append(QString());
                values[at] = value;
                i = j - 1;
            }
        }
    }
    return result;
}
