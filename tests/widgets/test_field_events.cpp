#include "widgets/field_events.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

using kaltero::widgets::FieldHandlers;
using kaltero::widgets::onFieldEvents;

namespace {

enum class Active { None, Dialog };

void sendFocus(QWidget* field, QEvent::Type type, Qt::FocusReason reason) {
    QFocusEvent event(type, reason);
    QCoreApplication::sendEvent(field, &event);
}

}  // namespace

class TestFieldEvents : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void leavesOnlyWhenTheFocusMovesInsideTheConsole_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<Active>("active");
        QTest::addColumn<bool>("left");
        QTest::newRow("Tab or Enter to the next field")
            << int(Qt::TabFocusReason) << Active::None << true;
        QTest::newRow("click on another control")
            << int(Qt::MouseFocusReason) << Active::None << true;
        QTest::newRow("switch to another program")
            << int(Qt::ActiveWindowFocusReason) << Active::None << false;
        QTest::newRow("a dialog of the console opens")
            << int(Qt::ActiveWindowFocusReason) << Active::Dialog << true;
    }
    void leavesOnlyWhenTheFocusMovesInsideTheConsole() {
        QFETCH(int, reason);
        QFETCH(Active, active);
        QFETCH(bool, left);
        QLineEdit field;
        int lost = 0;
        onFieldEvents(&field, {.lostFocus = [&] { ++lost; }});
        QMessageBox dialog;
        if (active == Active::Dialog) {
            dialog.show();
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
        }
        QCOMPARE(QApplication::activeWindow() != nullptr, active != Active::None);
        sendFocus(&field, QEvent::FocusOut, Qt::FocusReason(reason));
        QCOMPARE(lost, left ? 1 : 0);
    }

    void backFromAnotherProgramIsNoNewEntry() {
        QLineEdit field;
        int got = 0;
        int lost = 0;
        onFieldEvents(&field, {.gotFocus = [&] { ++got; }, .lostFocus = [&] { ++lost; }});
        QVERIFY(QApplication::activeWindow() == nullptr);
        sendFocus(&field, QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        sendFocus(&field, QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCOMPARE(got, 0);
        QCOMPARE(lost, 0);
        // Once the operator moves on and comes back, the field is left and entered as usual.
        sendFocus(&field, QEvent::FocusOut, Qt::TabFocusReason);
        sendFocus(&field, QEvent::FocusIn, Qt::BacktabFocusReason);
        QCOMPARE(lost, 1);
        QCOMPARE(got, 1);
    }
};

QTEST_MAIN(TestFieldEvents)
#include "test_field_events.moc"
