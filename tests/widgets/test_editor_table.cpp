#include "widgets/editor_table.h"

#include <QTest>

using namespace kaltero::widgets;
using namespace Qt::StringLiterals;

namespace {

// A name, a tank capacity, a length, a target car, a locked label and a delete button.
EditorTable* table(QObject* parent) {
    CellFormat label;
    label.locked = true;
    CellFormat button;
    button.kind = CellKind::Button;
    CellFormat name;
    name.maxLength = 5;
    auto* cells = new EditorTable({{u"名"_s, name, 5},
                                   {u"容量"_s, decimalFormat(-999.99, 999.99, 2), 5},
                                   {u"全長"_s, integerFormat(1, 99), 5},
                                   {u"対象車"_s, choiceFormat({u"全車"_s, u"１号車"_s}), 5},
                                   {u"項目"_s, label, 5},
                                   {u" "_s, button, 2}},
                                  parent);
    cells->setRows({{u"A"_s, u"60"_s, u"5"_s, u"全車"_s, u"label"_s}, {u"B"_s}});
    return cells;
}

}  // namespace

class TestEditorTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What the operator may put into a cell; a refused text leaves the cell as it was.
    void setDataChecksTheCell_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::newRow("name") << 0 << u"Car C"_s << true;
        QTest::newRow("name too long") << 0 << u"Car CC"_s << false;
        QTest::newRow("decimal") << 1 << u"-999.99"_s << true;
        QTest::newRow("decimal beyond") << 1 << u"1000"_s << false;
        QTest::newRow("three decimals") << 1 << u"1.234"_s << false;
        QTest::newRow("no number") << 1 << u"abc"_s << false;
        QTest::newRow("number emptied") << 1 << QString() << true;
        QTest::newRow("whole number") << 2 << u"99"_s << true;
        QTest::newRow("whole number below") << 2 << u"0"_s << false;
        QTest::newRow("fraction in a whole number") << 2 << u"2.5"_s << false;
        QTest::newRow("choice") << 3 << u"１号車"_s << true;
        QTest::newRow("not a choice") << 3 << u"1号車"_s << false;
        QTest::newRow("locked") << 4 << u"x"_s << false;
        QTest::newRow("button") << 5 << u"x"_s << false;
    }
    void setDataChecksTheCell() {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(bool, taken);
        QObject owner;
        EditorTable* cells = table(&owner);
        const QString before = cells->text(0, column);
        QCOMPARE(cells->setData(cells->index(0, column), text, Qt::EditRole), taken);
        QCOMPARE(cells->text(0, column), taken ? text : before);
    }

    void lockedCellsTakeNoCursorAndButtonsNoEdit() {
        QObject owner;
        EditorTable* cells = table(&owner);
        QVERIFY(cells->flags(cells->index(0, 0)) & Qt::ItemIsEditable);
        QCOMPARE(cells->flags(cells->index(0, 4)), Qt::NoItemFlags);
        QVERIFY(!(cells->flags(cells->index(0, 5)) & Qt::ItemIsEditable));
        QVERIFY(cells->flags(cells->index(0, 5)) & Qt::ItemIsEnabled);
    }

    void deletingARowKeepsTheRowCount() {
        QObject owner;
        EditorTable* cells = table(&owner);
        cells->deleteRow(0);
        QCOMPARE(cells->rowCount(), 2);
        QCOMPARE(cells->text(0, 0), u"B"_s);
        QCOMPARE(cells->rows().at(1), QStringList(6));
    }
};

QTEST_GUILESS_MAIN(TestEditorTable)
#include "test_editor_table.moc"
