#include "tools/picture_loader.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

#include "net/fetch.h"
#include "net/http_request.h"

namespace ds::tools {

// Shared by the view and the workers; workers that outlive a cancelled batch keep it alive themselves.
struct PictureLoader::Batch {
    std::mutex mutex;
    std::deque<QUrl> queue;
    QList<std::pair<QUrl, QByteArray>> done;
    int working = 0;
    std::atomic<bool> cancelled{false};
    net::RequestOptions options;
};

namespace {

void Work(std::shared_ptr<PictureLoader::Batch> batch) {
    for (;;) {
        QUrl url;
        {
            std::lock_guard<std::mutex> lock(batch->mutex);
            if (batch->queue.empty() || batch->cancelled) {
                --batch->working;
                return;
            }
            url = batch->queue.front();
            batch->queue.pop_front();
        }
        const net::RequestResult r =
            net::PerformRequest(url.toString(), batch->options, [&batch] { return batch->cancelled.load(); });
        std::lock_guard<std::mutex> lock(batch->mutex);
        if (batch->cancelled) {
            --batch->working;
            return;
        }
        batch->done.append({url, r.ok && r.status >= 200 && r.status < 300 ? r.body : QByteArray()});
    }
}

}  // namespace

PictureLoader::~PictureLoader() { cancel(); }

void PictureLoader::cancel() {
    if (batch_) batch_->cancelled = true;
    batch_.reset();
}

void PictureLoader::start(const QList<QUrl>& urls) {
    cancel();
    if (urls.isEmpty()) return;
    batch_ = std::make_shared<Batch>();
    // A page's pictures as a browser asks for them, but each bounded on its own: one dead picture host
    // costs one short limit, not the page's text.
    batch_->options = net::PlainOptions(false);
    batch_->options.followRedirects = true;
    batch_->options.totalTimeoutMs = std::min(batch_->options.totalTimeoutMs, kPictureLimitMs);
    for (const QUrl& url : urls)
        if (net::IsWebAddress(url.toString())) batch_->queue.push_back(url);
    const int workers = std::min<int>(kParallel, static_cast<int>(batch_->queue.size()));
    for (int i = 0; i < workers; ++i) {
        {
            std::lock_guard<std::mutex> lock(batch_->mutex);
            ++batch_->working;
        }
        try {
            std::thread(Work, batch_).detach();
        } catch (const std::system_error&) {
            std::lock_guard<std::mutex> lock(batch_->mutex);
            --batch_->working;  // no thread to be had: the pictures stay empty
        }
    }
}

QList<std::pair<QUrl, QByteArray>> PictureLoader::take() {
    if (!batch_) return {};
    std::lock_guard<std::mutex> lock(batch_->mutex);
    return std::exchange(batch_->done, {});
}

bool PictureLoader::busy() const {
    if (!batch_) return false;
    std::lock_guard<std::mutex> lock(batch_->mutex);
    return batch_->working > 0 || !batch_->done.isEmpty();
}

}  // namespace ds::tools
