// The real save dialog behind the desktop seam, driven as a user would: a name typed without a suffix
// is saved with the suffix of the filter chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "ui/desktop.h"

namespace {

// Types `name` into the open save dialog, picks filter `filterIndex` from its list, and saves.
void AnswerSaveDialog(const QString& name, int filterIndex) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(filters, nullptr);
        if (filters->currentIndex() != filterIndex) {
            filters->setCurrentIndex(filterIndex);
            // What a choice from the list sends.
            emit filters->activated(filterIndex);
            emit filters->textActivated(filters->currentText());
        }
        auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(box, nullptr);
        box->setText(name);
        static_cast<QDialog*>(dialog)->accept();  // as the save button does
    });
}


TEST(QtDesktopTest, SaveDialogGivesTheChosenFiltersSuffixToABareName) {
    QTemporaryDir dir;
    ds::ui::QtDesktop desktop;
    const QString filter = QStringLiteral("文本文件(*.txt);;表格文件(*.csv)");
    const QString suggested = QDir(dir.path()).filePath(QStringLiteral("domain"));
    const struct {
        QString typed;
        int filterIndex;
        QString saved;
    } cases[] = {
        {QStringLiteral("domain"), 0, QStringLiteral("domain.txt")},
        {QStringLiteral("domain"), 1, QStringLiteral("domain.csv")},
        {QStringLiteral("list.txt"), 1, QStringLiteral("list.txt")},  // a suffix typed is kept
    };
    for (const auto& c : cases) {
        AnswerSaveDialog(c.typed, c.filterIndex);
        // Should the dialog not be answered, it is closed, so that the test fails instead of hanging.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* open = QApplication::activeModalWidget()) open->close();
        });
        guard.start(5000);
        EXPECT_EQ(desktop.saveFileName(nullptr, QStringLiteral("保存"), filter, suggested),
                  QDir(dir.path()).filePath(c.saved))
            << c.typed.toStdString() << " " << c.filterIndex;
    }
}

}  // namespace
