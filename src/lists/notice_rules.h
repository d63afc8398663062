#pragma once
// The notice panels and links without windows: the markup of a price or promotion entry, the code a
// selected promotion carries, the advert draw and its click counter, and which addresses from the
// operator's database may be handed to the desktop.
#include <QString>
#include <optional>

namespace ds::lists {

inline constexpr char16_t kPriceStatement[] = u"select * from ldomainprice";
inline constexpr char16_t kPromotionStatement[] =
    u"select * from ldomainprom where datediff(day,getdate(),ltimeend)>=0";
inline constexpr char16_t kAdvertStatement[] = u"select * from lad where lkind=1";
inline constexpr char16_t kListFailureText[] = u"有错误发生，请重试：";

enum class NoticeList { Prices, Promotions };

// One entry of the price or promotion list: a bordered two-row grid, blue for the first entry (index
// 0) and orange after it. `first` is the extension or the description, `second` the price or the code
// (the code is shown in parentheses). The values are escaped: a quote, "<" or "&" typed by the operator
// shows as typed instead of ending the attribute or starting an element.
QString NoticeItemMarkup(NoticeList list, int index, const QString& first, const QString& second);

// The code of a selected promotion entry: the text between the first "(" of its markup and the next
// ")", with the markup's escapes undone. A description holding "(" thus gives the text after that
// parenthesis, as the entries always have.
QString PromotionCode(const QString& itemMarkup);

// Which advert of `count` a draw r in [0, 1) shows: 1 + the integer part of count × r (1 .. count).
int AdvertNumber(int count, double r);

// "update lad set lnum=lnum+1 where lid=<id>", or nothing when the shown advert's id is not a whole
// number (a hand-edited or odd value must not reach the statement).
std::optional<QString> AdvertClickStatement(const QString& advertId);

// The help page: the web edition's address followed directly by the page's name.
QString HelpAddress(const QString& webEditionAddress);

// The registrar's page for a domain: lbuyurl followed by the domain, or lbuyurl alone for a text
// without a ".".
QString RegistrationAddress(const QString& lbuyurl, const QString& domain);
// "选中域名  " + domain + "  已加入剪贴板".
QString ClipboardMessage(const QString& domain);

}  // namespace ds::lists
