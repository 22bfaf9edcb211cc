#include "text/innertext.h"

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
        const QString s = QString::fromUtf8(utf8, qsizetype(length));
        for (const QChar c : s) {
            if (preformatted) {
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
            } else if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
                if (!m_lineStart)
                    m_space = true;
            } else {
                put(c);
            }
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

    void put(QChar c) {
        flushBreaks();
        if (m_space && !m_lineStart)
            m_out += u' ';
        m_out += c;
        m_space = false;
        m_lineStart = false;
    }

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
