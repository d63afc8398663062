#pragma once
// Captions in a small XAML subset: <TextBlock> with <Run> pieces carrying FontWeight, Foreground and
// TextDecorations; lists may wrap them in Border / Grid / StackPanel. A caption that does not start
// with '<' is plain text. The widgets below draw the markup with QTextDocument inside their contents
// rectangle and keep the plain text as their Qt text, so sizes, accessibility and tests see plain text.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStyledItemDelegate>

namespace ds::ui {

struct MarkupText {
    QString html;   // rich text for QTextDocument (plain captions are escaped)
    QString plain;  // the caption's text with all markup removed
};

// Never fails: malformed markup is shown as its plain text, and so is markup nested deeper than 64
// elements or 8 boxes (Border, Grid, StackPanel), which would exhaust the stack or the layout.
MarkupText ParseMarkup(const QString& caption);

// Role under which item models keep an entry's raw caption (the display role keeps its plain text).
inline constexpr int MarkupRole = Qt::UserRole + 77;

class MarkupButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit MarkupButton(const QString& caption = {}, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString caption_;
    QString html_;
};

class MarkupRadio : public QRadioButton {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit MarkupRadio(const QString& caption = {}, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString caption_;
    QString html_;
};

class MarkupCheck : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit MarkupCheck(const QString& caption = {}, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QSize sizeHint() const override;
    // Checked counts as value 1, unchecked as 0.
    int value() const { return isChecked() ? 1 : 0; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString caption_;
    QString html_;
};

// A label whose caption may be markup (QLabel renders the rich text itself).
class MarkupLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit MarkupLabel(const QString& caption = {}, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    // The caption without markup (QLabel::text() holds the rendered rich text).
    QString plainText() const { return plain_; }

private:
    QString caption_;
    QString plain_;
};

// Draws the MarkupRole of combo-box entries and list items as rich text.
class MarkupItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace ds::ui
