#include "skin/frame_painter.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace ds::skin {
namespace {

void Put(QImage& dst, const QImage& src, const Copy& c) { Blit(dst, c.dstX, c.dstY, src, c.srcX, c.srcY, c.width, c.height); }

// Copies a finished strip to the window; the source is clipped to the buffer.
void Show(QPainter& target, const QImage& buffer, const Copy& c) {
    const QRect src = QRect(c.srcX, c.srcY, c.width, c.height) & buffer.rect();
    if (src.isEmpty()) return;
    const QRect dst(c.dstX + (src.x() - c.srcX), c.dstY + (src.y() - c.srcY), src.width(), src.height());
    target.drawImage(dst, buffer, src);
}
}  // namespace

void Blit(QImage& dst, int dx, int dy, const QImage& src, int sx, int sy, int w, int h) {
    if (dst.isNull() || src.isNull() || w <= 0 || h <= 0) return;
    // Clip against the source, then the destination, moving both corners together.
    auto clip = [&](int& a, int& b, int& len, int limitA, int limitB) {
        if (a < 0) { b -= a; len += a; a = 0; }
        if (b < 0) { a -= b; len += b; b = 0; }
        len = std::min({len, limitA - a, limitB - b});
    };
    clip(sx, dx, w, src.width(), dst.width());
    clip(sy, dy, h, src.height(), dst.height());
    if (w <= 0 || h <= 0) return;
    const size_t bytes = static_cast<size_t>(w) * 4;
    for (int row = 0; row < h; ++row) {
        const uchar* from = src.constScanLine(sy + row) + static_cast<size_t>(sx) * 4;
        uchar* to = dst.scanLine(dy + row) + static_cast<size_t>(dx) * 4;
        std::memmove(to, from, bytes);
    }
}

QString CaptionTitle(const QString& windowTitle) {
    static const QString name = QStringLiteral("DropScout");
    QString title = windowTitle.trimmed();
    if (title.startsWith(name) && (title.size() == name.size() || title.at(name.size()).isSpace()))
        title = title.mid(name.size()).trimmed();
    return title;
}

void FramePainter::setPictures(const QImage& caption, const QImage& borders) {
    // Opaque pictures stay opaque, so copying a finished strip to the window is a plain copy rather
    // than a conversion of every pixel.
    const bool opaque = !caption.hasAlphaChannel() && !borders.hasAlphaChannel();
    format_ = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    slot_[0] = caption.isNull() ? QImage() : caption.convertToFormat(format_);
    slot_[1] = borders.isNull() ? QImage() : borders.convertToFormat(format_);
    slot_[2] = slot_[3] = QImage();
}

PictureSizes FramePainter::sizes() const {
    return {slot_[0].width(), slot_[0].height(), slot_[1].width(), slot_[1].height()};
}

void FramePainter::drawTitle(QImage& row, const FrameState& state, int captionHeight) {
    if (state.title.isEmpty()) return;
    int end = state.width - 4;
    for (int b = 0; b < kButtonCount; ++b)
        if (state.buttons.present[b]) end = std::min(end, state.buttons.rect[b].left - 6);
    if (end <= kCaptionTitleX) return;
    QPainter text(&row);
    text.setRenderHint(QPainter::TextAntialiasing);
    text.setClipRect(kCaptionTitleX, 0, end - kCaptionTitleX, captionHeight);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(13);
    text.setFont(font);
    // Light on the dark caption, dimmer while the window is inactive.
    text.setPen(state.active ? QColor(212, 224, 252) : QColor(168, 178, 206));
    text.drawText(QPoint(kCaptionTitleX, kCaptionTitleBaseline), state.title);
}

QImage& FramePainter::grow(int slot, int width, int height) {
    QImage& img = slot_[slot];
    if (img.width() < width || img.height() < height || img.format() != format_) {
        // The content is lost, as the frame expects of a re-created buffer.
        img = QImage(std::max(img.width(), width), std::max(img.height(), height), format_);
        img.fill(Qt::transparent);
    }
    return img;
}

void FramePainter::paint(QPainter& target, const FrameSettings& s, const FrameState& state) {
    if (!hasPictures() || state.width <= 0 || state.height <= 0) return;
    const QImage& caption = slot_[0];
    const QImage& borders = slot_[1];
    const PictureSizes p = sizes();
    const int W = state.width, H = state.height;
    const int xOffset = state.active ? 0 : s.p_Offset;
    const bool smooth = target.device() && target.device()->devicePixelRatio() > 1.0;
    target.save();
    target.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    target.setCompositionMode(QPainter::CompositionMode_Source);

    // Caption row.
    QImage& row = grow(2, W, p.captionHeight);
    const CaptionLayout c = LayoutCaption(W, s, p, xOffset);
    Put(row, caption, c.left);
    Put(row, caption, c.right);
    if (c.stretch.width > 0) {
        Put(row, caption, c.stretch);
        for (const Span& span : DoublingCopies(c.stretch.dstX, c.stretch.width, c.middleEnd))
            Blit(row, span.to, 0, row, span.from, 0, span.length, p.captionHeight);
    }
    for (int b = 0; b < kButtonCount; ++b) {
        if (!state.buttons.present[b]) continue;
        const WinRect& at = state.buttons.rect[b];
        const bool down = state.pressed[b] && at.contains(state.pointer.x(), state.pointer.y());
        Put(row, caption, ButtonImage(static_cast<Button>(b), at, s, state.active, state.maximized, down));
    }
    drawTitle(row, state, p.captionHeight);
    Show(target, row, {0, 0, W, p.captionHeight, 0, 0});

    // Side edges: both edge cells side by side, doubled downwards until they cover the window.
    const int cell = CellSize(s, p);
    if (cell > 0 && H > p.captionHeight) {
        QImage& edges = grow(3, 2 * p.bordersWidth, H + 1);
        const EdgeLayout e = LayoutEdges(W, H, s, p, state.active);
        Put(edges, borders, e.leftCell);
        Put(edges, borders, e.rightCell);
        for (const Span& span : DoublingCopies(0, cell, H))
            Blit(edges, 0, span.to, edges, 0, span.from, 2 * cell, span.length);
        Show(target, edges, e.leftEdge);
        Show(target, edges, e.rightEdge);
    }

    // Bottom row, in the caption row's buffer.
    if (cell > 0) {
        QImage& bottom = grow(2, W + 1, cell);
        const BottomLayout b = LayoutBottom(W, H, s, p, state.active, state.sizable);
        Put(bottom, borders, b.edge);
        for (const Span& span : DoublingCopies(0, cell, W)) Blit(bottom, span.to, 0, bottom, span.from, 0, span.length, cell);
        Put(bottom, borders, b.leftCorner);
        Put(bottom, borders, b.rightCorner);
        Show(target, bottom, b.row);
    }
    target.restore();
}

}  // namespace ds::skin
