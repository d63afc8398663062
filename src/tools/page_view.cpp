#include "tools/page_view.h"

#include <QRegularExpression>
#include <QTextDocument>

#include "net/decode.h"
#include "net/fetch.h"
#include "ui/desktop.h"

namespace ds::tools {

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
    if (!fetchPictures(html, request)) return;
    document()->setBaseUrl(base);
    setHtml(html);
}

bool PageView::fetchPictures(const QString& html, quint64 request) {
    static const QRegularExpression img(QStringLiteral(R"(<img\b[^>]*?\bsrc\s*=\s*["']?([^"'\s>]+))"),
                                        QRegularExpression::CaseInsensitiveOption);
    int fetched = 0;
    for (auto it = img.globalMatch(html); it.hasNext() && fetched < kMaxPictures;) {
        const QUrl url = base_.resolved(QUrl(it.next().captured(1)));
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
    // file: addresses from the local disk itself. An empty picture or text is an answer.
    if (type != QTextDocument::ImageResource) return QVariant(QString());
    return QVariant(pictures_.value(base_.resolved(name)));
}

void PageView::openLink(const QUrl& link) {
    const QUrl target = base_.resolved(link);
    if (net::IsWebAddress(target.toString())) ui::desktop().shellOpen(target.toString());
}

}  // namespace ds::tools
