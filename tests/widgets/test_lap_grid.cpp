#include "widgets/lap_grid.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

using kaltero::widgets::LapGrid;

namespace {

// Laps as a model holds them: a time that reads "bad" is refused, as the race refuses a typo.
class Laps final : public QStandardItemModel {
public:
    Laps() : QStandardItemModel(2, 3) {
        setHorizontalHeaderLabels({QStringLiteral("time"), QStringLiteral("driver"), QString()});
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 3; ++c) {
                setItem(r, c, new QStandardItem(QStringLiteral("r%1c%2").arg(r + 1).arg(c + 1)));
            }
        }
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        ++writes;
        if (value.toString() == u"bad") {
            return false;
        }
        return QStandardItemModel::setData(index, value, role);
    }
    void startOver() {
        beginResetModel();
        endResetModel();
    }
    int writes = 0;
};

struct Window {
    QWidget top;
    LapGrid* grid = new LapGrid(&top);
    Laps laps;

    Window() {
        (new QVBoxLayout(&top))->addWidget(grid);
        grid->setColumnHidden(3, true);
        grid->setModel(&laps);
        top.show();
        QApplication::setActiveWindow(&top);
    }
    bool ready() { return QTest::qWaitForWindowActive(&top); }

    // The operator's way into a cell: cursor there, type, Enter.
    void type(int col, int row, const QString& text) {
        grid->setFocus();
        grid->setCurrent(col, row);
        grid->activateCurrent();
        grid->edit(grid->currentIndex());
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit*>(editor) != nullptr);
        if (!text.isEmpty()) {
            QTest::keyClicks(editor, text);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
};

}  // namespace

class TestLapGrid : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cellsReadTheModelFromOne_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::newRow("header") << 2 << 0 << "driver";
        QTest::newRow("first cell") << 1 << 1 << "r1c1";
        QTest::newRow("hidden column") << 3 << 2 << "r2c3";
        QTest::newRow("past the last row") << 1 << 3 << "";
        QTest::newRow("past the last column") << 4 << 1 << "";
        QTest::newRow("column 0") << 0 << 1 << "";
    }
    void cellsReadTheModelFromOne() {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(QString, text);
        Window w;
        QCOMPARE(w.grid->rowCount(), 2);
        QCOMPARE(w.grid->cellText(col, row), text);
    }

    void hiddenColumnsStayHiddenWhenTheModelStartsOver() {
        Window w;
        QVERIFY(w.grid->isColumnHidden(3));
        w.laps.startOver();
        QVERIFY(w.grid->isColumnHidden(3));
        QVERIFY(!w.grid->isColumnHidden(1));
    }

    void cursorFollowsAndTypingGoesToTheModel_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("refusals");
        QTest::addColumn<QString>("shown");
        QTest::newRow("taken") << "1'23" << 1 << 0 << "1'23";
        QTest::newRow("refused") << "bad" << 1 << 1 << "r2c1";
        QTest::newRow("opened and closed") << "" << 0 << 0 << "r2c1";
    }
    void cursorFollowsAndTypingGoesToTheModel() {
        QFETCH(QString, typed);
        QFETCH(int, writes);
        QFETCH(int, refusals);
        QFETCH(QString, shown);
        Window w;
        QVERIFY(w.ready());
        QSignalSpy refused(w.grid, &LapGrid::editRefused);
        w.type(1, 2, typed);
        QCOMPARE(w.grid->activeCol(), 1);
        QCOMPARE(w.grid->activeRow(), 2);
        QCOMPARE(w.laps.writes, writes);
        QCOMPARE(refused.count(), refusals);
        if (refusals > 0) {
            QCOMPARE(refused[0], (QVariantList{1, 2}));
        }
        QCOMPARE(w.grid->cellText(1, 2), shown);
    }

    void gotFocusOnlyFromOutside() {
        Window w;
        auto* other = new QLineEdit(&w.top);
        other->show();
        QVERIFY(w.ready());
        QSignalSpy focus(w.grid, &LapGrid::gotFocus);
        other->setFocus();
        w.type(1, 1, QStringLiteral("x"));  // into the grid, its own editor and back
        QCOMPARE(focus.count(), 1);
        other->setFocus();
        w.grid->setFocus();
        QCOMPARE(focus.count(), 2);
    }
};

QTEST_MAIN(TestLapGrid)
#include "test_lap_grid.moc"
