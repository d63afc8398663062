#pragma once
// The skins of the five windows that carry the skinned frame: the main window Fdomain, the start-up
// window fload and the side windows fback, Fwhois and Fip. Each applies its skin at the end of its
// load; here that is the first polish (or show) of a top-level widget with one of those names, seen
// by an application-wide watcher, so the windows' own files need not know about skins.
#include <QColor>
#include <QImage>
#include <QStringList>

#include "skin/frame_rules.h"

class QWidget;

namespace ds::skin {

class cNeoClass;

// The object names of the skinned windows.
const QStringList& SkinnedForms();

// Watches for the skinned windows and runs Set_Skin on each, once. With the configuration key
// Skin=0 the windows keep their system frame. Safe to call more than once.
void InstallFormSkins();

// The frame values every skinned window uses (the pictures are picResource(6) and picResource(7)).
FrameSettings FormFrameSettings();

// A fresh frame object from the form's two pictures, attached to the form, then the tag colours.
// Calling it again replaces the frame object; no error escapes.
void Set_Skin(QWidget& form);
// The form's frame object, nullptr when it has none.
cNeoClass* FrameOf(const QWidget& form);

// Controls whose "Tag" property reads "xb" or "xa" get the convention's text and background colours.
void ApplyTagColours(QWidget& form);
// Colours as stored in the platform's order: red in the low byte, blue in the high one.
QColor ColourFromStored(quint32 stored);
quint32 StoredFromColour(const QColor& colour);
inline constexpr quint32 kTagForeground = 9326653;   // 61, 80, 142
inline constexpr quint32 kTagBackgroundXb = 16315635;  // 243, 244, 248
// "xa" controls are input-like: the same text colour on plain white, so they stand out from the
// tinted "xb" panels.
inline constexpr quint32 kTagBackgroundXa = 16777215;  // 255, 255, 255

// The form's hidden pictures: 6 is the caption strip (478 × 32), 7 the border strip (42 × 6).
QImage picResource(int index);

}  // namespace ds::skin
