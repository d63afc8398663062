#include "skin/form_skins.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include "core/config.h"
#include "skin/skinned_frame.h"

static void InitSkinArtwork() { Q_INIT_RESOURCE(skin_art); }

namespace ds::skin {
namespace {

const char kSkinnedMark[] = "_ds_skinApplied";

// Applies each window's skin when it is first polished, before it reaches the screen; a window that
// was already polished when the watcher came gets it when it is first shown.
class FormSkinWatcher : public QObject {
public:
    explicit FormSkinWatcher(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("formSkinWatcher")); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Polish || type == QEvent::Show) && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && !widget->property(kSkinnedMark).toBool() &&
                SkinnedForms().contains(widget->objectName())) {
                widget->setProperty(kSkinnedMark, true);
                Set_Skin(*widget);
            }
        }
        return false;
    }
};

}  // namespace

const QStringList& SkinnedForms() {
    static const QStringList names{QStringLiteral("Fdomain"), QStringLiteral("fload"), QStringLiteral("fback"),
                                   QStringLiteral("Fwhois"), QStringLiteral("Fip")};
    return names;
}

void InstallFormSkins() {
    if (!config().skin || !qApp) return;
    if (qApp->findChild<FormSkinWatcher*>(QStringLiteral("formSkinWatcher"), Qt::FindDirectChildrenOnly)) return;
    qApp->installEventFilter(new FormSkinWatcher(qApp));
}

QImage picResource(int index) {
    InitSkinArtwork();
    switch (index) {
    case 6: return QImage(QStringLiteral(":/skin/caption.png"));
    case 7: return QImage(QStringLiteral(":/skin/borders.png"));
    default: return {};
    }
}

cNeoClass* FrameOf(const QWidget& form) {
    return form.findChild<cNeoClass*>(QStringLiteral("cNeoClass"), Qt::FindDirectChildrenOnly);
}

FrameSettings FormFrameSettings() {
    FrameSettings s;
    s.p_BorderHasInactive = false;
    s.p_ControlHasInactive = true;
    s.p_ButtonHeight = 16;
    s.p_ButtonWidth = 32;
    s.p_ControlButtonPosition = true;
    s.p_ButtonOffsetX = -8;
    s.p_ButtonOffsetY = 6;
    s.p_LeftEnd = 250;
    s.p_ActiveRight = 251;
    s.p_RightEnd = 350;
    s.p_Offset = 0;
    s.p_LeftBorderWidth = 6;
    s.p_RightBorderWidth = 6;
    s.p_BottomBorderHeight = 4;
    s.p_TopBorderHeight = 6;
    return s;
}

void Set_Skin(QWidget& form) {
    if (config().skin) {
        try {
            delete FrameOf(form);
            auto* frame = new cNeoClass(&form);
            frame->p_Caption = picResource(6);
            frame->p_Borders = picResource(7);
            static_cast<FrameSettings&>(*frame) = FormFrameSettings();
            frame->Attach(&form);
        } catch (const std::exception&) {
            // A form whose frame cannot be made keeps its system frame.
        }
    }
    ApplyTagColours(form);
}

QColor ColourFromStored(quint32 stored) {
    return QColor(int(stored & 0xFF), int((stored >> 8) & 0xFF), int((stored >> 16) & 0xFF));
}

quint32 StoredFromColour(const QColor& colour) {
    return quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
}

void ApplyTagColours(QWidget& form) {
    for (QWidget* control : form.findChildren<QWidget*>()) {
        const QString tag = control->property("Tag").toString();
        quint32 background = 0;
        if (tag == u"xb")
            background = kTagBackgroundXb;
        else if (tag == u"xa")
            background = kTagBackgroundXa;
        else
            continue;
        QPalette palette = control->palette();
        const QColor fore = ColourFromStored(kTagForeground), back = ColourFromStored(background);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(role, fore);
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
            palette.setColor(role, back);
        control->setPalette(palette);
        control->setAutoFillBackground(true);
    }
}

}  // namespace ds::skin
