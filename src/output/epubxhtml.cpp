#include "output/epubxhtml.h"

#include <gumbo.h>

#include <QList>

#include <cstdlib>
#include <vector>

namespace EpubXhtml {

namespace {

enum class Kind { Drop, Block, Cell, Break, Rule, Picture, Inline, Transparent };

struct Rule {
    Kind kind;
    const char* tag; // the inline element written for it; nullptr: a plain span
};

Rule ruleFor(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_APPLET:
    case GUMBO_TAG_SELECT:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_BUTTON:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
    case GUMBO_TAG_AUDIO:
    case GUMBO_TAG_VIDEO:
    case GUMBO_TAG_CANVAS:
    case GUMBO_TAG_MAP:
    case GUMBO_TAG_FRAMESET:
    case GUMBO_TAG_RP:
        return {Kind::Drop, nullptr};
    case GUMBO_TAG_BR:
        return {Kind::Break, nullptr};
    case GUMBO_TAG_HR:
        return {Kind::Rule, nullptr};
    case GUMBO_TAG_IMG:
        return {Kind::Picture, nullptr};
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
        return {Kind::Cell, nullptr};
    case GUMBO_TAG_B:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_I:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_U:
    case GUMBO_TAG_S:
    case GUMBO_TAG_SUB:
    case GUMBO_TAG_SUP:
    case GUMBO_TAG_SMALL:
    case GUMBO_TAG_CODE:
    case GUMBO_TAG_CITE:
        return {Kind::Inline, gumbo_normalized_tagname(tag)};
    case GUMBO_TAG_STRIKE:
        return {Kind::Inline, "s"};
    case GUMBO_TAG_A:
    case GUMBO_TAG_FONT:
    case GUMBO_TAG_SPAN:
    case GUMBO_TAG_BIG:
    case GUMBO_TAG_TT:
    case GUMBO_TAG_ABBR:
    case GUMBO_TAG_ACRONYM:
    case GUMBO_TAG_MARK:
    case GUMBO_TAG_Q:
    case GUMBO_TAG_DFN:
    case GUMBO_TAG_KBD:
    case GUMBO_TAG_SAMP:
    case GUMBO_TAG_VAR:
    case GUMBO_TAG_INS:
    case GUMBO_TAG_DEL:
    case GUMBO_TAG_LABEL:
    case GUMBO_TAG_NOBR:
    case GUMBO_TAG_RUBY:
    case GUMBO_TAG_RT:
    case GUMBO_TAG_BDO:
    case GUMBO_TAG_BDI:
    case GUMBO_TAG_TIME:
    case GUMBO_TAG_DATA:
    case GUMBO_TAG_UNKNOWN:
        return {Kind::Inline, nullptr};
    case GUMBO_TAG_HTML:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_COLGROUP:
    case GUMBO_TAG_COL:
        return {Kind::Transparent, nullptr};
    default: // p, div, center, headings, lists, tables and rows, quotes, sections…
        return {Kind::Block, nullptr};
    }
}

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool isLeadingSpace(char32_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0x3000 || c == 0xA0;
}

// Writes paragraphs: an inline element open across a paragraph break is closed before it and
// opened again in the next paragraph, so every element nests properly.
class Writer {
public:
    explicit Writer(const PictureResolver& pictures)
        : m_pictures(pictures) {}

    void walk(const GumboNode* root);
    // What the flat reader finds: text, and the breaks of <br> and <p>.
    void text(QStringView text, bool pre);
    void lineBreak() { endParagraph(); }
    QString result() {
        endParagraph();
        return std::move(m_out);
    }

private:
    struct Frame {
        const GumboNode* node;
        unsigned next = 0;
        Kind kind = Kind::Transparent;
        bool pre = false;
    };

    void startParagraph();
    void endParagraph();
    void openInline(const char* tag);
    void closeInline();
    void picture(const GumboElement& element);

    const PictureResolver& m_pictures;
    QString m_out;
    bool m_inParagraph = false;
    bool m_pendingSpace = false;
    QList<QString> m_inline; // open inline elements, outermost first
    qsizetype m_written = 0; // how many of them the current paragraph has opened
};

void Writer::startParagraph() {
    if (!m_inParagraph) {
        m_out += QLatin1String("<p>");
        m_inParagraph = true;
        m_written = 0;
        m_pendingSpace = false;
    }
    for (; m_written < m_inline.size(); ++m_written)
        m_out += u'<' + m_inline.at(m_written) + u'>';
}

void Writer::endParagraph() {
    if (!m_inParagraph)
        return;
    while (m_written > 0)
        m_out += QLatin1String("</") + m_inline.at(--m_written) + u'>';
    m_out += QLatin1String("</p>\n");
    m_inParagraph = false;
    m_pendingSpace = false;
}

void Writer::openInline(const char* tag) {
    m_inline.append(tag ? QString::fromLatin1(tag) : QStringLiteral("span"));
}

void Writer::closeInline() {
    if (m_written == m_inline.size() && m_written > 0 && m_inParagraph)
        m_out += QLatin1String("</") + m_inline.at(--m_written) + u'>';
    m_inline.removeLast();
    m_written = std::min(m_written, m_inline.size());
}

void Writer::text(QStringView text, bool pre) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        qsizetype width = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            width = 2;
        } else if (text.at(i).isSurrogate()) {
            continue;
        }
        if (pre && c == u'\n') {
            endParagraph();
            continue;
        }
        if (!m_inParagraph && isLeadingSpace(c))
            continue;
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
            m_pendingSpace = true;
            continue;
        }
        if (!isXmlChar(c))
            continue;
        startParagraph();
        if (m_pendingSpace) {
            m_out += u' ';
            m_pendingSpace = false;
        }
        if (c == u'&')
            m_out += QLatin1String("&amp;");
        else if (c == u'<')
            m_out += QLatin1String("&lt;");
        else if (c == u'>')
            m_out += QLatin1String("&gt;");
        else
            m_out += text.mid(i, width);
        i += width - 1;
    }
}

void Writer::picture(const GumboElement& element) {
    const GumboAttribute* src = gumbo_get_attribute(&element.attributes, "src");
    const GumboAttribute* alt = gumbo_get_attribute(&element.attributes, "alt");
    const QString altText = alt ? QString::fromUtf8(alt->value).simplified() : QString();
    const QString href = src && m_pictures ? m_pictures(QString::fromUtf8(src->value).trimmed()) : QString();
    if (href.isEmpty()) {
        if (alt)
            text(QString::fromUtf8(alt->value), false);
        return;
    }
    endParagraph();
    m_out += QLatin1String("<div class=\"pic\"><img src=\"") + escape(href) + QLatin1String("\" alt=\"") +
             escape(altText) + QLatin1String("\"/></div>\n");
}

void Writer::walk(const GumboNode* root) {
    // An explicit stack: pasted pages can nest deeper than a thread's stack would allow.
    QList<Frame> stack{{root, 0, Kind::Transparent, false}};
    while (!stack.isEmpty()) {
        Frame& frame = stack.last();
        const GumboVector& children = frame.node->type == GUMBO_NODE_DOCUMENT
                                          ? frame.node->v.document.children
                                          : frame.node->v.element.children;
        if (frame.next >= children.length) {
            const Kind kind = frame.kind;
            stack.removeLast();
            if (kind == Kind::Inline)
                closeInline();
            else if (kind == Kind::Block)
                endParagraph();
            else if (kind == Kind::Cell)
                m_pendingSpace = m_inParagraph;
            continue;
        }
        const bool pre = frame.pre;
        const auto* node = static_cast<const GumboNode*>(children.data[frame.next++]);
        switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            text(QString::fromUtf8(node->v.text.text), pre);
            continue;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            break;
        default: // comments, the document's own nodes
            continue;
        }
        const GumboElement& element = node->v.element;
        if (element.tag_namespace != GUMBO_NAMESPACE_HTML)
            continue;
        const Rule rule = ruleFor(element.tag);
        switch (rule.kind) {
        case Kind::Drop:
            continue;
        case Kind::Break:
            endParagraph();
            continue;
        case Kind::Rule:
            endParagraph();
            m_out += QLatin1String("<hr/>\n");
            continue;
        case Kind::Picture:
            picture(element);
            continue;
        case Kind::Block:
            endParagraph();
            break;
        case Kind::Cell:
            m_pendingSpace = m_inParagraph;
            break;
        case Kind::Inline:
            openInline(rule.tag);
            break;
        case Kind::Transparent:
            break;
        }
        const bool inPre = pre || element.tag == GUMBO_TAG_PRE || element.tag == GUMBO_TAG_PLAINTEXT ||
                           element.tag == GUMBO_TAG_LISTING;
        stack.append(Frame{node, 0, rule.kind, inPre});
    }
}

// Everything gumbo allocates for one page comes from a few slabs, freed at once: faster than one
// malloc per node and string, and no recursive tree walk to free a deeply nested page.
class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() {
        for (void* block : m_blocks)
            std::free(block);
    }

    static void* allocateFor(void* arena, size_t size) { return static_cast<Arena*>(arena)->allocate(size); }
    static void releaseFor(void*, void*) {}

private:
    static constexpr size_t kSlab = 64 * 1024;
    static constexpr size_t kAlign = alignof(std::max_align_t);

    void* allocate(size_t size) {
        size = (std::max<size_t>(size, 1) + kAlign - 1) & ~(kAlign - 1);
        if (size > kSlab / 4)
            return keep(std::malloc(size));
        if (m_left < size) {
            m_next = static_cast<char*>(keep(std::malloc(kSlab)));
            m_left = m_next ? kSlab : 0;
            if (!m_next)
                return nullptr;
        }
        void* p = m_next;
        m_next += size;
        m_left -= size;
        return p;
    }
    void* keep(void* block) {
        if (block)
            m_blocks.push_back(block);
        return block;
    }

    std::vector<void*> m_blocks;
    char* m_next = nullptr;
    size_t m_left = 0;
};

bool isPlainCodePoint(char32_t c) {
    if ((c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF))
        return false;
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0xD800) || (c >= 0xE000 && c <= 0x10FFFF);
}

// A character reference at text[at] ("&…;"): its character appended to out; false for any other
// reference, which is left to gumbo. A "&" that starts no reference is the character itself.
bool readReference(QStringView text, qsizetype& at, QString& out) {
    const qsizetype semicolon = text.indexOf(u';', at + 1);
    const QChar next = at + 1 < text.size() ? text.at(at + 1) : QChar();
    if (next != u'#' && !(next.unicode() < 0x80 && next.isLetter())) {
        out += u'&';
        ++at;
        return true;
    }
    if (semicolon < 0 || semicolon - at > 10)
        return false;
    const QStringView name = text.mid(at + 1, semicolon - at - 1);
    char32_t c = 0;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
        c = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok || !isPlainCodePoint(c))
            return false;
    } else {
        static const std::pair<const char*, char16_t> known[] = {
            {"amp", u'&'}, {"lt", u'<'}, {"gt", u'>'}, {"quot", u'"'}, {"apos", u'\''}, {"nbsp", 0xA0}};
        for (const auto& [word, character] : known)
            if (name == QLatin1String(word))
                c = character;
        if (!c)
            return false;
    }
    out += QStringView(QChar::fromUcs4(c));
    at = semicolon + 1;
    return true;
}

// After "<br>", "<br/>", "</br>", "<p>" or "</p>" (any case, spaces before the end) at text[at];
// -1 for any other tag.
qsizetype breakTagEnd(QStringView text, qsizetype at) {
    qsizetype i = at + 1;
    const auto letter = [&](char16_t lower) {
        if (i < text.size() && (text.at(i).unicode() | 0x20) == lower) {
            ++i;
            return true;
        }
        return false;
    };
    if (i < text.size() && text.at(i) == u'/')
        ++i;
    if (!(letter(u'b') ? letter(u'r') : letter(u'p')))
        return -1;
    while (i < text.size() &&
           (text.at(i) == u' ' || text.at(i) == u'\t' || text.at(i) == u'\n' || text.at(i) == u'\r'))
        ++i;
    if (i < text.size() && text.at(i) == u'/')
        ++i;
    return i < text.size() && text.at(i) == u'>' ? i + 1 : -1;
}

// Chapters as the program stores them are text, <br> and <p> and a few character references. Those
// are read here as an HTML parser reads them, several times faster than gumbo builds its tree; a
// page with anything else (another tag, a comment, an uncommon reference or character) returns
// false and goes to gumbo whole.
bool readFlat(QStringView html, Writer& writer) {
    QString text;
    text.reserve(256);
    const auto flush = [&] {
        writer.text(text, false);
        text.clear();
    };
    for (qsizetype i = 0; i < html.size();) {
        const QChar ch = html.at(i);
        const char16_t c = ch.unicode();
        if (c == u'<') {
            const qsizetype end = breakTagEnd(html, i);
            if (end < 0)
                return false;
            flush();
            writer.lineBreak();
            i = end;
        } else if (c == u'&') {
            if (!readReference(html, i, text))
                return false;
        } else if (ch.isHighSurrogate() && i + 1 < html.size() && html.at(i + 1).isLowSurrogate()) {
            if (!isPlainCodePoint(QChar::surrogateToUcs4(ch, html.at(i + 1))))
                return false;
            text += html.mid(i, 2);
            i += 2;
        } else if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || isPlainCodePoint(c)) {
            text += ch;
            ++i;
        } else {
            return false;
        }
    }
    flush();
    return true;
}

} // namespace

QString bodyFromHtml(const QString& html, const PictureResolver& pictures) {
    {
        Writer flat(pictures);
        if (readFlat(html, flat))
            return flat.result();
    }
    const QByteArray utf8 = html.toUtf8();
    Arena arena;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &Arena::allocateFor;
    options.deallocator = &Arena::releaseFor;
    options.userdata = &arena;
    options.max_errors = 0;
    // The arena owns the tree: it is never handed to gumbo_destroy_output.
    const GumboOutput* output = gumbo_parse_with_options(&options, utf8.constData(), size_t(utf8.size()));
    if (!output)
        return {};
    Writer writer(pictures);
    writer.walk(output->root);
    return writer.result();
}

QString escape(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += ch;
            out += text.at(++i);
            continue;
        }
        if (ch.isSurrogate() || !isXmlChar(ch.unicode()))
            continue;
        switch (ch.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += ch;
        }
    }
    return out;
}

} // namespace EpubXhtml
