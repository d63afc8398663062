#pragma once
// Paging arithmetic of the result grid: page count, the page actually shown for a requested number,
// and the numbers the paging buttons put into the requested-page holder. Plain values in and out.
#include <QtGlobal>

namespace ds::search {

// Pages of `pageSize` rows needed for `totalRows` rows (rounded up). A page size below 1 counts as 1.
qint64 PageCount(qint64 totalRows, int pageSize);

// The page shown for a requested number: above the page count gives the last page, then anything
// below 1 gives page 1 (so an empty result still shows page 1). Fractions round half to even, the way
// a number becomes a page position.
qint64 ClampPage(double requested, qint64 pageCount);

// What each paging button writes into the requested-page holder, from its current number `v`.
double FirstPageRequest();
double PreviousPageRequest(double v);
// One further, except that a search that started from the initial page 0 goes on to page 2: page 1
// is what it already shows.
double NextPageRequest(double v);

}  // namespace ds::search
