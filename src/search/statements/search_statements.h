#pragma once
// The SQL text of the two searches, built from the option values alone. The text keeps the shapes the
// operator's server has always received (fragment order and spacing included); the only departure is
// that single quotes inside the keyword and extension captions are doubled, and that the row limit is
// always a whole number the engines accept (see RowLimitText).
#include <QString>

#include "search/statements/search_options.h"

namespace ds::search {

// Rows asked for at most: the largest value of a 32-bit signed integer. SQL Server's TOP takes a bigint,
// but no client holds more rows than this, and every engine we talk to parses it.
inline constexpr qint64 MaxRowLimit = 2147483647;

// The number after "top ": the leading numeric part of `text`, cut to a whole number and held within
// 0..MaxRowLimit. No digits (and anything below 1) gives 0, i.e. an empty result, as the edit box
// itself repairs such values before a search; 2.5 gives 2; 99999999999 gives MaxRowLimit.
QString RowLimitText(const QString& text);

// The keyword as it goes into the statement: lower-cased, every space removed, quotes doubled.
QString KeywordText(const QString& typed);

// "select top N * from ldomainreg where (lregist=1)..." for the tab "过期备案域名检索".
QString BuildFiledSearchStatement(const FiledSearchOptions& options);

// "select top N * from ldomainhis where (lregist=1)..." for the tab "过期域名综合检索".
QString BuildExpiredSearchStatement(const ExpiredSearchOptions& options);

}  // namespace ds::search
