#include "widgets/grid.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using kaltero::widgets::Grid;

namespace {

// The grid in a shown, active window, as the operator meets it.
struct Window {
    QWidget top;
    QLineEdit* other = new QLineEdit(&top);
    Grid* grid = new Grid(&top);
    std::unique_ptr<QAbstractItemModelTester> tester;

    Window(int cols, int rows) {
        auto* layout = new QVBoxLayout(&top);
        layout->addWidget(other);
        layout->addWidget(grid);
        top.resize(400, 300);
        tester = std::make_unique<QAbstractItemModelTester>(
            grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid->setColumnCount(cols);
        grid->setRowCount(rows);
        top.show();
        QApplication::setActiveWindow(&top);
    }
    bool ready() { return QTest::qWaitForWindowActive(&top); }

    void fillColumn(int col, const QString& prefix) {
        for (int row = 1; row <= grid->rowCount(); ++row) {
            grid->setCellText(col, row, prefix + QString::number(row));
        }
    }
    QStringList column(int col) const {
        QStringList out;
        for (int row = 1; row <= grid->rowCount(); ++row) {
            out << grid->cellText(col, row);
        }
        return out;
    }
    // Puts the cursor on a cell, opens its editor as the operator's F2 does, returns it.
    QWidget* openEditor(int col, int row) {
        grid->setFocus();
        grid->setCurrent(col, row);
        grid->activateCurrent();
        grid->edit(grid->currentIndex());
        QWidget* editor = QApplication::focusWidget();
        return editor != grid ? editor : nullptr;
    }
    // Types as the operator does: plain keys for ASCII, the input method's commit for Japanese.
    static void type(QWidget* editor, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 128) {
                QTest::keyClick(editor, c.toLatin1());
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QCoreApplication::sendEvent(editor, &commit);
            }
        }
    }
    // Return ends the edit; Qt stores the text on the next pass of the event loop.
    static void commit(QWidget* editor) {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    QPoint centre(int col, int row) const {
        return grid->visualRect(grid->model()->index(row - 1, col - 1)).center();
    }
};

QStringList rows(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* text : texts) {
        out << QString::fromUtf8(text);
    }
    return out;
}

}  // namespace

class TestGrid : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowCountDropsAndAdds_data() {
        QTest::addColumn<int>("newCount");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("lower drops the rows at the end") << 3 << rows({"r1", "r2", "r3"});
        QTest::newRow("higher adds empty rows") << 6 << rows({"r1", "r2", "r3", "r4", "r5", ""});
        QTest::newRow("zero empties the grid") << 0 << QStringList();
        QTest::newRow("same count keeps everything") << 5 << rows({"r1", "r2", "r3", "r4", "r5"});
        QTest::newRow("negative changes nothing") << -3 << rows({"r1", "r2", "r3", "r4", "r5"});
    }
    void rowCountDropsAndAdds() {
        QFETCH(int, newCount);
        QFETCH(QStringList, expected);
        Window w(3, 5);
        w.fillColumn(1, QStringLiteral("r"));
        w.grid->setRowCount(newCount);
        QCOMPARE(w.grid->rowCount(), expected.size());
        QCOMPARE(w.column(1), expected);
    }

    void droppedRowsComeBackEmpty() {
        // A lap correction to fewer laps and back must not bring old laps back.
        Window w(2, 5);
        w.fillColumn(1, QStringLiteral("r"));
        w.grid->setRowCount(2);
        w.grid->setRowCount(4);
        QCOMPARE(w.column(1), rows({"r1", "r2", "", ""}));
    }

    void deleteCurrentRowKeepsCount_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("owners");
        QTest::newRow("middle row: rows below move up")
            << 3 << rows({"n1", "n2", "n4", "n5", ""}) << rows({"o1", "o2", "o4", "o5", ""});
        QTest::newRow("first row")
            << 1 << rows({"n2", "n3", "n4", "n5", ""}) << rows({"o2", "o3", "o4", "o5", ""});
        QTest::newRow("last row becomes empty")
            << 5 << rows({"n1", "n2", "n3", "n4", ""}) << rows({"o1", "o2", "o3", "o4", ""});
        QTest::newRow("header row is not a data row")
            << 0 << rows({"n1", "n2", "n3", "n4", "n5"}) << rows({"o1", "o2", "o3", "o4", "o5"});
        QTest::newRow("row past the end")
            << 6 << rows({"n1", "n2", "n3", "n4", "n5"}) << rows({"o1", "o2", "o3", "o4", "o5"});
    }
    void deleteCurrentRowKeepsCount() {
        QFETCH(int, row);
        QFETCH(QStringList, names);
        QFETCH(QStringList, owners);
        Window w(2, 5);
        w.fillColumn(1, QStringLiteral("n"));
        w.fillColumn(2, QStringLiteral("o"));
        w.grid->setCurrent(1, row);
        w.grid->deleteCurrentRow();
        QCOMPARE(w.grid->rowCount(), 5);
        QCOMPARE(w.column(1), names);
        QCOMPARE(w.column(2), owners);
    }

    void headerIsRowZero() {
        Window w(3, 2);
        w.grid->setHeader(1, QStringLiteral("タイム"));
        w.grid->setCellText(2, 0, QStringLiteral("ドライバ"));
        QCOMPARE(w.grid->cellText(1, 0), QStringLiteral("タイム"));
        QCOMPARE(w.grid->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("ドライバ"));
        QCOMPARE(w.grid->cellText(3, 0), QString());
        w.grid->setCellText(1, 1, QStringLiteral("1'23\"456"));
        QCOMPARE(w.grid->cellText(1, 0), QStringLiteral("タイム"));  // data did not hit the header
    }

    void cellsOutsideTheGridAreIgnored() {
        Window w(3, 2);
        w.grid->setCellText(4, 1, QStringLiteral("x"));
        w.grid->setCellText(1, 3, QStringLiteral("x"));
        w.grid->setCellText(0, 1, QStringLiteral("x"));
        QCOMPARE(w.grid->rowCount(), 2);
        QCOMPARE(w.grid->columnCount(), 3);
        QCOMPARE(w.grid->cellText(1, 3), QString());
        QCOMPARE(w.grid->cellText(-1, -1), QString());
    }

    void currentCellAddressesTextAndActivates() {
        Window w(3, 999);
        QVERIFY(w.ready());
        w.grid->setCurrent(2, 900);
        w.grid->setText(QStringLiteral("lap 900"));
        QCOMPARE(w.grid->cellText(2, 900), QStringLiteral("lap 900"));
        QCOMPARE(w.grid->text(), QStringLiteral("lap 900"));
        QCOMPARE(w.grid->activeRow(), 0);  // addressing alone does not move the cursor

        w.grid->activateCurrent();
        QCOMPARE(w.grid->activeCol(), 2);
        QCOMPARE(w.grid->activeRow(), 900);
        const QRect cell = w.grid->visualRect(w.grid->currentIndex());
        QVERIFY(w.grid->viewport()->rect().intersects(cell));  // scrolled into view

        w.grid->setCurrent(1, 0);
        w.grid->activateCurrent();  // the header cannot be the active cell
        w.grid->setCurrent(1, 1000);
        w.grid->activateCurrent();
        QCOMPARE(w.grid->activeRow(), 900);
    }

    void codeChangesRaiseNothingOperatorChangesDo() {
        Window w(3, 3);
        QVERIFY(w.ready());
        QSignalSpy changed(w.grid, &Grid::cellChanged);
        w.grid->setCellText(3, 2, QStringLiteral("by code"));
        w.grid->setCurrent(3, 3);
        w.grid->setText(QStringLiteral("by code too"));
        w.grid->deleteCurrentRow();
        w.grid->setRowCount(5);
        QCOMPARE(changed.count(), 0);

        QWidget* editor = w.openEditor(3, 2);
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("pit"));
        Window::commit(editor);
        QCOMPARE(w.grid->cellText(3, 2), QStringLiteral("pit"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 3);  // column first, 1-based
        QCOMPARE(changed.at(0).at(1).toInt(), 2);
    }

    void typingOnACellStartsAnEdit() {
        Window w(2, 3);
        QVERIFY(w.ready());
        QSignalSpy changed(w.grid, &Grid::cellChanged);
        w.grid->setCellText(1, 2, QStringLiteral("old"));
        w.grid->setFocus();
        w.grid->setCurrent(1, 2);
        w.grid->activateCurrent();
        QTest::keyClick(w.grid, Qt::Key_7);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor != w.grid);
        QTest::keyClicks(editor, QStringLiteral("5"));
        Window::commit(editor);
        QCOMPARE(w.grid->cellText(1, 2), QStringLiteral("75"));  // typing replaces the old text
        QCOMPARE(changed.count(), 1);
    }

    void editWithoutChangeRaisesNothing() {
        Window w(1, 2);
        QVERIFY(w.ready());
        const QString longText(80, u'x');  // longer than the editor admits
        w.grid->setCellText(1, 1, longText);
        QSignalSpy changed(w.grid, &Grid::cellChanged);
        QWidget* editor = w.openEditor(1, 1);
        QVERIFY(editor);
        Window::commit(editor);
        QCOMPARE(w.grid->cellText(1, 1), longText);
        QCOMPARE(changed.count(), 0);
    }

    void cellKindsEnforceWhatCanBeTyped_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("changed");
        const QString sixty(60, u'a');
        QTest::newRow("text stops at 60 characters")
            << "text" << QString(65, u'a') << sixty << true;
        QTest::newRow("text takes Japanese")
            << "text" << QStringLiteral("雨のため") << QStringLiteral("雨のため") << true;
        QTest::newRow("whole number in range") << "seconds"
                                               << "42"
                                               << "42" << true;
        QTest::newRow("whole number: key past the top refused") << "seconds"
                                                                << "150"
                                                                << "15" << true;
        QTest::newRow("whole number below range is not stored") << "seconds"
                                                                << "0"
                                                                << "5" << false;
        QTest::newRow("whole number: no decimal point") << "seconds"
                                                        << "1.5"
                                                        << "15" << true;
        QTest::newRow("whole number: no sign when the range has none") << "seconds"
                                                                       << "-3"
                                                                       << "3" << true;
        QTest::newRow("whole number: letters refused") << "seconds"
                                                       << "abc"
                                                       << "5" << false;
        QTest::newRow("length: wide range") << "length"
                                            << "-99999999"
                                            << "-99999999" << true;
        QTest::newRow("decimal with two places") << "tank"
                                                 << "60.25"
                                                 << "60.25" << true;
        QTest::newRow("decimal: third place refused") << "tank"
                                                      << "12.345"
                                                      << "12.34" << true;
        QTest::newRow("decimal: below the bottom refused") << "tank"
                                                           << "-1000"
                                                           << "-100" << true;
        QTest::newRow("decimal: a lone sign is not stored") << "tank"
                                                            << "-"
                                                            << "5" << false;
    }
    void cellKindsEnforceWhatCanBeTyped() {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, changed);
        Window w(4, 3);
        QVERIFY(w.ready());
        w.grid->setColumnText(1);
        w.grid->setColumnInteger(2, 1, 99);
        w.grid->setColumnInteger(3, -99999999, 99999999);
        w.grid->setColumnDecimal(4, -999.99, 999.99, 2);
        const int col = kind == u"text" ? 1 : kind == u"seconds" ? 2 : kind == u"length" ? 3 : 4;
        w.grid->setCellText(col, 2, QStringLiteral("5"));
        QSignalSpy spy(w.grid, &Grid::cellChanged);
        QWidget* editor = w.openEditor(col, 2);
        QVERIFY(editor);
        Window::type(editor, typed);
        Window::commit(editor);
        QCOMPARE(w.grid->cellText(col, 2), stored);
        QCOMPARE(spy.count(), changed ? 1 : 0);
    }

    void numberCellCanBeEmptied() {
        Window w(1, 2);
        QVERIFY(w.ready());
        w.grid->setColumnDecimal(1, -999.99, 999.99, 2);
        w.grid->setCellText(1, 1, QStringLiteral("8.5"));
        QWidget* editor = w.openEditor(1, 1);
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Delete);  // the text is selected on entry
        Window::commit(editor);
        QCOMPARE(w.grid->cellText(1, 1), QString());
    }

    void choiceCellOffersItsListOnly() {
        Window w(2, 3);
        QVERIFY(w.ready());
        const QStringList cars = {QStringLiteral("全車"), QStringLiteral("１号車"),
                                  QStringLiteral("２号車")};
        w.grid->setColumnChoice(2, cars);
        w.grid->setCellText(2, 1, QStringLiteral("全車"));
        QSignalSpy changed(w.grid, &Grid::cellChanged);
        auto* combo = qobject_cast<QComboBox*>(w.openEditor(2, 1));
        QVERIFY(combo);
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QStringLiteral("全車"));
        QTest::keyClick(combo, Qt::Key_Down);  // a pick ends the edit at once
        QTRY_COMPARE(w.grid->cellText(2, 1), QStringLiteral("１号車"));
        QCOMPARE(changed.count(), 1);
    }

    void buttonCellRaisesButtonClicked() {
        Window w(3, 5);
        QVERIFY(w.ready());
        w.grid->setColumnButton(3);
        QSignalSpy clicked(w.grid, &Grid::buttonClicked);
        QSignalSpy changed(w.grid, &Grid::cellChanged);
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, w.centre(3, 4));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 3);
        QCOMPARE(clicked.at(0).at(1).toInt(), 4);
        QTest::keyClick(w.grid, Qt::Key_Space);  // the button under the cursor, by keyboard
        QCOMPARE(clicked.count(), 2);
        QTest::mouseDClick(w.grid->viewport(), Qt::LeftButton, {}, w.centre(3, 4));
        QCOMPARE(w.grid->viewport()->findChildren<QLineEdit*>().size(), 0);  // not editable
        clicked.clear();
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, w.centre(2, 4));
        QCOMPARE(clicked.count(), 0);  // a plain cell is not a button
        QCOMPARE(changed.count(), 0);
    }

    void lockedColumnCannotBeEdited() {
        Window w(2, 2);
        QVERIFY(w.ready());
        w.grid->setColumnLocked(1, true);
        w.grid->setCellText(1, 1, QStringLiteral("計測精度"));
        QVERIFY(w.openEditor(1, 1) == nullptr);
        QTest::keyClick(w.grid, Qt::Key_X);
        QCOMPARE(w.grid->cellText(1, 1), QStringLiteral("計測精度"));
    }

    // A grid whose handler keeps the cursor in column 2, as the settings panel's does.
    void refusedLeaveKeepsTheCell_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("activeCol");
        QTest::addColumn<int>("activeRow");
        QTest::addColumn<QList<int>>("asked");  // old col, old row, new col, new row
        QTest::newRow("Left key refused") << "left" << 2 << 2 << QList<int>{2, 2, 1, 2};
        QTest::newRow("Down key allowed") << "down" << 2 << 3 << QList<int>{2, 2, 2, 3};
        QTest::newRow("click into column 1 refused")
            << "click 1 4" << 2 << 2 << QList<int>{2, 2, 1, 4};
        QTest::newRow("click into column 2 allowed")
            << "click 2 5" << 2 << 5 << QList<int>{2, 2, 2, 5};
        QTest::newRow("code move refused too") << "code 1 6" << 2 << 2 << QList<int>{2, 2, 1, 6};
        QTest::newRow("Tab out of an editor refused") << "tab" << 2 << 2 << QList<int>{2, 2, 3, 2};
    }
    void refusedLeaveKeepsTheCell() {
        QFETCH(QString, action);
        QFETCH(int, activeCol);
        QFETCH(int, activeRow);
        QFETCH(QList<int>, asked);
        Window w(3, 7);
        QVERIFY(w.ready());
        w.grid->setFocus();
        w.grid->setCurrent(2, 2);
        w.grid->activateCurrent();
        QList<QList<int>> moves;
        connect(w.grid, &Grid::leaveCell, w.grid,
                [&moves](int oldCol, int oldRow, int newCol, int newRow, bool* cancel) {
                    moves.append({oldCol, oldRow, newCol, newRow});
                    *cancel = newCol != 2;
                });
        const QStringList words = action.split(u' ');
        if (words[0] == u"left") {
            QTest::keyClick(w.grid, Qt::Key_Left);
        } else if (words[0] == u"down") {
            QTest::keyClick(w.grid, Qt::Key_Down);
        } else if (words[0] == u"click") {
            QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {},
                              w.centre(words[1].toInt(), words[2].toInt()));
        } else if (words[0] == u"code") {
            w.grid->setCurrent(words[1].toInt(), words[2].toInt());
            w.grid->activateCurrent();
        } else if (words[0] == u"tab") {
            QWidget* editor = w.openEditor(2, 2);
            QVERIFY(editor);
            moves.clear();  // opening it asked for no move, but be sure of the count below
            QTest::keyClicks(editor, QStringLiteral("x"));
            QTest::keyClick(editor, Qt::Key_Tab);
            QCOMPARE(w.grid->cellText(2, 2), QStringLiteral("x"));  // the edit is kept
        }
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.first(), asked);
        QCOMPARE(QApplication::focusWidget(), w.grid);  // no editor opened where it was refused
        QCOMPARE(w.grid->activeCol(), activeCol);
        QCOMPARE(w.grid->activeRow(), activeRow);
        const QModelIndexList selected = w.grid->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first(), w.grid->currentIndex());
    }

    void firstEntryReportsNoOldCell() {
        Window w(2, 3);
        QVERIFY(w.ready());
        QList<int> asked;
        connect(w.grid, &Grid::leaveCell, w.grid,
                [&asked](int oc, int orow, int nc, int nr, bool*) {
                    asked = {oc, orow, nc, nr};
                });
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, w.centre(2, 3));
        QCOMPARE(asked, (QList<int>{0, 0, 2, 3}));
    }

    void currentCellFollowsTheOperator() {
        Window w(2, 4);
        QVERIFY(w.ready());
        w.fillColumn(1, QStringLiteral("r"));
        w.grid->setCurrent(2, 1);
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, w.centre(1, 3));
        QCOMPARE(w.grid->currentCol(), 1);
        QCOMPARE(w.grid->currentRow(), 3);
        QCOMPARE(w.grid->text(), QStringLiteral("r3"));
        // In its leaveCell handler the old cell is still the current one.
        QString seen;
        connect(w.grid, &Grid::leaveCell, w.grid,
                [&](int, int, int, int, bool*) { seen = w.grid->text(); });
        QTest::keyClick(w.grid, Qt::Key_Down);
        QCOMPARE(seen, QStringLiteral("r3"));
        QCOMPARE(w.grid->text(), QStringLiteral("r4"));
    }

    void gotFocusOnlyFromOutside() {
        Window w(2, 3);
        QVERIFY(w.ready());
        QSignalSpy focus(w.grid, &Grid::gotFocus);
        w.other->setFocus();
        w.grid->setFocus();
        QCOMPARE(focus.count(), 1);
        QWidget* editor = w.openEditor(1, 1);  // into the grid's own editor and back
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("a"));
        Window::commit(editor);
        QTRY_VERIFY(w.grid->hasFocus());
        QCOMPARE(focus.count(), 1);
        w.other->setFocus();
        w.grid->setFocus();
        QCOMPARE(focus.count(), 2);
    }

    void hiddenColumnsCountFromOne() {
        Window w(5, 2);
        w.grid->setColumnHidden(4, true);
        w.grid->setColumnHidden(5, true);
        QVERIFY(w.grid->isColumnHidden(4));
        QVERIFY(!w.grid->QTableWidget::isColumnHidden(0));
        QVERIFY(w.grid->QTableWidget::isColumnHidden(3));
        w.grid->setCellText(4, 1, QStringLiteral("83456"));
        QCOMPARE(w.grid->cellText(4, 1), QStringLiteral("83456"));  // hidden, still readable
    }

    // The row numbers take the room a plain table gives them, whatever their count.
    void rowNumbersFitTheWidestNumber_data() {
        QTest::addColumn<int>("rowCount");
        for (int n : {0, 1, 9, 10, 99, 100, 250, 999, 1000}) {
            QTest::addRow("%d rows", n) << n;
        }
    }
    void rowNumbersFitTheWidestNumber() {
        QFETCH(int, rowCount);
        Grid grid;
        QTableWidget plain;
        for (QTableWidget* table : {static_cast<QTableWidget*>(&grid), &plain}) {
            table->setColumnCount(2);
            table->setRowCount(rowCount);
        }
        QCOMPARE(grid.verticalHeader()->sizeHint(), plain.verticalHeader()->sizeHint());
    }
};

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
