#include <gtest/gtest.h>

#include <memory>

#include "db/shared_objects.h"
#include "startup/address_store.h"
#include "startup/demo_setup.h"
#include "startup/fload.h"
#include "startup/startup_fixtures.h"
#include "support/test_support.h"
#include "ui/markup.h"

using namespace ds;
using namespace ds::startup;
using namespace ds::test;

namespace {

// The login writes the operator's settings row into button captions; a caption nested far deeper than
// any markup used to overflow the stack there, so the program died at login.
TEST(DeepCaptionLogin, SettingsCaptionNestedSixteenThousandDeepShowsPlainText) {
    TempCwd cwd;
    DesktopScope desktop;
    AddressService service;
    ConfigScope configScope{service.url()};
    fload::SetMainWindowFactory([] { return NewBareMainWindow(); });

    const QString deep = QStringLiteral("<Run>").repeated(16000) + QStringLiteral("进入主页") +
                         QStringLiteral("</Run>").repeated(16000);
    const QString database = cwd.file(QStringLiteral("settings.db"));
    MakeSqliteFile(database, {ConfigTableSql(), ConfigRowSql(QStringLiteral("3.11"), QStringLiteral("a")),
                              QStringLiteral("UPDATE lconfig_all SET lhomeurl = '") + deep + u'\''});
    StoreAnswer(cwd.file(QStringLiteral("set.dat")), QStringLiteral("|data|") + DemoPayload(database),
                QStringLiteral("GBK"));

    auto start = std::make_unique<fload>();
    start->Form_Activate();
    start->findChild<QAbstractButton*>(QStringLiteral("llogin"))->click();

    std::unique_ptr<QWidget> main(start->mainWindow());
    ASSERT_TRUE(main && main->isVisible());
    EXPECT_TRUE(desktop->messages.empty());
    EXPECT_EQ(service.requests(), 0);
    auto* home = main->findChild<ui::MarkupButton*>(QStringLiteral("lhomeurl"));
    ASSERT_TRUE(home);
    EXPECT_EQ(home->caption(), deep);
    EXPECT_EQ(home->text(), QStringLiteral("进入主页"));
    home->resize(home->sizeHint());
    EXPECT_FALSE(home->grab().isNull());

    start.reset();
    main.reset();
    fload::SetMainWindowFactory({});
    ds::db::NewDbObjects();
}

}  // namespace
