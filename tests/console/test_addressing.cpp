#include "console_fixture.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using kaltero::platform::PromptIcon;
using kaltero::testing::ConsoleFixture;

namespace {
const QColor kGreen(0x00, 0xC0, 0x00);
const QColor kLightYellow(0xFF, 0xFF, 0xC0);

struct Slots : ConsoleFixture {
    void enter(int s, const QString& answer) {
        prompts.answerInput(answer);
        ui().Car[s]->Btn_ClientNoSet->click();
    }
    bool setUpLook(int s) {
        auto& u = ui();
        const bool enabled = u.Car[s]->Cmb_Car->isEnabled() && u.Car[s]->Cmb_Driver->isEnabled() &&
                             u.Car[s]->Txt_OutMess->isEnabled() &&
                             u.Car[s]->Spd_Laps->isEnabled() && u.Car[s]->Btn_LapChg->isEnabled();
        const bool shown = !u.Car[s]->Frm_LapInfo->isHidden() &&
                           !u.Car[s]->Frm_DriverInfo->isHidden() && !u.Car[s]->Spd_Laps->isHidden();
        if (enabled != shown) {
            qFatal("slot controls half set up");
        }
        return enabled && u.Car[s]->background() == kLightYellow;
    }
};
}  // namespace

class TestAddressing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everySlotStartsCleared() {
        Slots f;
        for (int s = 0; s < 5; ++s) {
            QCOMPARE(f.ui().Car[s]->background(), kGreen);
            QVERIFY(!f.setUpLook(s));
        }
    }

    void enteringAnAddressSetsTheSlotUp() {
        Slots f;
        f.model.refuel(1, 45.5F);
        f.ui().Car[1]->Lbl_AllGas->setText(QStringLiteral("45.5"));
        f.enter(1, QStringLiteral("192.168.1.12"));
        const auto call = f.prompts.calls().last();
        QCOMPARE(call.text, QStringLiteral("２号車搭載パソコンのＩＰ番号は？"));
        QCOMPARE(call.title, QStringLiteral("ＩＰ設定"));
        QCOMPARE(call.preset, QString());
        QCOMPARE(f.ui().Car[1]->Lbl_IP->text(), QStringLiteral("192.168.1.12"));
        QCOMPARE(f.ui().Car[1]->Lbl_Gousya->text(), QStringLiteral("２号車"));
        QCOMPARE(f.state().car[1].FuelTotal, 0.0F);
        QVERIFY(f.ui().Car[1]->Lbl_AllGas->text().isEmpty());
        QVERIFY(f.setUpLook(1));
        QVERIFY(!f.setUpLook(0));
    }

    void sameAddressAgainOnlyResetsTheFuel() {
        Slots f;
        f.enter(0, QStringLiteral("10.0.0.1"));
        f.ui().Car[0]->Meter_Gas->setValue(70);
        f.model.refuel(0, 20.0F);
        f.enter(0, QStringLiteral("10.0.0.1"));
        QCOMPARE(f.prompts.calls().last().preset, QStringLiteral("10.0.0.1"));
        QCOMPARE(f.ui().Car[0]->Meter_Gas->value(), 70);
        QCOMPARE(f.state().car[0].FuelTotal, 0.0F);
        QVERIFY(f.setUpLook(0));
    }

    void cancellingClearsTheAddressButKeepsTheLook() {
        Slots f;
        f.enter(2, QStringLiteral("10.0.0.3"));
        f.enter(2, QString());
        QVERIFY(f.ui().Car[2]->Lbl_IP->text().isEmpty());
        QVERIFY(f.setUpLook(2));
    }

    void clearingAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No") << false;
        QTest::newRow("Yes") << true;
    }
    void clearingAsksFirst() {
        QFETCH(bool, yes);
        Slots f;
        f.enter(2, QStringLiteral("10.0.0.3"));
        f.model.correctLapCount(2, 4);
        f.prompts.answerYesNo(yes);
        f.ui().Car[2]->Btn_ClsCar->click();
        const auto call = f.prompts.calls().last();
        QCOMPARE(call.text, QStringLiteral("３号車の設定内容を消去します。\nよろしいですか？"));
        QCOMPARE(call.title, QStringLiteral("消去確認"));
        QCOMPARE(call.icon, PromptIcon::Critical);
        QCOMPARE(f.ui().Car[2]->Lbl_IP->text().isEmpty(), yes);
        QCOMPARE(f.setUpLook(2), !yes);
        QCOMPARE(f.ui().Car[2]->Spd_Laps->rowCount(), 4);
    }
};

QTEST_MAIN(TestAddressing)
#include "test_addressing.moc"
