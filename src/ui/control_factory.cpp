#include "ui/control_factory.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "core/clock.h"
#include "ui/markup.h"

namespace ds::ui {

QString ArrayName(const QString& base, int index) {
    return base + u'(' + QString::number(index) + u')';
}

MarkupCheck* MakeCheck(QWidget* parent, const QString& name, const QString& caption, bool checked) {
    auto* c = new MarkupCheck(caption, parent);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

MarkupRadio* MakeRadio(QWidget* parent, const QString& name, const QString& caption, bool selected) {
    auto* r = new MarkupRadio(caption, parent);
    r->setObjectName(name);
    r->setChecked(selected);
    return r;
}

MarkupButton* MakeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new MarkupButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

MarkupLabel* MakeLabel(QWidget* parent, const QString& caption, const QString& name) {
    auto* l = new MarkupLabel(caption, parent);
    if (!name.isEmpty()) l->setObjectName(name);
    return l;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text, int width) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    if (width > 0) e->setFixedWidth(width);
    return e;
}

QDateEdit* MakeDate(QWidget* parent, const QString& name) {
    auto* d = new QDateEdit(ds::clock().today(), parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title) { return new QGroupBox(title, parent); }

QLabel* MakeValueLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->hide();
    return l;
}

}  // namespace ds::ui
