// The program's pictures, drawn with QPainter: two tool-bar sets ("modern": filled colour, "simple":
// grey line drawings), the tree and list icons, the bookmark mark and the background pictures.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

enum class Look { Modern, Simple };

// Drawing on a 32 × 32 grid; shapes are filled (modern) or outlined (simple), details are lines.
struct Pen {
    QPainter& p;
    Look look;
    QColor color;

    QColor dark() const { return look == Look::Simple ? QColor(0x44, 0x4b, 0x55) : color.darker(170); }

    void shape(const QPainterPath& path, QColor c = QColor()) {
        const QColor base = c.isValid() ? c : color;
        if (look == Look::Modern) {
            QLinearGradient g(0, 0, 0, 32);
            g.setColorAt(0, base.lighter(135));
            g.setColorAt(1, base);
            p.setBrush(g);
            p.setPen(QPen(base.darker(160), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        } else {
            p.setBrush(QColor(255, 255, 255, 235));
            p.setPen(QPen(dark(), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
        p.drawPath(path);
    }
    // A detail on top of a shape: white on colour, grey in the simple look.
    void detail(const QPainterPath& path, qreal width = 2.0) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(look == Look::Modern ? QColor(255, 255, 255, 235) : dark(), width, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    // Writing on a light shape (a page): grey in both looks.
    void ink(const QPainterPath& path, qreal width = 1.6) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(look == Look::Modern ? QColor(0x8a, 0x93, 0x9e) : dark(), width, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    // A line that stands on its own (arrows, strokes).
    void stroke(const QPainterPath& path, qreal width = 3.0, QColor c = QColor()) {
        p.setBrush(Qt::NoBrush);
        const QColor base = c.isValid() ? c : color;
        if (look == Look::Modern) {
            p.setPen(QPen(base.darker(150), width + 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(path);
            p.setPen(QPen(base.lighter(115), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        } else {
            p.setPen(QPen(dark(), width * 0.75, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
        p.drawPath(path);
    }
    void dot(QPointF c, qreal r, QColor color) {
        p.setPen(look == Look::Modern ? QPen(color.darker(150), 1) : QPen(dark(), 1.6));
        p.setBrush(look == Look::Modern ? color : QColor(Qt::white));
        p.drawEllipse(c, r, r);
    }
};

QPainterPath rect(qreal x, qreal y, qreal w, qreal h, qreal r = 2) {
    QPainterPath path;
    path.addRoundedRect(x, y, w, h, r, r);
    return path;
}

QPainterPath poly(std::initializer_list<QPointF> points, bool closed = true) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    if (closed)
        path.closeSubpath();
    return path;
}

QPainterPath lines(std::initializer_list<std::pair<QPointF, QPointF>> segments) {
    QPainterPath path;
    for (const auto& [a, b] : segments) {
        path.moveTo(a);
        path.lineTo(b);
    }
    return path;
}

QPainterPath arrow(QPointF from, QPointF to, qreal head = 6) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    const qreal angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    for (qreal side : {-1.0, 1.0}) {
        path.moveTo(to);
        path.lineTo(to.x() - head * std::cos(angle + side * 0.6),
                    to.y() - head * std::sin(angle + side * 0.6));
    }
    return path;
}

QPainterPath circleArrow(QPointF c, qreal r, qreal startDeg, qreal spanDeg) {
    QPainterPath path;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    path.arcMoveTo(box, startDeg);
    path.arcTo(box, startDeg, spanDeg);
    const QPointF end = path.currentPosition();
    const qreal a = (startDeg + spanDeg) * M_PI / 180.0;
    // Tangent direction at the end of a counter-clockwise arc.
    const QPointF tangent(-std::sin(a) * (spanDeg > 0 ? -1 : 1), -std::cos(a) * (spanDeg > 0 ? -1 : 1));
    const QPointF normal(std::cos(a), -std::sin(a));
    path.moveTo(end);
    path.lineTo(end - tangent * 5 + normal * 4);
    path.moveTo(end);
    path.lineTo(end - tangent * 5 - normal * 4);
    return path;
}

// Glyphs ---------------------------------------------------------------------------------------------

void closedBook(Pen& pen, QColor cover) {
    pen.shape(poly({{7, 4}, {25, 4}, {25, 28}, {7, 28}}), cover);
    pen.detail(lines({{{10, 4.5}, {10, 27.5}}}), 1.6);
    pen.detail(rect(13, 9, 9, 5, 1), 1.4);
}

void openBook(Pen& pen, QColor cover) {
    QPainterPath left;
    left.moveTo(16, 9);
    left.cubicTo(12, 6, 7, 6, 3, 7);
    left.lineTo(3, 25);
    left.cubicTo(7, 24, 12, 24, 16, 27);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(16, 9);
    right.cubicTo(20, 6, 25, 6, 29, 7);
    right.lineTo(29, 25);
    right.cubicTo(25, 24, 20, 24, 16, 27);
    right.closeSubpath();
    pen.shape(left, cover);
    pen.shape(right, cover);
    pen.detail(lines({{{6, 12}, {13, 12.5}},
                      {{6, 16}, {13, 16.5}},
                      {{6, 20}, {13, 20.5}},
                      {{19, 12.5}, {26, 12}},
                      {{19, 16.5}, {26, 16}},
                      {{19, 20.5}, {26, 20}}}),
               1.3);
}

void page(Pen& pen, QColor c) {
    pen.shape(poly({{7, 3}, {20, 3}, {26, 9}, {26, 29}, {7, 29}}), c);
    pen.ink(poly({{20, 3}, {20, 9}, {26, 9}}, false), 1.2);
}

void textLines(Pen& pen, qreal top = 13) {
    pen.ink(lines({{{10, top}, {23, top}}, {{10, top + 4}, {23, top + 4}}, {{10, top + 8}, {19, top + 8}}}),
            1.6);
}

void gear(Pen& pen) {
    QPainterPath path;
    const QPointF c(16, 16);
    for (int i = 0; i < 16; ++i) {
        const qreal a = i * M_PI / 8;
        const qreal r = i % 2 == 0 ? 13 : 10;
        const QPointF pt(c.x() + r * std::cos(a - M_PI / 16), c.y() + r * std::sin(a - M_PI / 16));
        const QPointF pt2(c.x() + r * std::cos(a + M_PI / 16), c.y() + r * std::sin(a + M_PI / 16));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        path.lineTo(pt2);
    }
    path.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 4.2, 4.2);
    pen.shape(path.subtracted(hole));
}

void ribbon(Pen& pen, QColor c) {
    pen.shape(poly({{9, 3}, {23, 3}, {23, 28}, {16, 22}, {9, 28}}), c);
}

QPainterPath magnifier() {
    QPainterPath path;
    path.addEllipse(QPointF(13, 13), 8, 8);
    return path;
}

struct Glyph {
    const char* name;
    QColor color;
    std::function<void(Pen&)> draw;
};

const QColor kBlue(0x2f, 0x7d, 0xd1);
const QColor kGreen(0x3a, 0xa5, 0x5b);
const QColor kRed(0xd6, 0x45, 0x3d);
const QColor kOrange(0xe8, 0x8a, 0x1a);
const QColor kPurple(0x84, 0x5e, 0xc2);
const QColor kTeal(0x1f, 0x9e, 0xa8);
const QColor kGrey(0x7d, 0x86, 0x91);
const QColor kBrown(0xa0, 0x6a, 0x3c);

QList<Glyph> toolbarGlyphs() {
    return {
        {"New", kGreen,
         [](Pen& p) {
             page(p, QColor(0xf4, 0xf6, 0xf8));
             p.stroke(lines({{{16, 12}, {16, 24}}, {{10, 18}, {22, 18}}}), 3, kGreen);
         }},
        {"Edit", kOrange,
         [](Pen& p) {
             p.shape(poly({{21, 5}, {27, 11}, {12, 26}, {5, 27}, {6, 20}}));
             p.detail(lines({{{18, 8}, {24, 14}}, {{6, 20}, {12, 26}}}), 1.5);
         }},
        {"Delete", kRed,
         [](Pen& p) {
             p.shape(poly({{8, 9}, {24, 9}, {22, 29}, {10, 29}}));
             p.shape(rect(6, 5, 20, 4, 1));
             p.detail(lines({{{13, 13}, {13.5, 25}}, {{16, 13}, {16, 25}}, {{19, 13}, {18.5, 25}}}), 1.5);
         }},
        {"Book", kPurple, [](Pen& p) { closedBook(p, kPurple); }},
        {"BookCase", kBrown,
         [](Pen& p) {
             p.shape(rect(4, 3, 24, 26, 1.5));
             p.detail(lines({{{5, 16}, {27, 16}}}), 1.6);
             p.shape(rect(7, 6, 3, 9, 0.5), kBlue);
             p.shape(rect(11, 7, 3, 8, 0.5), kGreen);
             p.shape(rect(15, 6, 3, 9, 0.5), kRed);
             p.shape(rect(8, 19, 3, 9, 0.5), kOrange);
             p.shape(rect(12, 20, 3, 8, 0.5), kTeal);
         }},
        {"AllReNew", kGreen,
         [](Pen& p) {
             p.stroke(circleArrow({16, 16}, 10, 100, 150), 3);
             p.stroke(circleArrow({16, 16}, 10, 280, 150), 3);
         }},
        {"Stop", kRed,
         [](Pen& p) {
             QPainterPath oct;
             for (int i = 0; i < 8; ++i) {
                 const qreal a = (i * 45 + 22.5) * M_PI / 180;
                 const QPointF pt(16 + 13 * std::cos(a), 16 + 13 * std::sin(a));
                 i == 0 ? oct.moveTo(pt) : oct.lineTo(pt);
             }
             oct.closeSubpath();
             p.shape(oct);
             p.detail(rect(11, 11, 10, 10, 1), 2);
         }},
        {"Prop", kGrey, [](Pen& p) { gear(p); }},
        {"Exit", kBlue,
         [](Pen& p) {
             p.shape(rect(5, 4, 14, 24, 1.5), QColor(0xb9, 0x8a, 0x5a));
             p.dot({15.5, 16}, 1.3, QColor(0xf0, 0xd0, 0x60));
             p.stroke(arrow({17, 16}, {28, 16}, 5), 3);
         }},
        {"ContentSet", kTeal,
         [](Pen& p) {
             p.shape(rect(3, 4, 26, 24, 3));
             p.detail(poly({{8, 23}, {13, 9}, {18, 23}}, false), 2.2);
             p.detail(lines({{{10, 18}, {16, 18}}}), 2);
             p.detail(lines({{{21, 15}, {26, 15}}, {{21, 19}, {26, 19}}, {{21, 23}, {26, 23}}}), 1.6);
         }},
        {"Find", kBlue,
         [](Pen& p) {
             p.shape(magnifier(), QColor(0xdc, 0xec, 0xfa));
             p.stroke(lines({{{19, 19}, {27, 27}}}), 4);
         }},
        {"Back", kBlue,
         [](Pen& p) {
             p.stroke(arrow({26, 16}, {6, 16}, 8), 3.5);
         }},
        {"Forward", kBlue,
         [](Pen& p) {
             p.stroke(arrow({6, 16}, {26, 16}, 8), 3.5);
         }},
        {"Refresh", kGreen,
         [](Pen& p) {
             p.stroke(circleArrow({16, 16}, 10, 60, 290), 3.2);
         }},
        {"WebStop", kRed,
         [](Pen& p) {
             p.stroke(lines({{{8, 8}, {24, 24}}, {{24, 8}, {8, 24}}}), 3.6);
         }},
        {"Goto", kOrange,
         [](Pen& p) {
             page(p, QColor(0xf4, 0xf6, 0xf8));
             p.dot({21, 22}, 5, kOrange);
         }},
        {"AllScreen", kTeal,
         [](Pen& p) {
             p.stroke(poly({{4, 11}, {4, 4}, {11, 4}}, false), 3);
             p.stroke(poly({{21, 4}, {28, 4}, {28, 11}}, false), 3);
             p.stroke(poly({{28, 21}, {28, 28}, {21, 28}}, false), 3);
             p.stroke(poly({{11, 28}, {4, 28}, {4, 21}}, false), 3);
         }},
        {"Up", kBlue,
         [](Pen& p) {
             p.stroke(arrow({16, 27}, {16, 5}, 8), 3.5);
         }},
        {"Down", kBlue,
         [](Pen& p) {
             p.stroke(arrow({16, 5}, {16, 27}, 8), 3.5);
         }},
        {"Bookmark", kRed,
         [](Pen& p) {
             ribbon(p, kRed);
             p.detail(lines({{{16, 8}, {16, 16}}, {{12, 12}, {20, 12}}}), 2);
         }},
        {"BookmarkEnter", kRed,
         [](Pen& p) {
             ribbon(p, kRed);
             p.detail(arrow({12, 12}, {20, 12}, 4), 1.8);
         }},
        {"Bookmarks", kRed,
         [](Pen& p) {
             p.shape(rect(4, 5, 20, 23, 2), QColor(0xf4, 0xf6, 0xf8));
             p.ink(lines({{{8, 11}, {18, 11}}, {{8, 16}, {18, 16}}, {{8, 21}, {15, 21}}}), 1.6);
             p.shape(poly({{20, 3}, {28, 3}, {28, 17}, {24, 13.5}, {20, 17}}), kRed);
         }},
        {"ListHtm", kTeal,
         [](Pen& p) {
             p.shape(rect(4, 4, 24, 24, 2));
             p.detail(lines({{{9, 10}, {23, 10}}, {{9, 16}, {23, 16}}, {{9, 22}, {23, 22}}}), 2);
         }},
        {"AllText", kPurple,
         [](Pen& p) {
             page(p, QColor(0xf4, 0xf6, 0xf8));
             textLines(p, 12);
             p.ink(lines({{{10, 24}, {23, 24}}}), 1.6);
         }},
        {"IEOpen", kBlue,
         [](Pen& p) {
             QPainterPath globe;
             globe.addEllipse(QPointF(16, 16), 12, 12);
             p.shape(globe);
             QPainterPath meridian;
             meridian.addEllipse(QPointF(16, 16), 5, 12);
             p.detail(meridian, 1.4);
             p.detail(lines({{{4, 16}, {28, 16}}, {{6, 10}, {26, 10}}, {{6, 22}, {26, 22}}}), 1.4);
         }},
        {"TotalView", kOrange,
         [](Pen& p) {
             p.shape(rect(5, 17, 5, 11, 1), kBlue);
             p.shape(rect(13, 9, 5, 19, 1), kOrange);
             p.shape(rect(21, 4, 5, 24, 1), kGreen);
         }},
    };
}

QList<Glyph> treeGlyphs() {
    return {
        {"library", kBrown,
         [](Pen& p) {
             p.shape(rect(4, 20, 24, 7, 1), kBlue);
             p.shape(rect(6, 13, 22, 7, 1), kGreen);
             p.shape(rect(3, 6, 23, 7, 1), kRed);
         }},
        {"folder", kOrange,
         [](Pen& p) {
             p.shape(poly({{3, 7}, {12, 7}, {15, 10}, {29, 10}, {29, 27}, {3, 27}}),
                     QColor(0xe9, 0xb4, 0x3c));
             p.detail(lines({{{3.5, 13}, {28.5, 13}}}), 1.4);
         }},
        {"Book", kBlue, [](Pen& p) { closedBook(p, kBlue); }},
        {"BookOpen", kBlue, [](Pen& p) { openBook(p, kBlue); }},
        {"Book2", kGrey,
         [](Pen& p) {
             closedBook(p, kGrey);
             p.dot({23, 24}, 5.5, kGreen);
             p.detail(poly({{20.5, 24}, {22.5, 26}, {25.8, 22}}, false), 1.6);
         }},
        {"Read", kGrey,
         [](Pen& p) {
             page(p, QColor(0xee, 0xf0, 0xf2));
             textLines(p, 13);
         }},
        {"NotRead", kBlue,
         [](Pen& p) {
             page(p, QColor(0xf8, 0xfb, 0xff));
             textLines(p, 13);
             p.dot({23, 24}, 5.5, kOrange);
         }},
        {"booksmall", kBlue, [](Pen& p) { closedBook(p, kBlue); }},
        {"day", kRed,
         [](Pen& p) {
             p.shape(rect(4, 6, 24, 22, 2), QColor(0xf4, 0xf6, 0xf8));
             p.shape(rect(4, 6, 24, 6, 2), kRed);
             p.ink(lines({{{10, 3}, {10, 8}}, {{22, 3}, {22, 8}}}), 2);
             p.dot({11, 18}, 1.5, kGrey);
             p.dot({16, 18}, 1.5, kGrey);
             p.dot({21, 18}, 1.5, kGrey);
             p.dot({11, 23}, 1.5, kGrey);
             p.dot({16, 23}, 1.5, kGrey);
         }},
        {"quiveral", kBlue,
         [](Pen& p) {
             openBook(p, QColor(0x2a, 0x6f, 0xbd));
             p.dot({25, 7}, 4, kOrange);
         }},
    };
}

QImage render(const Glyph& glyph, Look look, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    Pen pen{painter, look, glyph.color};
    glyph.draw(pen);
    painter.end();
    return image;
}

bool save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Soft paper-like backgrounds: a base colour with faint fibres.
QImage paper(QColor base, QColor fibre, quint32 seed) {
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(base);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(seed);
    for (int i = 0; i < 900; ++i) {
        QColor c = fibre;
        c.setAlpha(6 + random.bounded(14));
        p.setPen(QPen(c, 0.6 + random.bounded(10) / 10.0));
        const QPointF a(random.bounded(256), random.bounded(256));
        const qreal angle = random.bounded(360) * M_PI / 180;
        const qreal length = 3 + random.bounded(12);
        // Drawn three times shifted by the tile size so the picture tiles without seams.
        for (int dx : {-256, 0, 256})
            for (int dy : {-256, 0, 256})
                p.drawLine(a + QPointF(dx, dy),
                           a + QPointF(dx + length * std::cos(angle), dy + length * std::sin(angle)));
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString ui = root + QStringLiteral("/src/library/ui/icons");
    bool ok = true;
    for (const Glyph& g : toolbarGlyphs()) {
        for (int size : {24, 48}) {
            const QString suffix = size == 48 ? QStringLiteral("@2x.png") : QStringLiteral(".png");
            ok &= save(render(g, Look::Modern, size), ui + QStringLiteral("/modern/") + g.name + suffix);
            ok &= save(render(g, Look::Simple, size), ui + QStringLiteral("/simple/") + g.name + suffix);
        }
    }
    for (const Glyph& g : treeGlyphs())
        for (int size : {16, 32})
            ok &= save(render(g, Look::Modern, size),
                       ui + QStringLiteral("/tree/") + g.name +
                           (size == 32 ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
    // The quiveral icon also in a large size for the window and desktop entry.
    for (const Glyph& g : treeGlyphs())
        if (QLatin1String(g.name) == QLatin1String("quiveral"))
            ok &= save(render(g, Look::Modern, 128), ui + QStringLiteral("/tree/quiveral@128.png"));

    // The picture put before a bookmark's words in a chapter page.
    Glyph mark{"bookmark", kRed, [](Pen& p) { ribbon(p, kRed); }};
    ok &= save(render(mark, Look::Modern, 16), root + QStringLiteral("/data/chm/bookmark.png"));

    ok &= save(paper(QColor(0xf3, 0xec, 0xd9), QColor(0x8a, 0x6d, 0x3b), 7),
               root + QStringLiteral("/data/bgimage/宣纸.jpg"));
    ok &= save(paper(QColor(0xe3, 0xef, 0xe0), QColor(0x3f, 0x6b, 0x45), 11),
               root + QStringLiteral("/data/bgimage/竹青.jpg"));
    ok &= save(paper(QColor(0xe6, 0xee, 0xf6), QColor(0x3d, 0x5a, 0x80), 13),
               root + QStringLiteral("/data/bgimage/天青.jpg"));
    ok &= save(paper(QColor(0x33, 0x36, 0x3b), QColor(0xc8, 0xc8, 0xc8), 17),
               root + QStringLiteral("/data/bgimage/夜读.jpg"));
    return ok ? 0 : 1;
}
