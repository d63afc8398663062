#include "tools/page_view.h"

#include <QTextDocument>

#include "net/decode.h"
#include "net/fetch.h"
#include "tools/page_budget.h"
#include "ui/desktop.h"

namespace ds::tools {

namespace {

// What a picture the view did not fetch is shown as. It must not be a null image: on a null answer
// the document takes the picture's name for a file path and reads it from disk (an absolute path, or a
// relative name in the current folder), and a path naming a FIFO blocks the window for good.
const QImage& NoPicture() {
    static const QImage blank = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        return image;
    }();
    return blank;
}

}  // namespace

PageView::PageView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::openLink);
}

void PageView::showHtml(const QString& html, const QUrl& base) { show(html, base, ++request_); }

bool PageView::showAddress(const QString& url) {
    const quint64 request = ++request_;
    const net::PageReply page = net::GetPage(url);
    if (request != request_) return page.ok;
    if (!page.ok) {
        base_ = QUrl(url);
        pictures_.clear();
        clear();
        return false;
    }
    show(net::DecodePage(page.contentType, page.body), QUrl(page.url), request);
    return true;
}

void PageView::show(const QString& html, const QUrl& base, quint64 request) {
    base_ = base;
    pictures_.clear();
    // Decided before anything is laid out: a page over the budget would hold the window for seconds
    // or hours. Its text is still worth reading, and plain text lays out in proportion to its length.
    if (!FitsPageBudget(html)) {
        document()->setBaseUrl(base);
        setPlainText(PagePlainText(html));
        return;
    }
    if (!fetchPictures(html, request)) return;
    document()->setBaseUrl(base);
    setHtml(html);
}

bool PageView::fetchPictures(const QString& html, quint64 request) {
    int fetched = 0;
    for (const QString& address : PagePictureAddresses(html)) {
        if (fetched >= kMaxPictures) break;
        const QUrl url = base_.resolved(QUrl(address));
        if (pictures_.contains(url) || !net::IsWebAddress(url.toString())) continue;
        ++fetched;
        const net::PageReply reply = net::GetPage(url.toString());
        if (request != request_) return false;
        QImage picture;
        if (reply.ok && reply.status >= 200 && reply.status < 300) picture.loadFromData(reply.body);
        pictures_.insert(url, picture);
    }
    return true;
}

QVariant PageView::loadResource(int type, const QUrl& name) {
    // Never the base class, and never an empty answer: on either, the document reads relative and
    // file: addresses from the local disk itself. Empty text is an answer; for pictures, see NoPicture.
    if (type != QTextDocument::ImageResource) return QVariant(QString());
    const QImage picture = pictures_.value(base_.resolved(name));
    return QVariant(picture.isNull() ? NoPicture() : picture);
}

void PageView::openLink(const QUrl& link) {
    const QUrl target = base_.resolved(link);
    if (net::IsWebAddress(target.toString())) ui::desktop().shellOpen(target.toString());
}

}  // namespace ds::tools
