#include "search/statements/option_readers.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QWidget>

#include "search/fdomain_rules.h"

using namespace Qt::StringLiterals;

namespace ds::search {
namespace {

QString ArrayName(const QString& name, int index) { return name + u'(' + QString::number(index) + u')'; }

const QAbstractButton* Button(const QWidget* form, const QString& name) {
    return form->findChild<const QAbstractButton*>(name);
}

// A check box's value: 1 when checked, 0 when not.
void ReadBox(const QWidget* form, const QString& name, int& value) {
    if (const QAbstractButton* b = Button(form, name)) value = b->isChecked() ? 1 : 0;
}

template <size_t N>
void ReadBoxArray(const QWidget* form, const QString& name, std::array<int, N>& values) {
    for (size_t i = 0; i < N; ++i) ReadBox(form, ArrayName(name, int(i)), values[i]);
}

template <size_t N>
void ReadBoxes(const QWidget* form, const QString (&names)[N], std::array<int, N>& values) {
    for (size_t i = 0; i < N; ++i) ReadBox(form, names[i], values[i]);
}

void ReadText(const QWidget* form, const QString& name, QString& text) {
    if (const auto* edit = form->findChild<const QLineEdit*>(name)) text = WithoutNul(edit->text());
    else if (const auto* spin = form->findChild<const QAbstractSpinBox*>(name)) text = WithoutNul(spin->text());
}

void ReadDate(const QWidget* form, const QString& name, QDate& date) {
    if (const auto* edit = form->findChild<const QDateTimeEdit*>(name)) date = edit->date();
}

// A group of three radio buttons. Only one can be selected; when none of the present buttons is, the
// first one (a missing first button reads as selected by default) decides as in the search: not "all"
// and not the second choice means the third.
void ReadChoice(const QWidget* form, const QString& prefix, int& choice) {
    const QAbstractButton* buttons[3] = {Button(form, prefix + u'1'), Button(form, prefix + u'2'),
                                         Button(form, prefix + u'3')};
    if (!buttons[0] && !buttons[1] && !buttons[2]) return;
    for (int i = 0; i < 3; ++i)
        if (buttons[i] && buttons[i]->isChecked()) {
            choice = i;
            return;
        }
    choice = buttons[0] ? 2 : 0;
}

// The single extension boxes name(0), name(1), ...: their plain captions and values. The markup
// buttons keep their caption's plain text as the button text.
void ReadExtensions(const QWidget* form, const QString& name, QList<ExtensionBox>& boxes) {
    for (int i = 0;; ++i) {
        const QAbstractButton* b = Button(form, ArrayName(name, i));
        if (!b && i >= boxes.size()) break;
        if (i >= boxes.size()) boxes.append(ExtensionBox{});
        if (!b) continue;
        boxes[i].caption = b->text();
        boxes[i].checked = b->isChecked() ? 1 : 0;
    }
}

}  // namespace

FiledSearchOptions ReadFiledSearchOptions(const QWidget* form) {
    FiledSearchOptions o = FiledSearchOptions::Defaults();
    if (!form) return o;
    ReadChoice(form, u"lreg"_s, o.state);
    ReadChoice(form, u"lkind"_s, o.holderKind);
    ReadBox(form, u"lnum3"_s, o.lengthAll);
    ReadText(form, u"lnum1"_s, o.lengthFrom);
    ReadText(form, u"lnum2"_s, o.lengthTo);
    ReadBox(form, u"ltime3"_s, o.filingDateAll);
    ReadDate(form, u"ltime1"_s, o.filingFrom);
    ReadDate(form, u"ltime2"_s, o.filingTo);
    ReadText(form, u"lfind"_s, o.keyword);
    ReadBox(form, u"lcodent(0)"_s, o.keywordLeft);
    ReadBox(form, u"lcodent(1)"_s, o.keywordRight);
    ReadBoxArray(form, u"lnormal"_s, o.metrics);
    static const QString compose[4] = {u"lcomposenum1"_s, u"lcomposenum2"_s, u"lcomposenum3"_s,
                                       u"lcomposenum4"_s};
    ReadBoxes(form, compose, o.compose);
    ReadBox(form, u"lextendnum1"_s, o.extensionAll);
    ReadExtensions(form, u"lextendnum"_s, o.extensions);
    ReadBoxArray(form, u"lordernum"_s, o.sortKeys);
    ReadText(form, u"lmaxnum"_s, o.rowLimit);
    return o;
}

ExpiredSearchOptions ReadExpiredSearchOptions(const QWidget* form) {
    ExpiredSearchOptions o = ExpiredSearchOptions::Defaults();
    if (!form) return o;
    ReadBox(form, u"slnum3"_s, o.lengthAll);
    ReadText(form, u"slnum1"_s, o.lengthFrom);
    ReadText(form, u"slnum2"_s, o.lengthTo);
    ReadText(form, u"slfind"_s, o.keyword);
    ReadBox(form, u"slcodent(0)"_s, o.keywordLeft);
    ReadBox(form, u"slcodent(1)"_s, o.keywordRight);
    ReadText(form, u"stxtUpDown1"_s, o.minPageRank);
    ReadText(form, u"stxtUpDown2"_s, o.minBaiduIndexed);
    ReadText(form, u"stxtUpDown3"_s, o.maxAlexa);
    ReadText(form, u"stxtUpDown4"_s, o.minBaiduLinks);
    static const QString compose[4] = {u"slcomposenum1"_s, u"slcomposenum2"_s, u"slcomposenum3"_s,
                                       u"slcomposenum4"_s};
    ReadBoxes(form, compose, o.compose);
    ReadBox(form, u"sltime3"_s, o.deletionDateAll);
    ReadDate(form, u"sltime1"_s, o.deletionFrom);
    ReadDate(form, u"sltime2"_s, o.deletionTo);
    ReadChoice(form, u"slreg"_s, o.state);
    ReadBox(form, u"slextendnum1"_s, o.extensionAll);
    ReadExtensions(form, u"slextendnum"_s, o.extensions);
    ReadBoxArray(form, u"slordernum"_s, o.sortKeys);
    ReadText(form, u"lmaxnum"_s, o.rowLimit);
    return o;
}

}  // namespace ds::search
