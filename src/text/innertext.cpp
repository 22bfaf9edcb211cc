#include "text/innertext.h"

#include "text/html.h"

#include <gumbo.h>

#include <QList>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Gumbo frees its tree recursively, which a page of deeply nested tags turns into a stack overflow.
// Everything it allocates comes from this pool instead and goes in one sweep; what it frees while
// parsing is kept on free lists by size and handed out again, so memory stays near the tree's size.
class Arena {
public:
    Arena() { m_free.fill(nullptr); }
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() {
        std::vector<void*>& spare = spareSlabs().slabs;
        for (void* slab : m_slabs) {
            if (spare.size() < kSpareSlabs)
                spare.push_back(slab);
            else
                std::free(slab);
        }
        while (m_large) {
            Large* next = m_large->next;
            std::free(m_large);
            m_large = next;
        }
    }

    void* allocate(size_t size) {
        const size_t units = (std::max<size_t>(size, 1) + kUnit - 1) / kUnit;
        if (units < kClasses) {
            if (void* reused = m_free[units]) {
                m_free[units] = *static_cast<void**>(reused);
                return reused;
            }
            char* chunk = carve(kUnit + units * kUnit);
            if (!chunk)
                return nullptr;
            *reinterpret_cast<size_t*>(chunk + kUnit - sizeof(size_t)) = units;
            return chunk + kUnit;
        }
        auto* block = static_cast<Large*>(std::malloc(sizeof(Large) + size));
        if (!block)
            return nullptr;
        block->prev = nullptr;
        block->next = m_large;
        block->units = kLargeMark;
        if (m_large)
            m_large->prev = block;
        m_large = block;
        return block + 1;
    }

    void release(void* p) {
        if (!p)
            return;
        const size_t units = *reinterpret_cast<size_t*>(static_cast<char*>(p) - sizeof(size_t));
        if (units != kLargeMark) {
            *static_cast<void**>(p) = m_free[units];
            m_free[units] = p;
            return;
        }
        Large* block = static_cast<Large*>(p) - 1;
        (block->prev ? block->prev->next : m_large) = block->next;
        if (block->next)
            block->next->prev = block->prev;
        std::free(block);
    }

    static void* allocateFor(void* arena, size_t size) { return static_cast<Arena*>(arena)->allocate(size); }
    static void releaseFor(void* arena, void* p) { static_cast<Arena*>(arena)->release(p); }

private:
    static constexpr size_t kUnit = 16;
    static constexpr size_t kClasses = 128; // blocks up to 2 KiB come from slabs
    static constexpr size_t kSlabSize = 64 * 1024;
    static constexpr size_t kLargeMark = ~size_t(0);

    // Header of a large block. Its last field sits right before the data, where a small block keeps
    // its size class, so release() can tell the two apart.
    struct alignas(16) Large {
        Large* prev;
        Large* next;
        size_t padding;
        size_t units;
    };

    // Slabs kept for the next parse on this thread: pages come one after another, and memory the
    // system has already handed over costs no page faults the second time.
    struct SpareSlabs {
        std::vector<void*> slabs;
        ~SpareSlabs() {
            for (void* slab : slabs)
                std::free(slab);
        }
    };
    static constexpr size_t kSpareSlabs = 256; // 16 MiB
    static SpareSlabs& spareSlabs() {
        thread_local SpareSlabs spare;
        return spare;
    }

    char* carve(size_t bytes) {
        if (!m_slab || m_slabUsed + bytes > kSlabSize) {
            std::vector<void*>& spare = spareSlabs().slabs;
            if (!spare.empty()) {
                m_slab = static_cast<char*>(spare.back());
                spare.pop_back();
            } else {
                m_slab = static_cast<char*>(std::malloc(kSlabSize));
            }
            if (!m_slab)
                return nullptr;
            m_slabs.push_back(m_slab);
            m_slabUsed = 0;
        }
        char* chunk = m_slab + m_slabUsed;
        m_slabUsed += bytes;
        return chunk;
    }

    std::array<void*, kClasses> m_free;
    std::vector<void*> m_slabs;
    char* m_slab = nullptr;
    size_t m_slabUsed = 0;
    Large* m_large = nullptr;
};

enum class Display { Skip, Inline, Block, Paragraph, Row, Cell, Break, Preformatted };

Display displayOf(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_META:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_DATALIST:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_MAP:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
        return Display::Skip;
    case GUMBO_TAG_BR:
        return Display::Break;
    case GUMBO_TAG_P:
        return Display::Paragraph;
    case GUMBO_TAG_TR:
        return Display::Row;
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
        return Display::Cell;
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_TEXTAREA:
        return Display::Preformatted;
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_FRAMESET:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_LEGEND:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_OPTGROUP:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_UL:
        return Display::Block;
    default:
        return Display::Inline;
    }
}

// Collects the rendered text. Line breaks that blocks ask for are held back and merged (two blocks
// in a row give one break, not two); leading and trailing ones are dropped, as innerText does.
class Renderer {
public:
    void text(const char* utf8, size_t length, bool preformatted) {
        text(QString::fromUtf8(utf8, qsizetype(length)), preformatted);
    }

    void text(QStringView s, bool preformatted) {
        if (!preformatted) {
            flowText(s);
            return;
        }
        for (const QChar c : s) {
            if (c == u'\r')
                continue;
            if (c == u'\n') {
                flushBreaks();
                m_out += QLatin1String("\r\n");
                m_lineStart = true;
                m_space = false;
                continue;
            }
            put(c);
        }
    }

    // Text outside preformatted elements: runs without white space go in whole.
    void flowText(QStringView s) {
        const auto isSpace = [](QChar c) {
            return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
        };
        qsizetype i = 0;
        while (i < s.size()) {
            if (isSpace(s.at(i))) {
                if (!m_lineStart)
                    m_space = true;
                ++i;
                continue;
            }
            qsizetype end = i + 1;
            while (end < s.size() && !isSpace(s.at(end)))
                ++end;
            put(s.mid(i, end - i));
            i = end;
        }
    }

    void lineBreak() {
        flushBreaks();
        m_out += QLatin1String("\r\n");
        m_lineStart = true;
        m_space = false;
    }

    void requestBreaks(int count) {
        if (count == 0)
            return;
        m_space = false;
        if (m_out.isEmpty())
            return;
        m_pending = qMax(m_pending, count);
    }

    void tab() {
        flushBreaks();
        m_out += u'\t';
        m_space = false;
        m_lineStart = false;
    }

    QString result() const { return m_out; }

private:
    void flushBreaks() {
        for (; m_pending > 0; --m_pending)
            m_out += QLatin1String("\r\n");
        if (m_out.endsWith(u'\n'))
            m_lineStart = true;
    }

    void put(QStringView run) {
        if (m_pending > 0)
            flushBreaks();
        if (m_space && !m_lineStart)
            m_out += u' ';
        m_out += run;
        m_space = false;
        m_lineStart = false;
    }
    void put(QChar c) { put(QStringView(&c, 1)); }

    QString m_out;
    int m_pending = 0;
    bool m_space = false;
    bool m_lineStart = true;
};

bool hasLaterCell(const GumboNode* cell) {
    const GumboNode* parent = cell->parent;
    if (!parent || parent->type != GUMBO_NODE_ELEMENT)
        return false;
    const GumboVector& siblings = parent->v.element.children;
    for (unsigned int i = cell->index_within_parent + 1; i < siblings.length; ++i) {
        const auto* next = static_cast<const GumboNode*>(siblings.data[i]);
        if (next->type == GUMBO_NODE_ELEMENT &&
            (next->v.element.tag == GUMBO_TAG_TD || next->v.element.tag == GUMBO_TAG_TH))
            return true;
    }
    return false;
}

int breaksFor(Display display) {
    switch (display) {
    case Display::Paragraph:
        return 2;
    case Display::Block:
    case Display::Row:
    case Display::Preformatted:
        return 1;
    default:
        return 0;
    }
}

// Walks the tree without recursion: deep nesting must not exhaust the stack.
void render(const GumboNode* root, Renderer& out) {
    struct Frame {
        const GumboNode* node;
        unsigned int next; // child to visit next
        int preformatted;  // depth of enclosing preformatted elements
    };
    std::vector<Frame> stack;
    stack.push_back({root, 0, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const GumboNode* node = frame.node;
        const GumboElement& element = node->v.element;
        if (frame.next < element.children.length) {
            const auto* child = static_cast<const GumboNode*>(element.children.data[frame.next++]);
            const int pre = frame.preformatted;
            switch (child->type) {
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                out.text(child->v.text.text, std::strlen(child->v.text.text), pre > 0);
                break;
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE: {
                const Display display = displayOf(child->v.element.tag);
                if (display == Display::Skip)
                    break;
                if (display == Display::Break) {
                    out.lineBreak();
                    break;
                }
                out.requestBreaks(breaksFor(display));
                stack.push_back({child, 0, pre + (display == Display::Preformatted ? 1 : 0)});
                break;
            }
            default:
                break;
            }
            continue;
        }
        if (node != root) {
            const Display display = displayOf(element.tag);
            out.requestBreaks(breaksFor(display));
            if (display == Display::Cell && hasLaterCell(node))
                out.tab();
        }
        stack.pop_back();
    }
}

// The elements a simple page may hold in its body: their tree is the nesting of their tags.
bool isSimpleBodyElement(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_P:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_SPAN:
    case GUMBO_TAG_FONT:
    case GUMBO_TAG_A:
    case GUMBO_TAG_B:
    case GUMBO_TAG_I:
    case GUMBO_TAG_U:
    case GUMBO_TAG_S:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_SMALL:
    case GUMBO_TAG_BIG:
    case GUMBO_TAG_SUB:
    case GUMBO_TAG_SUP:
        return true;
    default:
        return false;
    }
}

bool isVoidSimple(GumboTag tag) {
    return tag == GUMBO_TAG_BR || tag == GUMBO_TAG_IMG || tag == GUMBO_TAG_HR || tag == GUMBO_TAG_WBR;
}

bool isHeading(GumboTag tag) {
    return tag >= GUMBO_TAG_H1 && tag <= GUMBO_TAG_H6;
}

bool isAsciiWhiteSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// A scan of pages as this program and most sites write them: a head of meta, title, link, script and
// style, then a body of text, line breaks, pictures and properly nested blocks and inline elements.
// Their tree is the nesting of their tags, so the renderer gets what the parser's tree would give it,
// at a fraction of the cost. Anything else (tables, lists, forms, entities beyond the common five,
// misnested or unclosed tags, a block inside a paragraph) returns false and goes to the parser.
class SimplePage {
public:
    explicit SimplePage(QStringView html)
        : m_html(html) {}

    bool render(Renderer& out) {
        skipSpaceAndComments();
        if (startsWith(u"<!doctype")) {
            const qsizetype close = m_html.indexOf(u'>', m_at);
            if (close < 0)
                return false;
            m_at = close + 1;
            skipSpaceAndComments();
        }
        std::optional<HtmlTag> tag = nextTag();
        if (tag && !tag->endTag && tag->name == QLatin1String("html")) {
            skipSpaceAndComments();
            tag = nextTag();
        }
        if (!tag || tag->endTag || tag->name != QLatin1String("head") || !skipHead())
            return false;
        skipSpaceAndComments();
        tag = nextTag();
        if (!tag || tag->endTag || tag->name != QLatin1String("body"))
            return false;
        return renderBody(out) && atEndOfDocument();
    }

private:
    bool startsWith(QStringView prefix) const {
        return m_html.mid(m_at).startsWith(prefix, Qt::CaseInsensitive);
    }

    // A comment the tokenizer ends at its first "-->"; the odd endings go to the parser.
    bool skipComment() {
        const qsizetype close = m_html.indexOf(QLatin1String("-->"), m_at + 4);
        if (close < 0 || m_html.mid(m_at + 4, 1) == u">" || m_html.mid(m_at + 4, 2) == u"->")
            return false;
        if (m_html.mid(m_at, close - m_at).contains(QLatin1String("--!")))
            return false;
        m_at = close + 3;
        return true;
    }

    void skipSpaceAndComments() {
        for (;;) {
            while (m_at < m_html.size() && isAsciiWhiteSpace(m_html.at(m_at)))
                ++m_at;
            if (!startsWith(u"<!--") || !skipComment())
                return;
        }
    }

    // The tag at m_at, which it then steps over; nothing when m_at holds no closed tag.
    std::optional<HtmlTag> nextTag() {
        if (m_at >= m_html.size() || m_html.at(m_at) != u'<')
            return std::nullopt;
        std::optional<HtmlTag> tag = readHtmlTag(m_html, m_at);
        if (!tag || !tag->closed)
            return std::nullopt;
        m_at = tag->end;
        return tag;
    }

    // The text of a script or style up to its end tag, which the tokenizer finds as written; script
    // text holding "<!--" has escaping rules of its own and goes to the parser.
    bool skipRawText(const QString& name) {
        const QString close = QStringLiteral("</") + name;
        qsizetype end = m_at;
        for (;;) {
            end = m_html.indexOf(close, end, Qt::CaseInsensitive);
            if (end < 0)
                return false;
            const qsizetype after = end + close.size();
            if (after < m_html.size() &&
                (isAsciiWhiteSpace(m_html.at(after)) || m_html.at(after) == u'/' || m_html.at(after) == u'>'))
                break;
            end = after;
        }
        if (name == QLatin1String("script") && m_html.mid(m_at, end - m_at).contains(QLatin1String("<!--")))
            return false;
        m_at = end;
        const std::optional<HtmlTag> tag = nextTag();
        return tag && tag->endTag;
    }

    bool skipHead() {
        for (;;) {
            skipSpaceAndComments();
            const std::optional<HtmlTag> tag = nextTag();
            if (!tag)
                return false;
            if (tag->endTag)
                return tag->name == QLatin1String("head");
            if (tag->name == QLatin1String("meta") || tag->name == QLatin1String("link") ||
                tag->name == QLatin1String("base"))
                continue;
            if (tag->name == QLatin1String("script") || tag->name == QLatin1String("style") ||
                tag->name == QLatin1String("title")) {
                // A title's text holds no markup the program writes; anything odd goes to the parser.
                if (tag->name == QLatin1String("title")) {
                    const qsizetype end =
                        m_html.indexOf(QLatin1String("</title>"), m_at, Qt::CaseInsensitive);
                    if (end < 0 || m_html.mid(m_at, end - m_at).contains(u'<') ||
                        m_html.mid(m_at, end - m_at).contains(u'&'))
                        return false;
                    m_at = end + 8;
                    continue;
                }
                if (!skipRawText(tag->name))
                    return false;
                continue;
            }
            return false;
        }
    }

    // Text up to the next "<", its common entities decoded as the parser decodes them.
    bool renderText(Renderer& out) {
        qsizetype end = m_html.indexOf(u'<', m_at);
        if (end < 0)
            end = m_html.size();
        const QStringView text = m_html.mid(m_at, end - m_at);
        // The parser drops NUL and sees a lone surrogate as U+FFFD.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isNull() || c.isLowSurrogate())
                return false;
            if (c.isHighSurrogate()) {
                if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                    return false;
                ++i;
            }
        }
        if (!text.contains(u'&')) {
            out.flowText(text);
            m_at = end;
            return true;
        }
        static const std::pair<QLatin1String, char16_t> entities[] = {
            {QLatin1String("&nbsp;"), u'\u00A0'}, {QLatin1String("&lt;"), u'<'},
            {QLatin1String("&gt;"), u'>'},        {QLatin1String("&amp;"), u'&'},
            {QLatin1String("&quot;"), u'"'},
        };
        QString decoded;
        decoded.reserve(text.size());
        for (qsizetype i = 0; i < text.size();) {
            if (text.at(i) != u'&') {
                decoded += text.at(i++);
                continue;
            }
            const auto entity = std::find_if(std::begin(entities), std::end(entities),
                                             [&](const auto& e) { return text.mid(i).startsWith(e.first); });
            if (entity == std::end(entities))
                return false;
            decoded += QChar(entity->second);
            i += entity->first.size();
        }
        out.flowText(decoded);
        m_at = end;
        return true;
    }

    bool renderBody(Renderer& out) {
        std::vector<GumboTag> open;
        int paragraphs = 0;
        int headings = 0;
        int links = 0;
        while (m_at < m_html.size()) {
            if (m_html.at(m_at) != u'<') {
                if (!renderText(out))
                    return false;
                continue;
            }
            if (startsWith(u"<!--")) {
                if (!skipComment())
                    return false;
                continue;
            }
            const std::optional<HtmlTag> tag = nextTag();
            if (!tag)
                return false;
            const GumboTag id = gumbo_tagn_enum(tag->name.toLatin1().constData(), unsigned(tag->name.size()));
            if (tag->endTag) {
                if (id == GUMBO_TAG_BODY)
                    return open.empty();
                if (open.empty() || open.back() != id)
                    return false;
                open.pop_back();
                paragraphs -= id == GUMBO_TAG_P;
                headings -= isHeading(id);
                links -= id == GUMBO_TAG_A;
                out.requestBreaks(breaksFor(displayOf(id)));
                continue;
            }
            if (id == GUMBO_TAG_SCRIPT || id == GUMBO_TAG_STYLE) {
                if (!skipRawText(tag->name))
                    return false;
                continue;
            }
            const Display display = displayOf(id);
            // A paragraph ends where a block begins, a heading where the next begins, a link where
            // another begins: trees unlike the tags.
            if (paragraphs > 0 && display != Display::Inline && display != Display::Break)
                return false;
            if ((headings > 0 && isHeading(id)) || (links > 0 && id == GUMBO_TAG_A))
                return false;
            if (isVoidSimple(id)) {
                if (display == Display::Break)
                    out.lineBreak();
                else
                    out.requestBreaks(breaksFor(display));
                continue;
            }
            if (!isSimpleBodyElement(id))
                return false;
            out.requestBreaks(breaksFor(display));
            open.push_back(id);
            paragraphs += id == GUMBO_TAG_P;
            headings += isHeading(id);
            links += id == GUMBO_TAG_A;
        }
        return false; // no </body>
    }

    // After the body only white space, comments and </html>.
    bool atEndOfDocument() {
        skipSpaceAndComments();
        if (m_at < m_html.size()) {
            const std::optional<HtmlTag> tag = nextTag();
            if (!tag || !tag->endTag || tag->name != QLatin1String("html"))
                return false;
            skipSpaceAndComments();
        }
        return m_at == m_html.size();
    }

    QStringView m_html;
    qsizetype m_at = 0;
};

const GumboNode* findBody(const GumboNode* html) {
    if (!html || html->type != GUMBO_NODE_ELEMENT)
        return nullptr;
    const GumboVector& children = html->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(children.data[i]);
        if (child->type == GUMBO_NODE_ELEMENT &&
            (child->v.element.tag == GUMBO_TAG_BODY || child->v.element.tag == GUMBO_TAG_FRAMESET))
            return child;
    }
    return nullptr;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ':';
}

// Elements that do not nest: void ones, and ones the next of their kind closes (a page full of
// unclosed <p> is normal, not deep).
bool isFlat(const QByteArray& name) {
    static const QList<QByteArray> flat = {
        "area",   "base",     "br",     "col",    "embed",    "hr",     "img",   "input", "link",
        "meta",   "param",    "source", "track",  "wbr",      "p",      "li",    "dt",    "dd",
        "option", "optgroup", "tr",     "td",     "th",       "thead",  "tbody", "tfoot", "rb",
        "rt",     "rp",       "frame",  "keygen", "basefont", "bgsound"};
    return flat.contains(name);
}

bool isRawText(const QByteArray& name) {
    return name == "script" || name == "style" || name == "textarea" || name == "title" || name == "xmp" ||
           name == "iframe" || name == "noembed" || name == "noframes" || name == "plaintext";
}

qsizetype indexOfCi(const QByteArray& hay, const QByteArray& needle, qsizetype from) {
    const qsizetype n = needle.size();
    for (qsizetype i = hay.indexOf('<', from); i >= 0 && i + n <= hay.size(); i = hay.indexOf('<', i + 1)) {
        if (qstrnicmp(hay.constData() + i, needle.constData(), size_t(n)) == 0)
            return i;
    }
    return -1;
}

// The parser checks the stack of open elements on every tag, so a page of thousands of unclosed
// tags takes quadratic time. Browsers stop nesting at a few hundred levels; start tags beyond that
// are dropped here (their text stays), in one linear pass over a rough count of the nesting.
QByteArray limitNesting(const QByteArray& html) {
    constexpr int kMaxDepth = 512;
    QByteArray out;
    qsizetype copied = 0;
    int depth = 0;
    bool ruled = false; // an <hr> stands in and no text has come since
    qsizetype i = html.indexOf('<');
    while (i >= 0 && i + 1 < html.size()) {
        if (qstrncmp(html.constData() + i, "<!--", 4) == 0) {
            const qsizetype close = html.indexOf("-->", i + 4);
            if (close < 0)
                break;
            i = html.indexOf('<', close + 3);
            continue;
        }
        const bool closing = html.at(i + 1) == '/';
        qsizetype nameEnd = i + (closing ? 2 : 1);
        while (nameEnd < html.size() && isNameChar(html.at(nameEnd)))
            ++nameEnd;
        const QByteArray name = html.mid(i + (closing ? 2 : 1), nameEnd - i - (closing ? 2 : 1)).toLower();
        if (name.isEmpty() || !(name.at(0) >= 'a' && name.at(0) <= 'z')) {
            i = html.indexOf('<', i + 1);
            continue;
        }
        const qsizetype tagEnd = html.indexOf('>', nameEnd);
        if (tagEnd < 0)
            break;
        if (closing) {
            if (!isFlat(name) && depth > 0)
                --depth;
            i = html.indexOf('<', tagEnd + 1);
            continue;
        }
        if (isRawText(name)) {
            const qsizetype end = indexOfCi(html, "</" + name, tagEnd + 1);
            const qsizetype endTagEnd = end < 0 ? -1 : html.indexOf('>', end);
            if (endTagEnd < 0)
                break;
            i = html.indexOf('<', endTagEnd + 1);
            continue;
        }
        const bool selfClosing = html.at(tagEnd - 1) == '/';
        if (!selfClosing && !isFlat(name) && ++depth > kMaxDepth) {
            --depth;
            const QByteArray skipped = QByteArray::fromRawData(html.constData() + copied, i - copied);
            if (!skipped.trimmed().isEmpty())
                ruled = false;
            out.append(skipped);
            // A block still stands on its own line, as it does where browsers stop nesting; an
            // empty <hr> is a block that nests nothing.
            const GumboTag tag = gumbo_tagn_enum(name.constData(), unsigned(name.size()));
            if (!ruled && displayOf(tag) != Display::Inline && displayOf(tag) != Display::Skip) {
                out.append("<hr>");
                ruled = true;
            }
            copied = tagEnd + 1;
        }
        i = html.indexOf('<', tagEnd + 1);
    }
    if (copied == 0)
        return html;
    out.append(html.constData() + copied, html.size() - copied);
    return out;
}

} // namespace

namespace {

// The arena owns the tree, so it is never handed to gumbo_destroy_output.
GumboOutput* parseInto(Arena& arena, const QByteArray& utf8) {
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &Arena::allocateFor;
    options.deallocator = &Arena::releaseFor;
    options.userdata = &arena;
    options.max_errors = 0;
    return gumbo_parse_with_options(&options, utf8.constData(), size_t(utf8.size()));
}

QString attributeOf(const GumboElement& element, const char* name) {
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    return attribute ? QString::fromUtf8(attribute->value) : QString();
}

} // namespace

QString htmlInnerText(const QString& html) {
    if (std::optional<QString> text = simplePageInnerText(html))
        return std::move(*text);
    return htmlInnerTextParsed(html);
}

std::optional<QString> simplePageInnerText(QStringView html) {
    Renderer renderer;
    if (!SimplePage(html).render(renderer))
        return std::nullopt;
    return renderer.result();
}

QString htmlInnerTextParsed(const QString& html) {
    if (html.isEmpty())
        return {};
    const QByteArray utf8 = limitNesting(html.toUtf8());
    Arena arena;
    GumboOutput* output = parseInto(arena, utf8);
    if (!output)
        return {};
    const GumboNode* body = findBody(output->root);
    if (!body)
        return {};
    Renderer renderer;
    render(body, renderer);
    return renderer.result();
}

QList<HtmlLink> htmlLinks(const QString& html) {
    QList<HtmlLink> links;
    if (html.isEmpty())
        return links;
    const QByteArray utf8 = limitNesting(html.toUtf8());
    Arena arena;
    GumboOutput* output = parseInto(arena, utf8);
    if (!output)
        return links;
    // Depth first in document order, without recursion; a link's own subtree is rendered for its text.
    std::vector<std::pair<const GumboNode*, unsigned int>> stack;
    stack.emplace_back(output->root, 0);
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        const GumboVector& children = node->v.element.children;
        if (next >= children.length) {
            stack.pop_back();
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(children.data[next++]);
        if (child->type != GUMBO_NODE_ELEMENT && child->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboElement& element = child->v.element;
        if (element.tag == GUMBO_TAG_A && gumbo_get_attribute(&element.attributes, "href")) {
            HtmlLink link;
            link.href = attributeOf(element, "href");
            link.onclick = attributeOf(element, "onclick");
            Renderer renderer;
            render(child, renderer);
            link.text = renderer.result();
            link.sourceOffset = qsizetype(element.start_pos.offset);
            links.append(link);
        }
        stack.emplace_back(child, 0);
    }
    return links;
}

namespace {

bool isHtmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// A character the parser keeps as it is in text and attribute values, and that is no markup.
bool isPlainChar(char16_t c) {
    return c >= 0x20 && c != u'<' && c != u'>' && c != u'&' && !(c >= 0x7f && c <= 0x9f) &&
           !QChar::isSurrogate(c) && c != 0xfffe && c != 0xffff;
}

bool isPlainNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
           c == u'_' || c == u':';
}

} // namespace

std::optional<HtmlLink> plainHtmlLink(QStringView html) {
    const qsizetype n = html.size();
    if (n < 7 || html[0] != u'<' || (html[1] != u'a' && html[1] != u'A') || !isHtmlSpace(html[2].unicode()) ||
        !html.endsWith(QLatin1String("</a>"), Qt::CaseInsensitive))
        return std::nullopt;
    const qsizetype textEnd = n - 4;
    std::optional<QString> href;
    std::optional<QString> onclick;
    QVarLengthArray<QString, 4> names;
    qsizetype i = 3;
    while (true) {
        while (i < textEnd && isHtmlSpace(html[i].unicode()))
            ++i;
        if (i >= textEnd)
            return std::nullopt;
        if (html[i] == u'>')
            break;
        const qsizetype nameStart = i;
        while (i < textEnd && isPlainNameChar(html[i].unicode()))
            ++i;
        if (i == nameStart)
            return std::nullopt;
        const QString name = html.sliced(nameStart, i - nameStart).toString().toLower();
        while (i < textEnd && isHtmlSpace(html[i].unicode()))
            ++i;
        QStringView value;
        if (i < textEnd && html[i] == u'=') {
            ++i;
            while (i < textEnd && isHtmlSpace(html[i].unicode()))
                ++i;
            if (i >= textEnd)
                return std::nullopt;
            const char16_t quote = html[i].unicode();
            if (quote == u'"' || quote == u'\'') {
                const qsizetype start = ++i;
                while (i < textEnd && html[i] != quote && isPlainChar(html[i].unicode()))
                    ++i;
                if (i >= textEnd || html[i] != quote)
                    return std::nullopt;
                value = html.sliced(start, i - start);
                ++i;
                if (i >= textEnd || !(isHtmlSpace(html[i].unicode()) || html[i] == u'>'))
                    return std::nullopt;
            } else {
                const qsizetype start = i;
                while (i < textEnd && isPlainChar(html[i].unicode()) && html[i] != u'"' && html[i] != u'\'' &&
                       html[i] != u'=' && html[i] != u'`' && !isHtmlSpace(html[i].unicode()))
                    ++i;
                if (i == start || i >= textEnd || !(isHtmlSpace(html[i].unicode()) || html[i] == u'>'))
                    return std::nullopt;
                value = html.sliced(start, i - start);
            }
        }
        // The parser keeps the first of two attributes of one name, but may then drop the value of
        // the attribute after them.
        if (names.contains(name))
            return std::nullopt;
        names.append(name);
        if (name == QLatin1String("href"))
            href = value.toString();
        else if (name == QLatin1String("onclick"))
            onclick = value.toString();
    }
    if (!href)
        return std::nullopt;
    // The text, its white space collapsed and trimmed as the renderer does.
    QString text;
    text.reserve(textEnd - i);
    bool space = false;
    for (qsizetype k = i + 1; k < textEnd; ++k) {
        const char16_t c = html[k].unicode();
        if (isHtmlSpace(c)) {
            space = !text.isEmpty();
            continue;
        }
        if (!isPlainChar(c))
            return std::nullopt;
        if (space)
            text += u' ';
        text += QChar(c);
        space = false;
    }
    HtmlLink link;
    link.href = *href;
    link.onclick = onclick.value_or(QString());
    link.text = text;
    return link;
}
