#pragma once
// Fetches a page's pictures after the page is on show: a few at a time on worker threads, each bounded
// by a short limit of its own, all ended when the page is replaced or its view goes away. The view
// collects what has arrived on its own thread (take()); nothing here touches a widget.
#include <QByteArray>
#include <QList>
#include <QUrl>
#include <memory>
#include <utility>

namespace ds::tools {

class PictureLoader {
public:
    // At most this many pictures are fetched at once, each for at most kPictureLimitMs.
    static constexpr int kParallel = 3;
    static constexpr int kPictureLimitMs = 10000;

    PictureLoader() = default;
    ~PictureLoader();  // cancels
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // Cancels what runs and starts fetching `urls` (http and https only).
    void start(const QList<QUrl>& urls);
    // Ends every fetch under way (within 50 ms); nothing more arrives.
    void cancel();
    // Pictures that arrived since the last call: address and the answer's body (empty when it failed).
    QList<std::pair<QUrl, QByteArray>> take();
    // True while fetches are under way or results wait to be taken.
    bool busy() const;

    struct Batch;  // shared with the workers

private:
    std::shared_ptr<Batch> batch_;
};

}  // namespace ds::tools
