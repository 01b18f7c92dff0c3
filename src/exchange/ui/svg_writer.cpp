#include "exchange/ui/svg_writer.h"

#include <QBuffer>
#include <QFontInfo>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QStringList>
#include <QTextItem>
#include <cmath>
#include <utility>
#include <vector>

namespace kvx::exchange::ui {

namespace {

/// The picture's resolution: one unit of the SVG is one pixel at the usual 96 dpi.
constexpr int kDpi = 96;

QByteArray num(qreal v) {
    if (!std::isfinite(v)) return "0";
    const qreal whole = std::round(v);
    if (std::abs(v - whole) < 1e-6) return QByteArray::number(static_cast<long long>(whole));
    QByteArray s = QByteArray::number(v, 'f', 4);
    while (s.endsWith('0')) s.chop(1);
    if (s.endsWith('.')) s.chop(1);
    return s == "-0" ? QByteArray("0") : s;
}

/// `text` as XML character data or an attribute value: the markup characters escaped, the
/// characters XML cannot carry (control characters, a lone half of a surrogate pair) left out.
QByteArray escaped(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                kept += c;
                kept += text[++i];
            }
            continue;
        }
        if (c.isLowSurrogate()) continue;
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF) continue;
        kept += c;
    }
    QByteArray out;
    const QByteArray utf8 = kept.toUtf8();
    out.reserve(utf8.size());
    for (char ch : utf8) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        case '\t': out += "&#9;"; break;
        default: out += ch;
        }
    }
    return out;
}

QByteArray colourName(const QColor& c) { return c.name(QColor::HexRgb).toLatin1(); }

QByteArray matrixText(const QTransform& m) {
    return "matrix(" + num(m.m11()) + ' ' + num(m.m12()) + ' ' + num(m.m21()) + ' ' + num(m.m22()) + ' ' +
           num(m.dx()) + ' ' + num(m.dy()) + ')';
}

/// The path as SVG path data, moved by `shift`.
QByteArray pathData(const QPainterPath& path, QPointF shift) {
    QByteArray d;
    const int n = path.elementCount();
    int subpathStart = -1;
    auto point = [&](int i) { return QPointF(path.elementAt(i).x, path.elementAt(i).y) + shift; };
    auto closeIfBack = [&](int last) {
        // A figure that returns to its first point is closed, so that the corner is joined.
        if (subpathStart >= 0 && last - subpathStart >= 2 && point(last) == point(subpathStart)) d += 'Z';
    };
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        const QPointF p = point(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (i > 0) closeIfBack(i - 1);
            subpathStart = i;
            d += 'M' + num(p.x()) + ' ' + num(p.y());
            break;
        case QPainterPath::LineToElement:
            d += 'L' + num(p.x()) + ' ' + num(p.y());
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < n) {
                const QPointF c2 = point(i + 1), end = point(i + 2);
                d += 'C' + num(p.x()) + ' ' + num(p.y()) + ' ' + num(c2.x()) + ' ' + num(c2.y()) + ' ' +
                     num(end.x()) + ' ' + num(end.y());
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (n > 0) closeIfBack(n - 1);
    return d;
}

bool isRectangle(const QPainterPath& path, QRectF* rect) {
    QPainterPath r;
    r.addRect(path.boundingRect());
    r.setFillRule(path.fillRule());
    if (!(path == r)) return false;
    *rect = path.boundingRect();
    return true;
}

/// An area the drawing is cut to, in picture coordinates.
struct Clip {
    bool on = false;
    bool isRect = false;
    QRectF rect;
    QPainterPath path;
    QRectF bounds() const { return isRect ? rect : path.boundingRect(); }
    bool operator==(const Clip& o) const {
        if (on != o.on) return false;
        if (!on) return true;
        if (isRect != o.isRect) return false;
        return isRect ? rect == o.rect : path == o.path;
    }
};

Clip clipOf(const QPainterPath& path) {
    Clip c;
    c.on = true;
    c.isRect = isRectangle(path, &c.rect);
    if (!c.isRect) c.path = path;
    return c;
}

/// One figure in the painter's coordinates.
struct Figure {
    enum Kind { Rect, Ellipse, Path } kind = Path;
    QRectF rect;
    QPainterPath path;
    bool closed = true;  ///< an open polyline is never filled
};

}  // namespace

class SvgPaintEngine : public QPaintEngine {
public:
    SvgPaintEngine(QSize size, QString title, QString description)
        : QPaintEngine(PrimitiveTransform | PatternTransform | PixmapTransform | PatternBrush | AlphaBlend |
                       PainterPaths | Antialiasing | BrushStroke | ConstantOpacity | MaskedBrush |
                       PaintOutsidePaintEvent),
          size_(size),
          title_(std::move(title)),
          description_(std::move(description)) {}

    QByteArray document() const { return doc_; }

    bool begin(QPaintDevice*) override {
        doc_.clear();
        clip_ = Clip{};
        clipEnabled_ = false;
        openClip_ = Clip{};
        clips_.clear();
        patterns_.clear();
        nextId_ = 0;
        matrix_ = QTransform();
        pen_ = QPen();
        brush_ = QBrush();
        brushOrigin_ = QPointF();
        hints_ = {};
        opacity_ = 1;
        const QByteArray w = QByteArray::number(size_.width()), h = QByteArray::number(size_.height());
        doc_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                "version=\"1.1\" width=\"" +
                w + "px\" height=\"" + h + "px\" viewBox=\"0 0 " + w + ' ' + h + "\">\n";
        doc_ += "<title>" + escaped(title_) + "</title>\n<desc>" + escaped(description_) + "</desc>\n";
        // QPainter's defaults where SVG's differ; drawing without antialiasing keeps to whole
        // pixels.
        doc_ += "<g fill-rule=\"evenodd\" stroke-linecap=\"square\" stroke-linejoin=\"bevel\" "
                "shape-rendering=\"crispEdges\">\n";
        return true;
    }

    bool end() override {
        if (openClip_.on) doc_ += "</g>\n";
        openClip_ = Clip{};
        doc_ += "</g>\n</svg>\n";
        return true;
    }

    Type type() const override { return QPaintEngine::SVG; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform) matrix_ = state.transform();
        if (dirty & DirtyPen) pen_ = state.pen();
        if (dirty & DirtyBrush) brush_ = state.brush();
        if (dirty & DirtyBrushOrigin) brushOrigin_ = state.brushOrigin();
        if (dirty & DirtyHints) hints_ = state.renderHints();
        if (dirty & DirtyOpacity) opacity_ = state.opacity();
        // The clip comes in the coordinates it was given in, with the transform of that moment.
        if (dirty & DirtyClipPath) applyClip(state.clipOperation(), matrix_.map(state.clipPath()));
        if (dirty & DirtyClipRegion) {
            const QRegion region = state.clipRegion();
            if (region.rectCount() <= 1 && matrix_.type() <= QTransform::TxScale) {
                Clip c;
                c.on = true;
                c.isRect = true;
                c.rect = matrix_.mapRect(QRectF(region.boundingRect()));
                applyClip(state.clipOperation(), c);
            } else {
                QPainterPath path;
                path.addRegion(region);
                applyClip(state.clipOperation(), matrix_.map(path));
            }
        }
        if (dirty & DirtyClipEnabled) clipEnabled_ = state.isClipEnabled();
    }

    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            Figure f;
            f.kind = Figure::Rect;
            f.rect = rects[i].normalized();
            if (f.rect.isEmpty()) {  // only its outline, a line, can show
                f.kind = Figure::Path;
                f.path.addRect(f.rect);
            }
            paint(f);
        }
    }

    void drawLines(const QLine* lines, int count) override {
        std::vector<QLineF> l(lines, lines + count);
        drawLines(l.data(), count);
    }

    void drawLines(const QLineF* lines, int count) override {
        // Lines are never filled: one path of separate figures.
        Figure f;
        f.closed = false;
        for (int i = 0; i < count; ++i) {
            if (lines[i].p1() == lines[i].p2()) {
                const QPointF dot = lines[i].p1();
                if (pen_.capStyle() != Qt::FlatCap) drawPoints(&dot, 1);
                continue;
            }
            f.path.moveTo(lines[i].p1());
            f.path.lineTo(lines[i].p2());
        }
        if (!f.path.isEmpty()) paint(f);
    }

    void drawEllipse(const QRectF& r) override {
        Figure f;
        f.kind = Figure::Ellipse;
        f.rect = r.normalized();
        paint(f);
    }

    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }

    void drawPath(const QPainterPath& path) override {
        Figure f;
        f.path = path;
        paint(f);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0) return;
        Figure f;
        f.closed = mode != PolylineMode;
        f.path.moveTo(points[0]);
        for (int i = 1; i < count; ++i) f.path.lineTo(points[i]);
        if (f.closed && count > 2) f.path.closeSubpath();
        f.path.setFillRule(mode == WindingMode || mode == ConvexMode ? Qt::WindingFill : Qt::OddEvenFill);
        paint(f);
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        std::vector<QPointF> p(points, points + count);
        drawPolygon(p.data(), count, mode);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        QImage image = pm.toImage();
        if (pm.depth() == 1) {  // a bitmap shows its set pixels in the pen's colour
            image = image.convertToFormat(QImage::Format_MonoLSB);
            image.setColorCount(2);
            image.setColor(0, qRgba(0, 0, 0, 0));
            image.setColor(1, pen_.color().rgba());
        }
        drawImage(r, image, sr, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override {
        if (image.isNull() || r.isEmpty()) return;
        const QRectF device = matrix_.mapRect(r);
        if (!visible(device)) return;
        QImage part = sr == QRectF(image.rect()) ? image : image.copy(sr.toAlignedRect());
        const bool plain = matrix_.type() <= QTransform::TxTranslate;
        const bool smooth = hints_ & QPainter::SmoothPixmapTransform;
        // Not every viewer heeds image-rendering: a picture enlarged without smoothing is
        // embedded with the pixels QPainter gives it, when they are not too many.
        if (!smooth && plain && device == QRectF(device.toRect()) && device.size() != QSizeF(part.size()) &&
            device.width() * device.height() <= 4e6)
            part = part.scaled(device.size().toSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !part.save(&buffer, "PNG")) return;
        enterClip();
        const QRectF at = plain ? device : r;
        doc_ += "<image x=\"" + num(at.x()) + "\" y=\"" + num(at.y()) + "\" width=\"" + num(at.width()) +
                "\" height=\"" + num(at.height()) + "\" preserveAspectRatio=\"none\"";
        if (!plain) doc_ += " transform=\"" + matrixText(matrix_) + '"';
        if (!smooth) doc_ += " image-rendering=\"optimizeSpeed\"";
        if (opacity_ < 1) doc_ += " opacity=\"" + num(opacity_) + '"';
        doc_ += " xlink:href=\"data:image/png;base64," + png.toBase64() + "\"/>\n";
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty() || pen_.style() == Qt::NoPen) return;
        const QRectF box(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent());
        if (!visible(matrix_.mapRect(box).adjusted(-2, -2, 2, 2))) return;
        enterClip();
        const QFont font = item.font();
        const bool plain = matrix_.type() <= QTransform::TxTranslate;
        const QPointF at = plain ? matrix_.map(p) : p;
        doc_ += "<text x=\"" + num(at.x()) + "\" y=\"" + num(at.y()) + '"';
        if (!plain) doc_ += " transform=\"" + matrixText(matrix_) + '"';
        doc_ += " font-family=\"" + escaped(families(font)) + '"';
        const qreal pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDpi / 72.0;
        doc_ += " font-size=\"" + num(pixels) + '"';
        if (font.weight() != QFont::Normal) doc_ += " font-weight=\"" + QByteArray::number(font.weight()) + '"';
        if (font.style() == QFont::StyleItalic) doc_ += " font-style=\"italic\"";
        if (font.style() == QFont::StyleOblique) doc_ += " font-style=\"oblique\"";
        const QColor colour = pen_.color();
        doc_ += " fill=\"" + colourName(colour) + '"';
        if (colour.alpha() < 255) doc_ += " fill-opacity=\"" + num(colour.alphaF()) + '"';
        if (opacity_ < 1) doc_ += " opacity=\"" + num(opacity_) + '"';
        doc_ += " xml:space=\"preserve\">" + escaped(text) + "</text>\n";
    }

private:
    /// The face QPainter really uses first, then the ones asked for, then the generic family.
    static QString families(const QFont& font) {
        QStringList names{QFontInfo(font).family()};
        for (const QString& f : font.families()) names << f;
        switch (font.styleHint()) {
        case QFont::Serif: names << QStringLiteral("serif"); break;
        case QFont::TypeWriter:
        case QFont::Monospace: names << QStringLiteral("monospace"); break;
        case QFont::Cursive: names << QStringLiteral("cursive"); break;
        case QFont::Fantasy: names << QStringLiteral("fantasy"); break;
        default: names << QStringLiteral("sans-serif");
        }
        QStringList quoted;
        for (QString n : names) {
            n.remove(QLatin1Char('\'')).remove(QLatin1Char('"')).remove(QLatin1Char(','));
            if (n.isEmpty()) continue;
            const bool generic = n == QLatin1String("serif") || n == QLatin1String("sans-serif") ||
                                 n == QLatin1String("monospace") || n == QLatin1String("cursive") ||
                                 n == QLatin1String("fantasy");
            const QString item = generic ? n : QLatin1Char('\'') + n + QLatin1Char('\'');
            if (!quoted.contains(item)) quoted << item;
        }
        return quoted.join(QLatin1String(", "));
    }

    void applyClip(Qt::ClipOperation op, const QPainterPath& path) { applyClip(op, clipOf(path)); }

    void applyClip(Qt::ClipOperation op, const Clip& c) {
        if (op == Qt::NoClip) {
            clip_ = Clip{};
        } else if (op == Qt::ReplaceClip || !clip_.on) {
            clip_ = c;
        } else if (clip_.isRect && c.isRect) {
            clip_.rect = clip_.rect.intersected(c.rect);
        } else {
            QPainterPath a, b;
            if (clip_.isRect) a.addRect(clip_.rect); else a = clip_.path;
            if (c.isRect) b.addRect(c.rect); else b = c.path;
            clip_ = clipOf(a.intersected(b));
        }
    }

    Clip effectiveClip() const { return clipEnabled_ && clip_.on ? clip_ : Clip{}; }

    /// Whether anything of a figure with these bounds in picture coordinates can be seen.
    bool visible(const QRectF& bounds) const {
        QRectF area(QPointF(0, 0), QSizeF(size_));
        const Clip c = effectiveClip();
        if (c.on) area = area.intersected(c.bounds());
        return !area.isEmpty() && area.intersects(bounds);
    }

    /// Makes the clip of the painter the one of the elements written next.
    void enterClip() {
        const Clip c = effectiveClip();
        if (c == openClip_) return;
        if (openClip_.on) doc_ += "</g>\n";
        openClip_ = c;
        if (!c.on) return;
        QByteArray id;
        for (const auto& [known, knownId] : clips_)
            if (known == c) id = knownId;
        if (id.isEmpty()) {
            id = "c" + QByteArray::number(++nextId_);
            doc_ += "<clipPath id=\"" + id + "\">";
            if (c.isRect) {
                doc_ += "<rect x=\"" + num(c.rect.x()) + "\" y=\"" + num(c.rect.y()) + "\" width=\"" +
                        num(c.rect.width()) + "\" height=\"" + num(c.rect.height()) + "\"/>";
            } else {
                doc_ += "<path d=\"" + pathData(c.path, {}) + "\" clip-rule=\"" +
                        (c.path.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd") + "\"/>";
            }
            doc_ += "</clipPath>\n";
            clips_.emplace_back(c, id);
        }
        doc_ += "<g clip-path=\"url(#" + id + ")\">\n";
    }

    bool aliased() const { return !(hints_ & QPainter::Antialiasing); }

    /// The pen's width in picture pixels.
    qreal deviceWidth() const {
        const qreal w = pen_.widthF();
        if (pen_.isCosmetic()) return w > 0 ? w : 1;
        return w * std::sqrt(std::abs(matrix_.determinant()));
    }

    /// Without antialiasing the raster engine puts a stroke of odd width on the pixels right
    /// of and below its line: half a pixel further than the line itself.
    qreal strokeShift() const {
        if (!aliased()) return 0;
        const long long w = std::llround(deviceWidth());
        return w <= 1 || w % 2 == 1 ? 0.5 : 0;
    }

    /// Fill (a colour, a standard pattern or a texture) for `brush`, as a paint attribute value.
    QByteArray paintOf(const QBrush& brush) {
        const Qt::BrushStyle style = brush.style();
        if (style == Qt::SolidPattern || style == Qt::NoBrush || style > Qt::TexturePattern ||
            (style >= Qt::LinearGradientPattern && style <= Qt::ConicalGradientPattern))
            return colourName(brush.color());
        return "url(#" + patternOf(brush) + ')';
    }

    QByteArray patternOf(const QBrush& brush) {
        const bool plain = matrix_.type() <= QTransform::TxTranslate;
        QByteArray body;
        QPointF origin;
        QSize tile;
        QByteArray key;
        if (brush.style() == Qt::TexturePattern) {
            // A texture moves and scales with the figure.
            const QImage image = brush.textureImage();
            tile = image.size();
            origin = plain ? matrix_.map(brushOrigin_) : brushOrigin_;
            QByteArray png;
            QBuffer buffer(&png);
            if (buffer.open(QIODevice::WriteOnly)) image.save(&buffer, "PNG");
            key = "t" + QByteArray::number(image.cacheKey());
            body = "<image width=\"" + QByteArray::number(tile.width()) + "\" height=\"" +
                   QByteArray::number(tile.height()) + "\" xlink:href=\"data:image/png;base64," + png.toBase64() +
                   "\"/>";
        } else {
            // The standard patterns keep to the picture's pixels, from the brush origin.
            tile = QSize(8, 8);
            origin = matrix_.map(brushOrigin_);
            QImage cell(tile, QImage::Format_ARGB32_Premultiplied);
            cell.fill(Qt::transparent);
            {
                QPainter p(&cell);
                p.fillRect(cell.rect(), QBrush(Qt::black, brush.style()));
            }
            QByteArray d;
            for (int y = 0; y < tile.height(); ++y)
                for (int x = 0; x < tile.width();) {
                    if (qAlpha(cell.pixel(x, y)) == 0) {
                        ++x;
                        continue;
                    }
                    int end = x;
                    while (end < tile.width() && qAlpha(cell.pixel(end, y)) != 0) ++end;
                    d += 'M' + num(x) + ' ' + num(y) + 'h' + num(end - x) + "v1h" + num(x - end) + 'z';
                    x = end;
                }
            const QColor colour = brush.color();
            key = "p" + QByteArray::number(static_cast<int>(brush.style()));
            body = "<path d=\"" + d + "\" fill=\"" + colourName(colour) + '"' +
                   (colour.alpha() < 255 ? " fill-opacity=\"" + num(colour.alphaF()) + '"' : QByteArray()) +
                   " shape-rendering=\"crispEdges\"/>";
            key += colourName(colour) + num(colour.alphaF());
        }
        // A figure under a transform other than a translation is drawn in the painter's
        // coordinates: a standard pattern is brought back to the picture's pixels.
        QByteArray transform;
        if (!plain && brush.style() != Qt::TexturePattern) transform = matrixText(matrix_.inverted());
        key += '@' + num(origin.x()) + ',' + num(origin.y()) + transform;
        for (const auto& [knownKey, id] : patterns_)
            if (knownKey == key) return id;
        const QByteArray id = "p" + QByteArray::number(++nextId_);
        doc_ += "<defs><pattern id=\"" + id + "\" patternUnits=\"userSpaceOnUse\" x=\"" + num(origin.x()) +
                "\" y=\"" + num(origin.y()) + "\" width=\"" + num(tile.width()) + "\" height=\"" +
                num(tile.height()) + '"' +
                (transform.isEmpty() ? QByteArray() : " patternTransform=\"" + transform + '"') + '>' + body +
                "</pattern></defs>\n";
        patterns_.emplace_back(key, id);
        return id;
    }

    QRectF logicalBounds(const Figure& f) const {
        return f.kind == Figure::Path ? f.path.controlPointRect() : f.rect;
    }

    /// Fills and outlines the figure with the painter's brush and pen.
    void paint(const Figure& f) {
        const bool fills = f.closed && brush_.style() != Qt::NoBrush;
        const bool strokes = pen_.style() != Qt::NoPen;
        if (!fills && !strokes) return;
        const qreal margin = strokes ? deviceWidth() * 2 + 1 : 0;
        if (!visible(matrix_.mapRect(logicalBounds(f)).adjusted(-margin, -margin, margin, margin))) return;
        enterClip();
        const qreal shift = strokes ? strokeShift() : 0;
        if (fills && strokes && shift != 0) {
            write(f, true, false, 0);
            write(f, false, true, shift);
        } else {
            write(f, fills, strokes, shift);
        }
    }

    void write(const Figure& f, bool fills, bool strokes, qreal shift) {
        // Patterns are defined before the element that uses them.
        const QByteArray fill = fills ? paintOf(brush_) : QByteArray("none");
        const QByteArray stroke = strokes ? paintOf(pen_.brush()) : QByteArray();
        const bool plain = matrix_.type() <= QTransform::TxTranslate;
        // A translation is applied to the coordinates; any other transform is left to the viewer.
        const QPointF move = plain ? QPointF(matrix_.dx() + shift, matrix_.dy() + shift) : QPointF();
        switch (f.kind) {
        case Figure::Rect: {
            const QRectF r = f.rect.translated(move);
            doc_ += "<rect x=\"" + num(r.x()) + "\" y=\"" + num(r.y()) + "\" width=\"" + num(r.width()) +
                    "\" height=\"" + num(r.height()) + '"';
            break;
        }
        case Figure::Ellipse: {
            const QRectF r = f.rect.translated(move);
            doc_ += "<ellipse cx=\"" + num(r.center().x()) + "\" cy=\"" + num(r.center().y()) + "\" rx=\"" +
                    num(r.width() / 2) + "\" ry=\"" + num(r.height() / 2) + '"';
            break;
        }
        case Figure::Path:
            doc_ += "<path d=\"" + pathData(f.path, move) + '"';
            if (fills && f.path.fillRule() == Qt::WindingFill) doc_ += " fill-rule=\"nonzero\"";
            break;
        }
        if (!plain) {
            QByteArray t = matrixText(matrix_);
            if (shift != 0) t = "translate(" + num(shift) + ' ' + num(shift) + ") " + t;
            doc_ += " transform=\"" + t + '"';
        }
        doc_ += " fill=\"" + fill + '"';
        if (fills && brush_.style() == Qt::SolidPattern && brush_.color().alpha() < 255)
            doc_ += " fill-opacity=\"" + num(brush_.color().alphaF()) + '"';
        if (strokes) writeStroke(stroke, plain);
        if (!aliased()) doc_ += " shape-rendering=\"auto\"";
        if (opacity_ < 1) doc_ += " opacity=\"" + num(opacity_) + '"';
        doc_ += "/>\n";
    }

    void writeStroke(const QByteArray& paint, bool plain) {
        const QBrush brush = pen_.brush();
        doc_ += " stroke=\"" + paint + '"';
        if (brush.style() == Qt::SolidPattern && brush.color().alpha() < 255)
            doc_ += " stroke-opacity=\"" + num(brush.color().alphaF()) + '"';
        // A cosmetic pen keeps its width in pixels whatever the transform.
        const bool cosmetic = pen_.isCosmetic();
        const qreal width = cosmetic ? (pen_.widthF() > 0 ? pen_.widthF() : 1) : pen_.widthF();
        if (width != 1) doc_ += " stroke-width=\"" + num(width) + '"';
        if (cosmetic && !plain) doc_ += " vector-effect=\"non-scaling-stroke\"";
        // A dashed line one pixel wide drawn without antialiasing has dashes of the pattern's
        // length, as with flat caps.
        const bool dashed = pen_.style() != Qt::SolidLine && pen_.style() != Qt::NoPen;
        const Qt::PenCapStyle cap = dashed && aliased() && deviceWidth() <= 1 ? Qt::FlatCap : pen_.capStyle();
        switch (cap) {
        case Qt::FlatCap: doc_ += " stroke-linecap=\"butt\""; break;
        case Qt::RoundCap: doc_ += " stroke-linecap=\"round\""; break;
        default: break;
        }
        switch (pen_.joinStyle()) {
        case Qt::MiterJoin:
        case Qt::SvgMiterJoin:
            doc_ += " stroke-linejoin=\"miter\" stroke-miterlimit=\"" + num(std::max<qreal>(1, pen_.miterLimit())) + '"';
            break;
        case Qt::RoundJoin: doc_ += " stroke-linejoin=\"round\""; break;
        default: break;
        }
        if (dashed) {
            // Qt counts dashes in pen widths; a zero-width pen is one pixel wide.
            const qreal unit = width > 0 ? width : 1;
            QByteArray dashes;
            for (qreal v : pen_.dashPattern()) dashes += (dashes.isEmpty() ? "" : " ") + num(v * unit);
            if (!dashes.isEmpty()) {
                doc_ += " stroke-dasharray=\"" + dashes + '"';
                if (pen_.dashOffset() != 0) doc_ += " stroke-dashoffset=\"" + num(pen_.dashOffset() * unit) + '"';
            }
        }
    }

    QSize size_;
    QString title_, description_;
    QByteArray doc_;

    QTransform matrix_;
    QPen pen_;
    QBrush brush_;
    QPointF brushOrigin_;
    QPainter::RenderHints hints_;
    qreal opacity_ = 1;
    Clip clip_;
    bool clipEnabled_ = false;

    Clip openClip_;  ///< the clip of the group the next element goes into
    std::vector<std::pair<Clip, QByteArray>> clips_;
    std::vector<std::pair<QByteArray, QByteArray>> patterns_;
    int nextId_ = 0;
};

SvgPicture::SvgPicture(QSize size, const QString& title, const QString& description)
    : size_(size), engine_(std::make_unique<SvgPaintEngine>(size, title, description)) {}

SvgPicture::~SvgPicture() = default;

QPaintEngine* SvgPicture::paintEngine() const { return engine_.get(); }

QByteArray SvgPicture::document() const { return engine_->document(); }

int SvgPicture::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth: return size_.width();
    case PdmHeight: return size_.height();
    case PdmWidthMM: return qRound(size_.width() * 25.4 / kDpi);
    case PdmHeightMM: return qRound(size_.height() * 25.4 / kDpi);
    case PdmNumColors: return 0x7fffffff;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return kDpi;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    }
    return QPaintDevice::metric(metric);
}

}  // namespace kvx::exchange::ui
