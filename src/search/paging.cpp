#include "search/paging.h"

#include <cmath>

namespace ds::search {

qint64 PageCount(qint64 totalRows, int pageSize) {
    if (totalRows <= 0) return 0;
    const qint64 size = pageSize < 1 ? 1 : pageSize;
    return (totalRows + size - 1) / size;
}

qint64 ClampPage(double requested, qint64 pageCount) {
    double c = std::isnan(requested) ? 0.0 : requested;
    if (c > static_cast<double>(pageCount)) c = static_cast<double>(pageCount);
    if (c < 1) c = 1;
    // std::nearbyint follows the default rounding mode: halves go to the even neighbour.
    const auto page = static_cast<qint64>(std::nearbyint(c));
    return page < 1 ? 1 : page;
}

double FirstPageRequest() { return 1; }

double PreviousPageRequest(double v) { return v - 1; }

double NextPageRequest(double v) {
    const double next = v + 1;
    return next == 1 ? 2 : next;
}

}  // namespace ds::search
