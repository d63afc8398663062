#pragma once
// The demo's answers for the domain and IP window, and the name map that lets the demo's names resolve
// without a network: the search engine's "ip:" result pages, the location service's own-address page,
// its location page with the flag pictures, and the hosts file.
//
// The demo's names live on a few shared addresses taken from the documentation ranges (RFC 5737),
// which belong to no one, so a name map pointing at them can never send the user's traffic anywhere.
// Every answer depends only on the address or the domain asked about.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ds::demo {

// The shared addresses, in a fixed order.
const QStringList& SharedAddresses();
// The shared address a demo domain lives on (one in ten on the one whose location is refused).
QString DemoAddressFor(const QString& domain);
// The names that live on a shared address, as the search engine writes them (some with "www."); none
// for any other address.
QStringList NamesOn(const QString& address);

// --- The search engine ------------------------------------------------------------------------------
inline constexpr int kResultsPerPage = 10;
// How many result pages follow the first for "ip:<address>": 3 to 5 for a shared address, 0 for any
// other (the search engine knows no names there).
int FurtherResultPages(const QString& address);
// The <cite> entries of every result page, the first page's ten first. Among the names of the
// address they hold repeats, entries with a scheme ("http://www.x.com/..."), which the window reads
// as no name at all, and names that live on another shared address, which it must leave out.
QStringList ResultCites(const QString& address);
// The result page that starts at result `first` (11, 21, ...; 0 or 1 for the first page). The first
// page links the further pages with "first=" (the count the window reads); a page past the last, and
// every page of an address without names, has no results.
QString ResultPage(const QString& address, int first);

// --- The location service ---------------------------------------------------------------------------
// The own-address page "/ib1": five bold values, the user's WAN address, ISP, country, province and
// city.
QString OwnAddressPage();
inline constexpr char kOwnWanAddress[] = "198.51.100.23";

enum class LocationKind { Table, QuotaExceeded };
// The shared address of the refusing kind, and one in ten other addresses, get the daily-quota page.
LocationKind LocationKindFor(const QString& address);
// The page "/<address>": the location table with its English row labels and a flag picture
// "/images/flags/<cc>.png", or the quota page.
QString LocationPage(const QString& address);
// The flag picture of a country code the location pages use ("cn", "hk", "us"), as PNG; empty for
// any other code.
QByteArray FlagPng(const QString& countryCode);

// --- The name map -----------------------------------------------------------------------------------
// A hosts file: every domain of `rows` (lower case, with its "www." form) on its DemoAddressFor, then
// every name the search engine lists on the shared addresses on its own address. A name is written
// once, at its first place.
QString HostsText(const QStringList& rows);

}  // namespace ds::demo
