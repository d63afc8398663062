#include "search/statements/search_options.h"

#include "core/clock.h"

namespace ds::search {

QList<ExtensionBox> DefaultExtensionBoxes() {
    static const char16_t* const captions[] = {u".com", u".net", u".org",  u".info", u".name",
                                               u".biz", u".us",  u".uk",   u".eu",   u".de",
                                               u".tk",  u".in",  u".co",   u".asia", u".cn"};
    QList<ExtensionBox> boxes;
    for (const char16_t* caption : captions) boxes.append({QString::fromUtf16(caption), 0});
    return boxes;
}

FiledSearchOptions FiledSearchOptions::Defaults() {
    FiledSearchOptions o;
    o.filingFrom = o.filingTo = ds::clock().today();
    return o;
}

ExpiredSearchOptions ExpiredSearchOptions::Defaults() {
    ExpiredSearchOptions o;
    o.deletionFrom = o.deletionTo = ds::clock().today();
    return o;
}

}  // namespace ds::search
