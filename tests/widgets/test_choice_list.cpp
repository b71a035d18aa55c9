#include "widgets/choice_list.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using kaltero::widgets::ChoiceList;
using namespace Qt::StringLiterals;

namespace {

// Records as a master file gives them: a caption to show and the whole record, filled anew in
// one reset.
class Records final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void set(const QStringList& records) {
        beginResetModel();
        records_ = records;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(records_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const QString& record = records_.at(index.row());
        if (role == Qt::DisplayRole) {
            return record.section(u'|', 0, 0);
        }
        return role == ChoiceList::kRecordRole ? QVariant(record) : QVariant();
    }

private:
    QStringList records_;
};

const QStringList kCars = {QStringLiteral("Alpha|60|8.5"), QStringLiteral("Bravo|45.5|12"),
                           QStringLiteral("Charlie")};

struct Window {
    QWidget top;
    QLineEdit* other = new QLineEdit(&top);
    ChoiceList* list = new ChoiceList(&top);
    Records* records = new Records(&top);

    Window() {
        auto* layout = new QVBoxLayout(&top);
        layout->addWidget(other);
        layout->addWidget(list);
        list->setChoices(records);
        top.show();
        QApplication::setActiveWindow(&top);
    }
    void fillCars() { records->set(kCars); }
};

}  // namespace

class TestChoiceList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsCaptionsAndStartsWithoutChoice() {
        Window w;
        w.fillCars();
        QCOMPARE(w.list->count(), 3);
        QCOMPARE(w.list->itemText(1), QStringLiteral("Bravo"));
        QCOMPARE(w.list->currentIndex(), -1);
        QCOMPARE(w.list->currentText(), QString());  // the blink's "no entry chosen"
        QVERIFY(!w.list->chosenRecord().isValid());
        w.list->setCurrentIndex(1);
        QCOMPARE(w.list->chosenRecord().toString(), QStringLiteral("Bravo|45.5|12"));
    }

    // A list filled anew keeps its choice only while the very same record is there.
    void refillKeepsTheSameRecord_data() {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QStringList>("refill");
        QTest::addColumn<QString>("shown");
        QTest::newRow("same record moved")
            << 1 << QStringList{u"Delta|1|1"_s, u"Bravo|45.5|12"_s} << u"Bravo"_s;
        QTest::newRow("record changed")
            << 1 << QStringList{u"Alpha|60|8.5"_s, u"Bravo|50|12"_s} << QString();
        QTest::newRow("record gone") << 0 << QStringList{u"Bravo|45.5|12"_s} << QString();
        QTest::newRow("nothing chosen") << -1 << kCars << QString();
    }
    void refillKeepsTheSameRecord() {
        QFETCH(int, chosen);
        QFETCH(QStringList, refill);
        QFETCH(QString, shown);
        Window w;
        w.fillCars();
        w.list->setCurrentIndex(chosen);
        w.records->set(refill);
        QCOMPARE(w.list->currentText(), shown);
        QCOMPARE(w.list->currentIndex(), shown.isEmpty() ? -1 : 1);
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
        QCOMPARE(w.list->chosenRecord().toString(), QStringLiteral("Bravo|45.5|12"));
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
            entries.append(QString(80, QChar(u'あ' + i % 80)) + QStringLiteral("|1"));
        }
        w.records->set(entries);
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
