// Markup captions: the operator's settings row and the lists put captions in a small XAML subset on
// buttons, labels and list entries. Whatever a caption holds, parsing it and laying out the rich text
// made from it must end, quickly, without touching memory it should not.
#include <QGuiApplication>
#include <QTextDocument>

#include "fuzz_support.h"
#include "ui/markup.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The layout needs fonts, so a GUI application; no display is needed for that.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const QString& caption : ds::fuzz::Texts(ds::fuzz::Bytes(data, size))) {
        const ds::ui::MarkupText m = ds::ui::ParseMarkup(caption);
        if (!caption.trimmed().startsWith(u'<'))
            ds::fuzz::Expect(m.plain == caption, "a caption that is not markup is its own plain text", caption);
        // As the widgets draw it.
        QTextDocument doc;
        doc.setDocumentMargin(0);
        doc.setHtml(m.html);
        doc.setTextWidth(-1);
        (void)doc.idealWidth();
        (void)doc.size();
    }
    return 0;
}
