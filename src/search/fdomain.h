#pragma once
// The main window: seven tab pages, the result grid and its paging bar, the option boxes of both
// searches, the live checks and the link buttons. Controls carry their names as objectName.
#include <QWidget>

namespace ds::search {

class Fdomain : public QWidget {
    Q_OBJECT
public:
    explicit Fdomain(QWidget* parent = nullptr);
    ~Fdomain() override;
};

}  // namespace ds::search
