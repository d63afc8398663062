#include "search/fdomain.h"

namespace ds::search {

Fdomain::Fdomain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Fdomain"));
    setWindowTitle(QStringLiteral("DropScout 过期域名助手"));
}

Fdomain::~Fdomain() = default;

}  // namespace ds::search
