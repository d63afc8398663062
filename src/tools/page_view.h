#pragma once
// The side windows' page view. HTML is shown by QTextBrowser, which runs no scripts. Pictures come
// only from the web, fetched through the program's own fetch layer before the page is shown (a few,
// small ones); nothing is ever read from a local file, whatever the page asks for. A click on a link
// opens it in the user's browser.
#include <QHash>
#include <QImage>
#include <QTextBrowser>
#include <QUrl>

namespace ds::tools {

class PageView : public QTextBrowser {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    // Shows `html`; its relative addresses resolve against `base`. Its pictures are fetched first. The
    // window keeps handling events during fetches; when another page is asked for meanwhile, the one
    // asked for last is what stays on show. A page over the layout budget (page_budget.h) is shown at
    // once as its plain text, without pictures.
    void showHtml(const QString& html, const QUrl& base = {});
    // Fetches a web address and shows the page, decoded in the character set it names (GB2312 when it
    // names none). An address that is not http(s) is not fetched. False, with an empty view, when no
    // page came.
    bool showAddress(const QString& url);
    // The address of the page shown (empty for HTML given as text).
    QUrl pageAddress() const { return base_; }

    // At most this many pictures are fetched for one page.
    static constexpr int kMaxPictures = 12;

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    // False when a later request took over while the pictures were fetched.
    bool fetchPictures(const QString& html, quint64 request);
    void show(const QString& html, const QUrl& base, quint64 request);
    void openLink(const QUrl& link);

    quint64 request_ = 0;
    QUrl base_;
    QHash<QUrl, QImage> pictures_;
};

}  // namespace ds::tools
