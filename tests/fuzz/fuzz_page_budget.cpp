// The page view's layout budget: whois and search pages come from servers the program does not control,
// and the budget decides, before any layout, whether a page is laid out as HTML or shown as plain text.
// Whatever a page holds, the decision, the plain text and the picture list must end quickly and keep
// their limits, and a page the budget lets through must lay out quickly.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTextDocument>

#include "fuzz_support.h"
#include "tools/page_budget.h"

using namespace ds::tools;

namespace {

// As the view answers resources: never from disk (a plain QTextDocument would read file paths).
class Document : public QTextDocument {
protected:
    QVariant loadResource(int type, const QUrl&) override {
        if (type != QTextDocument::ImageResource) return QVariant(QString());
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
};

bool Breaks(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\n' || u == u'\t' || (u >= 0x3040 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x4DBF) ||
           (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The layout needs fonts, so a GUI application; no display is needed for that.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small limits, so that short inputs reach every one of them.
    PageBudget budget;
    budget.maxChars = 4096;
    budget.maxTableDepth = 4;
    budget.maxOpenElements = 24;
    budget.maxRun = 64;
    budget.maxTableWork = 1 << 14;
    budget.maxPlainChars = 2048;
    budget.plainRun = 32;
    for (const QString& html : ds::fuzz::Texts(ds::fuzz::Bytes(data, size))) {
        const bool fits = FitsPageBudget(html, budget);
        ds::fuzz::Expect(!fits || html.size() <= budget.maxChars, "a page over the size limit is never laid out");

        const QString plain = PagePlainText(html, budget);
        ds::fuzz::Expect(plain.size() <= budget.maxPlainChars + QStringView(PageCutText).size(),
                         "the plain text is bounded", plain.left(200));
        qsizetype run = 0;
        for (const QChar c : plain) {
            run = Breaks(c) ? 0 : run + 1;
            ds::fuzz::Expect(run <= budget.plainRun, "the plain text has no long unbroken run", plain.left(200));
        }
        (void)PagePictureAddresses(html);

        if (!fits) continue;
        // As the view lays it out: a page the budget let through is laid out at once.
        QElapsedTimer clock;
        clock.start();
        Document doc;
        doc.setTextWidth(300);
        doc.setHtml(html);
        (void)doc.size();
        ds::fuzz::Expect(clock.elapsed() < 3000, "a page within the budget lays out quickly", html.left(200));
    }
    return 0;
}
