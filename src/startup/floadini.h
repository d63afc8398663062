#pragma once
// The invisible first window: runs the component check after an installation (marked by
// "setdomain.ini"), opens the start-up window and closes itself.
#include <QPointer>
#include <QWidget>

#include "startup/components.h"

namespace ds::startup {

class fload;

class floadini : public QWidget {
    Q_OBJECT
public:
    explicit floadini(ComponentLists components, QWidget* parent = nullptr);
    // With the component lists of this installation.
    explicit floadini(QWidget* parent = nullptr);

    // The whole first stage.
    void Form_Load();
    // The start-up window it opened.
    fload* startWindow() const { return fload_; }

private:
    void CheckComponents();

    ComponentLists components_;
    QPointer<fload> fload_;
};

}  // namespace ds::startup
