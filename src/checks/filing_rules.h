#pragma once
// The decisions of the ICP filing check, apart from its loop: which name a grid cell is looked up
// under, and the statement that looks it up.
#include <QString>
#include <optional>

namespace ds::checks {

// The key under which ldomainback files a grid cell's domain, or nothing when the cell holds no name
// worth a query (no "." after at least one character). The cell is lower-cased and loses every
// "http://", "https://" and space, and one trailing "/"; one leading "www." and every "|" go before
// the lookup.
std::optional<QString> FilingLookupKey(const QString& domainCell);

// "select * from ldomainback where lallname='<key>'", the key's quotes doubled.
QString FilingStatement(const QString& key);

}  // namespace ds::checks
