// Draws the skinned frame's two pictures into a folder (default: the current one):
//   caption.png  478 × 32  left piece (0-249), stretch column (251), right piece (251-350) and, from
//                          column 350, the close, restore, maximize and minimize buttons (32 × 16),
//                          their pressed images below them (rows 16-31)
//   borders.png   42 × 6   seven 6 × 6 cells: left edge, (unused), bottom-left corner, bottom edge,
//                          right edge, bottom-right corner, bottom-right grip
//   dropscout-48.png, dropscout-128.png, dropscout-256.png
//                          the program's icon for the desktop menu: the caption's emblem on a tile of
//                          the caption's blue, drawn at each size (not scaled from one picture)
// The frame places the buttons 6 pixels from the top of the caption, so their images carry the
// caption's own shading behind them (the frame copies pictures, it does not blend them).
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kWidth = 478, kHeight = 32;
constexpr int kButtonsAt = 350, kButtonW = 32, kButtonH = 16, kButtonTop = 6;

const QColor kOutline(34, 46, 92);
const QColor kHighlight(126, 148, 206);
const QColor kEdge(74, 96, 162);
const QColor kEdgeShade(60, 78, 140);
const QColor kInner(40, 54, 104);

// The caption's shading at row y: a light line under the outline, then dark blue getting deeper.
QColor CaptionRow(int y) {
    if (y == 0) return kOutline;
    if (y == 1) return kHighlight;
    if (y == kHeight - 1) return kInner;
    const double t = (y - 2) / double(kHeight - 4);
    return QColor(int(92 - 38 * t), int(114 - 42 * t), int(182 - 48 * t));
}

void FillCaption(QImage& img, int x0, int x1) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = x0; x < x1; ++x) img.setPixelColor(x, y, CaptionRow(y));
}

void DrawEmblem(QPainter& p) {
    // A drop with a lens in it: the program looks for names that have dropped.
    QPainterPath drop;
    drop.moveTo(16, 6);
    drop.cubicTo(20, 12, 25, 16, 25, 20);
    drop.cubicTo(25, 25, 21, 28, 16, 28);
    drop.cubicTo(11, 28, 7, 25, 7, 20);
    drop.cubicTo(7, 16, 12, 12, 16, 6);
    QLinearGradient fill(7, 6, 25, 28);
    fill.setColorAt(0, QColor(232, 244, 255));
    fill.setColorAt(1, QColor(120, 190, 240));
    p.setPen(QPen(QColor(24, 36, 80), 1));
    p.setBrush(fill);
    p.drawPath(drop);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 60, 130), 2));
    p.drawEllipse(QPointF(15, 20), 3.5, 3.5);
    p.drawLine(QPointF(17.8, 22.8), QPointF(21, 26));
}

void DrawTitle(QPainter& p) {
    QFont latin(QStringLiteral("DejaVu Sans"));
    latin.setPixelSize(15);
    latin.setBold(true);
    p.setFont(latin);
    p.setPen(QColor(20, 28, 60));
    p.drawText(QPoint(33, 22), QStringLiteral("DropScout"));
    p.setPen(Qt::white);
    p.drawText(QPoint(32, 21), QStringLiteral("DropScout"));
    // Each window writes its own caption after the name, from ds::skin::kCaptionTitleX (130).
}

// The desktop icon, `size` pixels square: drawn on a 256-unit canvas, the emblem's 32-unit drawing
// enlarged eight times in the middle of a rounded tile.
QImage Icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    const QRectF tile(12, 12, 232, 232);
    QLinearGradient blue(0, tile.top(), 0, tile.bottom());
    blue.setColorAt(0, CaptionRow(2));
    blue.setColorAt(1, CaptionRow(kHeight - 2));
    p.setPen(QPen(kOutline, 8));
    p.setBrush(blue);
    p.drawRoundedRect(tile, 44, 44);
    p.setPen(QPen(kHighlight, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(8, 8, -8, -8), 36, 36);
    p.translate(128, 132);
    p.scale(8, 8);
    p.translate(-16, -17);
    DrawEmblem(p);
    return img;
}

enum Glyph { CloseGlyph, RestoreGlyph, MaximizeGlyph, MinimizeGlyph };

void DrawButton(QImage& img, int k, bool pressed) {
    const int x0 = kButtonsAt + k * kButtonW, y0 = pressed ? kButtonH : 0;
    for (int y = 0; y < kButtonH; ++y)
        for (int x = 0; x < kButtonW; ++x) img.setPixelColor(x0 + x, y0 + y, CaptionRow(kButtonTop + y));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(x0, y0);
    const bool close = k == CloseGlyph;
    QLinearGradient face(0, 1, 0, 15);
    if (close) {
        face.setColorAt(0, pressed ? QColor(170, 52, 44) : QColor(232, 112, 100));
        face.setColorAt(1, pressed ? QColor(206, 84, 72) : QColor(178, 48, 40));
    } else {
        face.setColorAt(0, pressed ? QColor(70, 90, 156) : QColor(150, 170, 226));
        face.setColorAt(1, pressed ? QColor(110, 132, 198) : QColor(86, 108, 176));
    }
    p.setPen(QPen(close ? QColor(104, 26, 22) : kOutline, 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(1.5, 0.5, 28, 14), 3, 3);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(pressed ? 1 : 0, pressed ? 1 : 0);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    switch (k) {
    case CloseGlyph:
        p.setRenderHint(QPainter::Antialiasing);
        p.drawLine(QPointF(12, 4), QPointF(19, 11));
        p.drawLine(QPointF(19, 4), QPointF(12, 11));
        break;
    case RestoreGlyph:
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(13, 3, 6, 5);
        p.drawLine(13, 4, 19, 4);
        p.fillRect(10, 6, 7, 6, face);
        p.drawRect(10, 6, 6, 5);
        p.drawLine(10, 7, 16, 7);
        break;
    case MaximizeGlyph:
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(11, 3, 9, 8);
        p.drawLine(11, 4, 20, 4);
        break;
    case MinimizeGlyph: p.fillRect(11, 9, 9, 2, Qt::white); break;
    }
}

QImage Caption() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    FillCaption(img, 0, kWidth);
    for (int y = 0; y < kHeight; ++y) {
        img.setPixelColor(0, y, kOutline);
        if (y > 0) img.setPixelColor(1, y, kHighlight);
        // The right piece's last visible column is the window's right edge.
        img.setPixelColor(349, y, kOutline);
        if (y > 0) img.setPixelColor(348, y, kEdgeShade);
    }
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setClipRect(0, 0, 250, kHeight);
        DrawEmblem(p);
        DrawTitle(p);
    }
    for (int k = 0; k < 4; ++k) {
        DrawButton(img, k, false);
        DrawButton(img, k, true);
    }
    return img;
}

// One 6 × 6 cell of the border strip.
void Cell(QImage& img, int k, const std::function<QColor(int x, int y)>& colour) {
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) img.setPixelColor(k * 6 + x, y, colour(x, y));
}

QImage Borders() {
    QImage img(42, 6, QImage::Format_RGB32);
    // Left edge: outline, light line, blue, and a dark line along the client area.
    auto left = [](int x, int) { return x == 0 ? kOutline : x == 1 ? kHighlight : x == 5 ? kInner : kEdge; };
    // Right edge, seen after the left edge's inner column: blue, a shade, the outline.
    auto right = [](int x, int) { return x == 5 ? kOutline : x == 4 ? kEdgeShade : x == 3 ? kHighlight : kEdge; };
    // Bottom edge: a dark line under the client area, blue, a shade, the outline.
    auto bottom = [](int, int y) { return y == 0 ? kInner : y == 5 ? kOutline : y == 4 ? kEdgeShade : kEdge; };
    auto leftCorner = [&](int x, int y) {
        if (x == 0 || y == 5) return kOutline;
        if (y == 0 && x >= 5) return kInner;
        if (x == 1 && y < 5) return kHighlight;
        return y == 4 ? kEdgeShade : kEdge;
    };
    auto rightCorner = [&](int x, int y) {
        if (x == 5 || y == 5) return kOutline;
        if (y == 0 && x <= 0) return kInner;
        return (x == 4 || y == 4) ? kEdgeShade : kEdge;
    };
    Cell(img, 0, left);
    Cell(img, 1, bottom);
    Cell(img, 2, leftCorner);
    Cell(img, 3, bottom);
    Cell(img, 4, right);
    Cell(img, 5, rightCorner);
    // The grip: the fixed corner with three raised dots.
    Cell(img, 6, [&](int x, int y) {
        if ((x == 3 && y == 1) || (x == 1 && y == 3) || (x == 3 && y == 3)) return QColor(206, 216, 244);
        return rightCorner(x, y);
    });
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    const QString caption = out.filePath(QStringLiteral("caption.png"));
    const QString borders = out.filePath(QStringLiteral("borders.png"));
    if (!Caption().save(caption) || !Borders().save(borders)) {
        std::fprintf(stderr, "dropscout_skin_art: cannot write into %s\n", qPrintable(out.absolutePath()));
        return 1;
    }
    std::printf("%s\n%s\n", qPrintable(caption), qPrintable(borders));
    for (const int size : {48, 128, 256}) {
        const QString icon = out.filePath(QStringLiteral("dropscout-%1.png").arg(size));
        if (!Icon(size).save(icon)) {
            std::fprintf(stderr, "dropscout_skin_art: cannot write %s\n", qPrintable(icon));
            return 1;
        }
        std::printf("%s\n", qPrintable(icon));
    }
    return 0;
}
