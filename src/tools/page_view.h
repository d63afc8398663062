#pragma once
// The side windows' page view. HTML is shown by QTextBrowser, which runs no scripts. The page's text
// shows at once; its pictures come afterwards, only from the web, fetched a few at a time, each within
// a short limit of its own, and dropped when the page is replaced; nothing is ever read from a local
// file, whatever the page asks for. A click on a link opens it in the user's browser.
#include <QHash>
#include <QImage>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include "net/fetch.h"
#include "tools/picture_loader.h"

namespace ds::tools {

class PageView : public QTextBrowser {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    // Shows `html` at once; its relative addresses resolve against `base`, and its pictures fill in as
    // they arrive. A page over the layout budget (page_budget.h) is shown as its plain text, without
    // pictures.
    void showHtml(const QString& html, const QUrl& base = {});
    // Fetches a web address and shows the page, decoded in the character set it names (GB2312 when it
    // names none). An address that is not http(s) is not fetched. The window keeps handling events during
    // the fetch; when another page is asked for meanwhile, the one asked for last is what stays on show.
    // The reply (ok false, with its error, when no page came; then the view is left empty).
    net::PageReply showAddress(const QString& url);
    // Ends the pictures still on their way.
    void stopPictures();
    bool picturesLoading() const { return pictures_loader_.busy(); }

    // The address of the page shown (empty for HTML given as text).
    QUrl pageAddress() const { return base_; }

    // At most this many pictures are fetched for one page.
    static constexpr int kMaxPictures = 12;

signals:
    // A click on a link that stays in the program ("#name" in the page).
    void internalLink(const QString& name);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void show(const QString& html, const QUrl& base);
    void takePictures();
    void openLink(const QUrl& link);

    quint64 request_ = 0;
    QUrl base_;
    QString html_;
    QHash<QUrl, QImage> pictures_;
    PictureLoader pictures_loader_;
    QTimer picturePoll_;
};

}  // namespace ds::tools
