#pragma once
// The decisions of the side windows, apart from their windows: how a typed domain is cleaned, what a
// pasted list becomes, and how the pages of the search engine and the location service are read.
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

namespace ds::tools {

// --- Whois and filing windows ----------------------------------------------------------------------
// The domain as the whois and filing windows look it up: every space removed, lower case, then every
// "http://" and every "www." removed (anywhere, not only at the start).
QString LookupDomain(const QString& typed);
// True when the text has a "." after its first character: only such a text is worth a lookup.
bool HasDotAfterFirst(const QString& text);

// --- Paste list ------------------------------------------------------------------------------------
// The names a pasted list puts into the grid, in order: every space removed, split at line feeds,
// carriage returns dropped, and only the pieces that contain a "." kept.
QStringList PastedDomains(const QString& text);

// Twips (1/1440 inch) in pixels at `dpi` dots per inch, rounded.
int TwipsToPixels(int twips, double dpi);

// Where the paste box goes in the screen's free area `area` (a panel on the left or top moves the
// area's edge): 3375 twips wide, down the right edge 100 twips from the top, as tall as 9285 twips or
// the area allows, and always wholly inside the area.
QRect PasteBoxGeometry(const QRect& area, double dpi);

// --- Domain and IP window --------------------------------------------------------------------------
// The domain as Fip looks it up: every space removed, lower case (a scheme or "www." stays; the
// resolver deals with them).
QString IpLookupDomain(const QString& typed);

// The own-address page: the texts of its bold values 1 to 5 (WAN IP, ISP, country, province, city),
// read only when the page splits at "<b>" into more than three pieces and holds "</b>". Fewer than five
// values give a shorter list; the fields beyond it keep their text.
QStringList OwnAddressValues(const QString& page);

// How many further result pages the search engine offers: the occurrences of "first=" in its
// (lower-cased) first page. Pages 2 .. N are fetched with "&first=" 11, 21, ...
int ResultPageMarkers(const QString& lowerCasedFirstPage);
// The "first=" value of result page i (1-based among the further pages): 10·i + 1.
int FirstParameter(int i);

// The host names of a result page, one per "<cite>" entry in order (duplicates kept): the entry's text
// before its first "/", with every "<" and every space removed, when it has a "." after its first
// character. A page without "<cite>" past its first character gives none.
QStringList CiteHosts(const QString& page);

// The location service's answer turned into what the location view shows.
struct LocationAnswer {
    enum Kind { Table, QuotaExceeded, NoData } kind = NoData;
    QString html;  // the table (Kind Table) or the message to show
};
// `flagBase` is the service's web host (no trailing slash), which the flag pictures are made absolute
// on; `adminContact` follows the "no data" message.
LocationAnswer ReadLocationPage(const QString& page, const QString& flagBase, const QString& adminContact);

inline constexpr char16_t kIpFailedText[] = u"域名IP获取失败，可能此域名已过期";
inline constexpr char16_t kQuotaText[] = u"对不起，但你已超过IP当天查询次数，请明天再试或更换IP后重新使用。";
inline constexpr char16_t kNoDataText[] = u"对不起，没有查到相关数据，请稍后重试或联系管理员";

}  // namespace ds::tools
