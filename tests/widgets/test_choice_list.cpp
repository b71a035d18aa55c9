#include "widgets/choice_list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using kaltero::widgets::ChoiceList;

namespace {

struct Window {
    QWidget top;
    QLineEdit* other = new QLineEdit(&top);
    ChoiceList* list = new ChoiceList(&top);

    Window() {
        auto* layout = new QVBoxLayout(&top);
        layout->addWidget(other);
        layout->addWidget(list);
        top.show();
        QApplication::setActiveWindow(&top);
    }
    void fillCars() {
        list->addEntry(QStringLiteral("Alpha\t60\t8.5"));
        list->addEntry(QStringLiteral("Bravo\t45.5\t12"));
        list->addEntry(QStringLiteral("Charlie"));
    }
};

}  // namespace

class TestChoiceList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportsTheSelectedColumn_data() {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("column 0 is the name") << 0 << 0 << "Alpha";
        QTest::newRow("tank") << 0 << 1 << "60";
        QTest::newRow("economy") << 1 << 2 << "12";
        QTest::newRow("column past the entry") << 0 << 3 << "";
        QTest::newRow("entry without columns") << 2 << 1 << "";
        QTest::newRow("negative column") << 0 << -1 << "";
        QTest::newRow("no choice") << -1 << 0 << "";
        QTest::newRow("no choice, other column") << -1 << 1 << "";
    }
    void reportsTheSelectedColumn() {
        QFETCH(int, chosen);
        QFETCH(int, column);
        QFETCH(QString, expected);
        Window w;
        w.fillCars();
        w.list->setCurrentIndex(chosen);
        w.list->setColumn(column);
        QCOMPARE(w.list->columnText(), expected);
    }

    void showsColumnZeroAndStartsWithoutChoice() {
        Window w;
        w.fillCars();
        QCOMPARE(w.list->count(), 3);
        QCOMPARE(w.list->itemText(1), QStringLiteral("Bravo"));
        QCOMPARE(w.list->entry(1), QStringLiteral("Bravo\t45.5\t12"));
        QCOMPARE(w.list->currentIndex(), -1);
        QCOMPARE(w.list->currentText(), QString());  // the blink's "no entry chosen"
    }

    void selectorKeepsItsValueThroughRefill() {
        Window w;
        w.fillCars();
        w.list->setColumn(2);
        w.list->clearEntries();
        QCOMPARE(w.list->columnText(), QString());
        QCOMPARE(w.list->count(), 0);
        w.fillCars();
        QCOMPARE(w.list->currentIndex(), -1);  // a refill chooses nothing either
        w.list->setCurrentIndex(0);
        QCOMPARE(w.list->column(), 2);
        QCOMPARE(w.list->columnText(), QStringLiteral("8.5"));
    }

    void keepsTheChoiceWhenEntriesAreAdded() {
        Window w;
        w.fillCars();
        w.list->setCurrentIndex(1);
        w.list->addEntry(QStringLiteral("Delta\t50\t9"));
        QCOMPARE(w.list->currentText(), QStringLiteral("Bravo"));
    }

    void onlyTheOperatorChooses() {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.fillCars();
        QSignalSpy chosen(w.list, &ChoiceList::entryChosen);
        w.list->setCurrentIndex(0);
        QCOMPARE(chosen.count(), 0);
        w.list->setFocus();
        QTest::keyClick(w.list, Qt::Key_Down);
        QCOMPARE(chosen.count(), 1);
        w.list->setColumn(1);
        QCOMPARE(w.list->columnText(), QStringLiteral("45.5"));
    }

    void reportsKeysAndFocus() {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.fillCars();
        QSignalSpy keys(w.list, &ChoiceList::keyDown);
        QSignalSpy got(w.list, &ChoiceList::gotFocus);
        QSignalSpy lost(w.list, &ChoiceList::lostFocus);
        w.other->setFocus();
        w.list->setFocus();
        QCOMPARE(got.count(), 1);
        QTest::keyClick(w.list, Qt::Key_Return);
        QCOMPARE(keys.count(), 1);
        QCOMPARE(keys.at(0).at(0).toInt(), static_cast<int>(Qt::Key_Return));
        w.other->setFocus();
        QCOMPARE(lost.count(), 1);
        QCOMPARE(got.count(), 1);
    }

    // A master file of hundreds of thousands of long lines: the list neither grows with it nor
    // measures it again when the no-input blink restyles it every second.
    void sizeDoesNotFollowTheEntries() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.top));
        w.list->setBackground(Qt::white);  // the blink's style sheet has its own border
        QCoreApplication::processEvents();
        const QSize hint = w.list->sizeHint();
        const QSize minimum = w.list->minimumSizeHint();
        const int width = w.list->width();
        QStringList entries;
        for (int i = 0; i < 200'000; ++i) {
            entries.append(QString(80, QChar(u'あ' + i % 80)) + QStringLiteral("\t1"));
        }
        w.list->setEntries(entries);
        QCOMPARE(w.list->count(), 200'000);
        QCOMPARE(w.list->currentIndex(), -1);

        QElapsedTimer timer;
        timer.start();
        for (int blink = 0; blink < 20; ++blink) {
            w.list->setBackground(blink % 2 == 0 ? QColor(0xC0, 0xC0, 0x00) : QColor(Qt::white));
            QCoreApplication::processEvents();
        }
        // Measuring the entries took seconds per restyle; without it, twenty take milliseconds.
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(w.list->sizeHint(), hint);
        QCOMPARE(w.list->minimumSizeHint(), minimum);
        QCOMPARE(w.list->width(), width);
    }

    void backgroundIsShown() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.top));
        const QColor olive(0xC0, 0xC0, 0x00);
        QCOMPARE(w.list->background(), QColor(Qt::white));
        w.list->setBackground(olive);
        QCOMPARE(w.list->background(), olive);
        const QImage image = w.list->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 4, image.height() / 2), olive);
    }
};

QTEST_MAIN(TestChoiceList)
#include "test_choice_list.moc"
