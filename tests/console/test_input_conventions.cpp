#include "console_fixture.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/two_state_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using kaltero::testing::ConsoleFixture;

namespace {

// The console window shown and active, with car slots 2 and 3 set up, so that the real focus
// can be moved by keys and clicks.
struct Window : ConsoleFixture {
    Window() {
        for (int s : {2, 3}) {
            prompts.answerInput(QStringLiteral("192.168.1.%1").arg(s + 11));
            ui().Car[s]->Btn_ClientNoSet->click();
        }
        QWidget* main = program.window();
        main->activateWindow();
        active = QTest::qWaitForWindowActive(main);
    }

    // Moves the real focus to a field, from a field that has nothing to do with it.
    void enter(QWidget* field) {
        ui().Btn_Start->setFocus();
        field->setFocus(Qt::OtherFocusReason);
    }
    void openDriverPanel(int s) {
        ui().Car[s]->Btn_DriverInfo->click();
        if (!ui().Car[s]->Frm_DriverLap->isVisible()) {
            qFatal("driver panel of slot %d did not open", s);
        }
    }

    bool active = false;
};

}  // namespace

class TestInputConventions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void focusCanBeDriven() {
        Window w;
        QVERIFY(w.active);
        w.enter(w.ui().Txt_Kion);
        QCOMPARE(QApplication::focusWidget(), w.ui().Txt_Kion);
    }

    void wholeTextIsSelectedOnEntryAndOnClick_data() {
        QTest::addColumn<QString>("field");
        for (const char* name : {"Txt_Event", "Txt_Date", "Txt_Kion", "Txt_AllOutMess", "Txt_RunH",
                                 "Txt_RunN", "Txt_InGasl_2", "Txt_Nenpi_2", "Txt_OutMess_3"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void wholeTextIsSelectedOnEntryAndOnClick() {
        QFETCH(QString, field);
        Window w;
        QVERIFY(w.active);
        auto* box = w.find<QLineEdit>(field);
        box->setText(QStringLiteral("12 old"));
        box->deselect();
        w.enter(box);
        QVERIFY(box->hasFocus());
        QCOMPARE(box->selectedText(), QStringLiteral("12 old"));
        // A click into the box that already has the focus selects the whole text again.
        box->setCursorPosition(1);
        QCOMPARE(box->selectedText(), QString());
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(4, box->height() / 2));
        QVERIFY(box->hasFocus());
        QCOMPARE(box->selectedText(), QStringLiteral("12 old"));
        // Typing then replaces the old value.
        QTest::keyClicks(box, QStringLiteral("7"));
        QCOMPARE(box->text(), QStringLiteral("7"));
    }

    // Enter (either key) goes where Tab goes; fields without the convention keep the focus.
    void enterMovesOnAsTabDoes_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("movesOn");
        QTest::newRow("weather list, Return")
            << QStringLiteral("Cmb_Tenki") << int(Qt::Key_Return) << true;
        QTest::newRow("weather list, keypad Enter")
            << QStringLiteral("Cmb_Tenki") << int(Qt::Key_Enter) << true;
        QTest::newRow("course list") << QStringLiteral("Cmb_Course") << int(Qt::Key_Return) << true;
        QTest::newRow("event name") << QStringLiteral("Txt_Event") << int(Qt::Key_Return) << true;
        QTest::newRow("race minutes") << QStringLiteral("Txt_RunN") << int(Qt::Key_Return) << true;
        QTest::newRow("message to all")
            << QStringLiteral("Txt_AllOutMess") << int(Qt::Key_Return) << true;
        QTest::newRow("car list") << QStringLiteral("Cmb_Car_2") << int(Qt::Key_Return) << true;
        QTest::newRow("driver list")
            << QStringLiteral("Cmb_Driver_3") << int(Qt::Key_Return) << true;
        QTest::newRow("economy") << QStringLiteral("Txt_Nenpi_2") << int(Qt::Key_Return) << true;
        QTest::newRow("countdown switch stays")
            << QStringLiteral("Chk_ChgCnter_2") << int(Qt::Key_Return) << false;
    }
    void enterMovesOnAsTabDoes() {
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(bool, movesOn);
        Window w;
        QVERIFY(w.active);
        auto* start = w.find<QWidget>(field);
        w.enter(start);
        QVERIFY(start->hasFocus());
        QTest::keyClick(start, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        QVERIFY(next != start);

        w.enter(start);
        QTest::keyClick(start, Qt::Key(key));
        QCOMPARE(QApplication::focusWidget(), movesOn ? next : start);
    }

    void enteringACarFieldClosesThatCarsDriverPanel_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("slot");
        for (const char* name : {"Txt_InGasl", "Txt_Nenpi", "Txt_OutMess", "Cmb_Car", "Cmb_Driver",
                                 "Chk_ChgCnter", "Spd_Laps"}) {
            const QString field = QString::fromLatin1(name) + QStringLiteral("_2");
            QTest::newRow(qPrintable(field)) << field << 2;
        }
        QTest::newRow("a field of the whole console") << QStringLiteral("Txt_Event") << -1;
    }
    void enteringACarFieldClosesThatCarsDriverPanel() {
        QFETCH(QString, field);
        QFETCH(int, slot);
        Window w;
        QVERIFY(w.active);
        auto& ui = w.ui();
        w.openDriverPanel(2);
        w.openDriverPanel(3);
        auto* target = w.find<QWidget>(field);
        QVERIFY2(target->isEnabled(), qPrintable(field));
        target->setFocus(Qt::MouseFocusReason);
        QVERIFY(target->hasFocus() || target->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(ui.Car[2]->Frm_DriverLap->isVisible(), slot != 2);
        QCOMPARE(ui.Car[2]->Btn_DriverInfo->state(), slot != 2);
        QVERIFY(ui.Car[3]->Frm_DriverLap->isVisible());
    }
};

QTEST_MAIN(TestInputConventions)
#include "test_input_conventions.moc"
