#pragma once
// Draws the skinned frame from the caption strip and the border strip. The pieces are put together in
// off-screen images (the caption row, then the bottom row, in one work buffer; both side edges in
// another) and each finished strip is copied to the target once. Repeated pieces are filled by
// doubling copies, so a wide or tall window costs only a few more copies. Work buffers only grow.
//
// The target painter works in the window's logical pixels: at a device pixel ratio above 1 the
// finished strips are scaled smoothly while every position stays logical.
#include <QImage>
#include <QPoint>
#include <QString>

#include "skin/frame_rules.h"

class QPainter;

namespace ds::skin {

struct FrameState {
    int width = 0, height = 0;
    bool active = true;
    bool maximized = false;
    bool sizable = true;
    ButtonLayout buttons;
    Pressed pressed{};
    QPoint pointer{-1, -1};  // window coordinates; a pressed button is drawn pressed only under it
    QString title;           // written after the program's name, which the caption picture carries
};

// The caption picture carries the program's emblem and name; each window writes its own caption after
// them, from this x, with this baseline, and never under a caption button.
inline constexpr int kCaptionTitleX = 130;
inline constexpr int kCaptionTitleBaseline = 21;
// The part of a window's title that its caption writes: the title without the program's name in
// front, which the picture already shows ("DropScout 过期域名助手" writes "过期域名助手").
QString CaptionTitle(const QString& windowTitle);

class FramePainter {
public:
    // Copies of the pictures become slots 0 (caption strip) and 1 (border strip).
    void setPictures(const QImage& caption, const QImage& borders);
    bool hasPictures() const { return !slot_[0].isNull() && !slot_[1].isNull(); }
    PictureSizes sizes() const;

    void paint(QPainter& target, const FrameSettings& s, const FrameState& state);

private:
    QImage& grow(int slot, int width, int height);
    void drawTitle(QImage& row, const FrameState& state, int captionHeight);
    QImage slot_[4];
    QImage::Format format_ = QImage::Format_ARGB32_Premultiplied;
};

// Copies w × h pixels from src (sx, sy) to dst (dx, dy), clipped to both images; both hold 32-bit
// pixels of the same format. src may be dst when the two areas do not overlap, as in the doubling
// copies.
void Blit(QImage& dst, int dx, int dy, const QImage& src, int sx, int sy, int w, int h);

}  // namespace ds::skin
