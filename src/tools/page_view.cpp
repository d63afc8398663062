#include "tools/page_view.h"

#include <QScrollBar>
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
    picturePoll_.setInterval(50);
    connect(&picturePoll_, &QTimer::timeout, this, &PageView::takePictures);
}

void PageView::showHtml(const QString& html, const QUrl& base) {
    ++request_;
    show(html, base);
}

net::PageReply PageView::showAddress(const QString& url) {
    const quint64 request = ++request_;
    stopPictures();
    const net::PageReply page = net::GetPage(url);
    if (request != request_) return page;
    if (!page.ok) {
        base_ = QUrl(url);
        html_.clear();
        pictures_.clear();
        clear();
        return page;
    }
    show(net::DecodePage(page.contentType, page.body), QUrl(page.url));
    return page;
}

void PageView::stopPictures() {
    pictures_loader_.cancel();
    picturePoll_.stop();
}

void PageView::show(const QString& html, const QUrl& base) {
    stopPictures();
    base_ = base;
    pictures_.clear();
    html_.clear();
    document()->setBaseUrl(base);
    // Decided before anything is laid out: a page over the budget would hold the window for seconds
    // or hours. Its text is still worth reading, and plain text lays out in proportion to its length.
    if (!FitsPageBudget(html)) {
        setPlainText(PagePlainText(html));
        return;
    }
    html_ = html;
    setHtml(html);
    QList<QUrl> wanted;
    for (const QString& address : PagePictureAddresses(html)) {
        if (wanted.size() >= kMaxPictures) break;
        const QUrl url = base_.resolved(QUrl(address));
        if (!wanted.contains(url) && net::IsWebAddress(url.toString())) wanted.append(url);
    }
    if (wanted.isEmpty()) return;
    pictures_loader_.start(wanted);
    picturePoll_.start();
}

// Pictures that arrived go into the page, which is laid out again where the reader is.
void PageView::takePictures() {
    const QList<std::pair<QUrl, QByteArray>> arrived = pictures_loader_.take();
    if (!pictures_loader_.busy()) picturePoll_.stop();
    bool shown = false;
    for (const auto& [url, body] : arrived) {
        QImage picture;
        picture.loadFromData(body);
        pictures_.insert(url, picture);
        shown = shown || !picture.isNull();
    }
    if (!shown || html_.isEmpty()) return;
    const int scrolled = verticalScrollBar()->value();
    setHtml(html_);
    verticalScrollBar()->setValue(scrolled);
}

QVariant PageView::loadResource(int type, const QUrl& name) {
    // Never the base class, and never an empty answer: on either, the document reads relative and
    // file: addresses from the local disk itself. Empty text is an answer; for pictures, see NoPicture.
    if (type != QTextDocument::ImageResource) return QVariant(QString());
    const QImage picture = pictures_.value(base_.resolved(name));
    return QVariant(picture.isNull() ? NoPicture() : picture);
}

void PageView::openLink(const QUrl& link) {
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        emit internalLink(link.fragment());
        return;
    }
    const QUrl target = base_.resolved(link);
    if (net::IsWebAddress(target.toString())) ui::desktop().shellOpen(target.toString());
}

}  // namespace ds::tools
