#include "search/window_settings.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>

#include "core/text.h"

namespace ds::search {
namespace {

QString& SettingsPath() {
    static QString path;
    return path;
}

// Version of the layout of the file: a file written by a later layout is read as far as its keys match.
constexpr int kFormat = 1;
const QString kGroup = QStringLiteral("options");
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kNormalKey = QStringLiteral("window/normal");
const QString kMaximizedKey = QStringLiteral("window/maximized");
const QString kTabKey = QStringLiteral("window/tab");

// "x y width height" with a size of at least 1 x 1 and coordinates a screen can have.
QRect RectValue(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QString) return {};
    const QStringList parts = stored.toString().simplified().split(u' ');
    if (parts.size() != 4) return {};
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok || v[i] < -100000 || v[i] > 100000) return {};
    }
    if (v[2] < 1 || v[3] < 1) return {};
    return {v[0], v[1], v[2], v[3]};
}

QString RectText(const QRect& r) {
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}
const QString kFormatKey = QStringLiteral("format");

QStringList Array(const QString& base, int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) names << base + u'(' + QString::number(i) + u')';
    return names;
}

QStringList Numbered(const QString& base, int from, int to) {
    QStringList names;
    for (int i = from; i <= to; ++i) names << base + QString::number(i);
    return names;
}

RememberedControls BuildRemembered() {
    RememberedControls r;
    for (const QString& p : {QStringLiteral("l"), QStringLiteral("sl")}) {
        r.switches << Numbered(p + u"reg", 1, 3) << Numbered(p + u"composenum", 1, 4) << Array(p + u"codent", 2)
                   << p + u"time3" << p + u"num3" << p + u"extendnum1" << Array(p + u"extendnum", 15);
        r.numbers << p + u"num1" << p + u"num2";
        r.dates << p + u"time1" << p + u"time2";
    }
    r.switches << Numbered(QStringLiteral("lkind"), 1, 3) << Array(QStringLiteral("lnormal"), 4)
               << Array(QStringLiteral("lordernum"), 10) << Array(QStringLiteral("slordernum"), 7)
               << Array(QStringLiteral("lshowset"), 3) << Array(QStringLiteral("louttext"), 4)
               << Array(QStringLiteral("lrankset"), 4) << QStringLiteral("lfoldpanel");
    r.numbers << Numbered(QStringLiteral("stxtUpDown"), 1, 4) << QStringLiteral("lmaxnum")
              << QStringLiteral("lsetrow") << QStringLiteral("lnewrowset") << QStringLiteral("lconcurrency(0)")
              << QStringLiteral("lskiphours");
    // The checks' 跳过 N 小时内查过的域名 option and 查询来源 (controls added by the registration check).
    r.switches << QStringLiteral("lskipfresh") << Array(QStringLiteral("lregsource"), 2);
    return r;
}

}  // namespace

void SetWindowSettingsPath(const QString& path) { SettingsPath() = path; }
QString WindowSettingsPath() { return SettingsPath(); }

QString DefaultWindowSettingsPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("window.ini"));
}

const RememberedControls& Remembered() {
    static const RememberedControls r = BuildRemembered();
    return r;
}

std::optional<bool> SwitchValue(const QVariant& stored) {
    if (stored.typeId() == QMetaType::Bool) return stored.toBool();
    const QString text = stored.toString().trimmed().toLower();
    if (text == u"true" || text == u"1") return true;
    if (text == u"false" || text == u"0") return false;
    return std::nullopt;
}

std::optional<QString> NumberText(const QVariant& stored) {
    static const QRegularExpression plain(QStringLiteral(R"(^\d+(?:\.\d+)?$)"));
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    const QString text = stored.toString().trimmed();
    if (text.size() > 18 || !plain.match(text).hasMatch()) return std::nullopt;
    return text;
}

std::optional<QDate> DateValue(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    const QDate date = QDate::fromString(stored.toString().trimmed(), Qt::ISODate);
    if (!date.isValid() || date.year() < 1900 || date.year() > 9999) return std::nullopt;
    return date;
}

ControlSnapshot ControlSnapshot::Take(const QWidget* form) {
    ControlSnapshot s;
    const RememberedControls& r = Remembered();
    for (const QString& name : r.switches)
        if (const auto* b = form->findChild<QAbstractButton*>(name)) s.values.insert(name, b->isChecked());
    for (const QString& name : r.numbers) {
        if (const auto* e = form->findChild<QLineEdit*>(name)) s.values.insert(name, e->text());
        if (const auto* b = form->findChild<QSpinBox*>(name)) s.values.insert(name, QString::number(b->value()));
    }
    for (const QString& name : r.dates)
        if (const auto* d = form->findChild<QDateEdit*>(name)) s.values.insert(name, d->date());
    return s;
}

void ControlSnapshot::applyTo(QWidget* form) const {
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QVariant& v = it.value();
        if (v.typeId() == QMetaType::Bool) {
            auto* b = form->findChild<QAbstractButton*>(it.key());
            if (!b) continue;
            // A group's radio button goes off when another goes on, never by itself.
            if (qobject_cast<QRadioButton*>(b) && !v.toBool()) continue;
            b->setChecked(v.toBool());
        } else if (v.typeId() == QMetaType::QDate) {
            if (auto* d = form->findChild<QDateEdit*>(it.key())) d->setDate(v.toDate());
        } else if (auto* e = form->findChild<QLineEdit*>(it.key())) {
            e->setText(v.toString());
        } else if (auto* b = form->findChild<QSpinBox*>(it.key())) {
            b->setValue(v.toString().toInt());  // the box keeps it within its range
        }
    }
}

std::optional<StoredWindowState> ReadWindowState(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return std::nullopt;
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) return std::nullopt;

    StoredWindowState state;
    const QVariant geometry = file.value(kGeometryKey);
    if (geometry.typeId() == QMetaType::QByteArray) state.geometry = geometry.toByteArray();
    state.placement.normal = RectValue(file.value(kNormalKey));
    state.placement.maximized = SwitchValue(file.value(kMaximizedKey)).value_or(false);
    if (const auto tab = NumberText(file.value(kTabKey)); tab && !tab->contains(u'.') && tab->size() < 3)
        state.placement.tab = tab->toInt();
    file.beginGroup(kGroup);
    const RememberedControls& r = Remembered();
    for (const QString& name : r.switches)
        if (const auto v = SwitchValue(file.value(name))) state.controls.values.insert(name, *v);
    for (const QString& name : r.numbers)
        if (const auto v = NumberText(file.value(name))) state.controls.values.insert(name, *v);
    for (const QString& name : r.dates)
        if (const auto v = DateValue(file.value(name))) state.controls.values.insert(name, *v);
    file.endGroup();
    return state;
}

bool WriteWindowState(const QString& path, const ControlSnapshot& controls, const WindowPlacement& placement) {
    if (path.isEmpty()) return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings file(path, QSettings::IniFormat);
    file.clear();
    file.setValue(kFormatKey, kFormat);
    if (placement.normal.isValid()) {
        file.setValue(kNormalKey, RectText(placement.normal));
        file.setValue(kMaximizedKey, placement.maximized);
    }
    if (placement.tab >= 0) file.setValue(kTabKey, QString::number(placement.tab));
    file.beginGroup(kGroup);
    for (auto it = controls.values.cbegin(); it != controls.values.cend(); ++it) {
        const QVariant& v = it.value();
        file.setValue(it.key(), v.typeId() == QMetaType::QDate ? QVariant(IsoDate(v.toDate())) : v);
    }
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}

}  // namespace ds::search
