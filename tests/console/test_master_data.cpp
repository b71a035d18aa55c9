#include "console/master_choices.h"
#include "console_fixture.h"
#include "masterdata/field_rules.h"
#include "platform/cp932.h"
#include "widgets/choice_list.h"
#include "widgets/editor_table.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

using kaltero::masterdata::CarRecord;
using kaltero::masterdata::CourseRecord;
using kaltero::masterdata::DriverRecord;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::focusIn;
using kaltero::testing::focusOut;
using kaltero::testing::retype;
using kaltero::widgets::ChoiceList;

namespace {

const QColor kOlive(0xC0, 0xC0, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kSetUp(0xFF, 0xFF, 0xC0);

const QStringList kCars = {QStringLiteral("Car A,Ann,60,8.5"), QStringLiteral("Car B,,45.5,10.25")};
const QStringList kCourses = {QStringLiteral("Course A,5807"), QStringLiteral("Course B,3700")};
const QStringList kDrivers = {QStringLiteral("Taro,全車"), QStringLiteral("Jiro,２号車"),
                              QStringLiteral("Saburo,3号車")};

void writeLines(const QString& path, const QStringList& lines) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qFatal("cannot write %s", qPrintable(path));
    }
    for (const QString& line : lines) {
        file.write(kaltero::platform::encodeCp932(line) + "\r\n");
    }
}

// The lines of a master file; every line must end in CR LF.
QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<unreadable>")};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) {
        return {};
    }
    if (!bytes.endsWith("\r\n")) {
        return {QStringLiteral("<no CR LF at the end>")};
    }
    QStringList lines = kaltero::platform::decodeCp932(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// Turns a master file into a folder, which can neither be read nor replaced.
void blockFile(const QString& path) {
    QFile::remove(path);
    if (!QDir().mkdir(path)) {
        qFatal("cannot block %s", qPrintable(path));
    }
}

// A list's record as its fields: a car "name TAB tank TAB economy", a course "caption TAB
// length", a driver its name.
QString entry(const ChoiceList* list, int index) {
    using kaltero::masterdata::singleText;
    const QVariant record = list->itemData(index, ChoiceList::kRecordRole);
    if (record.metaType() == QMetaType::fromType<CarRecord>()) {
        const auto car = record.value<CarRecord>();
        return car.name + u'\t' + singleText(car.tankCapacity) + u'\t' + singleText(car.economy);
    }
    if (record.metaType() == QMetaType::fromType<CourseRecord>()) {
        const auto course = record.value<CourseRecord>();
        return list->itemText(index) + u'\t' + QString::number(course.length);
    }
    return record.value<DriverRecord>().name;
}

QStringList entries(const ChoiceList* list) {
    QStringList all;
    for (int i = 0; i < list->count(); ++i) {
        all.append(entry(list, i));
    }
    return all;
}

// An editor's cell, 1-based as the operator counts: row 0 is the header.
QString cellText(const QTableView* grid, int col, int row) {
    if (row == 0) {
        return grid->model()->headerData(col - 1, Qt::Horizontal).toString();
    }
    return grid->model()->index(row - 1, col - 1).data().toString();
}

// Puts a text into a cell, as code does: unchecked.
void setCellText(QTableView* grid, int col, int row, const QString& text) {
    qobject_cast<kaltero::widgets::EditorTable*>(grid->model())->setText(row - 1, col - 1, text);
}

void setCurrent(QTableView* grid, int col, int row) {
    grid->setCurrentIndex(grid->model()->index(row - 1, col - 1));
}

int activeCol(const QTableView* grid) {
    return grid->currentIndex().column() + 1;
}

int activeRow(const QTableView* grid) {
    return grid->currentIndex().row() + 1;
}

// The cell editor open in a grid (closed ones linger hidden until the event loop runs).
template <typename Editor>
Editor* openEditor(const QTableView* grid) {
    for (auto* editor : grid->viewport()->findChildren<Editor*>()) {
        if (editor->isVisible()) {
            return editor;
        }
    }
    return nullptr;
}

// The operator types a text into a cell and presses Enter.
void type(QTableView* grid, int col, int row, const QString& text) {
    const QModelIndex cell = grid->model()->index(row - 1, col - 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* line = openEditor<QLineEdit>(grid);
    QVERIFY(line != nullptr);
    line->selectAll();
    QTest::keyClicks(line, text);
    QTest::keyClick(line, Qt::Key_Return);
    // Enter hands the text to the table on the next turn of the event loop, as between two
    // keys of the operator.
    QCoreApplication::processEvents();
}

// The operator picks an entry of a cell's drop-down.
void pick(QTableView* grid, int col, int row, const QString& text) {
    const QModelIndex cell = grid->model()->index(row - 1, col - 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* list = openEditor<QComboBox>(grid);
    QVERIFY(list != nullptr);
    const int index = list->findText(text);
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

int rowCount(const QTableView* grid) {
    return grid->model()->rowCount();
}

// The operator picks an entry of a list.
void choose(ChoiceList* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

// A console started with the three master files in its program folder.
struct Masters : ConsoleFixture {
    explicit Masters(const QStringList& cars = kCars, const QStringList& courses = kCourses,
                     const QStringList& drivers = kDrivers)
        : ConsoleFixture([&](const QDir& folder) {
              writeLines(folder.filePath(QStringLiteral("Car.ini")), cars);
              writeLines(folder.filePath(QStringLiteral("Course.ini")), courses);
              writeLines(folder.filePath(QStringLiteral("Drivers.ini")), drivers);
          }) {}

    QString file(const QString& name) const { return dir.filePath(name); }
    QTableView* grid(const QString& name) { return find<QTableView>(name); }
    // An editor open over the window, which takes no input while it is.
    bool consoleLocked() {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        return editor != nullptr && editor->isVisible() &&
               editor->windowModality() == Qt::WindowModal &&
               editor->parentWidget() == program.window();
    }
    bool consoleFree() { return QApplication::activeModalWidget() == nullptr; }
    // Presses the delete button of a row as the operator does, with the mouse.
    void clickDelete(QTableView* grid, int row) {
        const int last = grid->model()->columnCount() - 1;
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, last));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
};

// One editor, by the names of its controls and its file.
struct Editor {
    QString open, panel, grid, ok, cancel, file;
};

const Editor kCarEditor{QStringLiteral("Btn_Car"),       QStringLiteral("Frm_Car"),
                        QStringLiteral("Spd_Car"),       QStringLiteral("Btn_CarOK"),
                        QStringLiteral("Btn_CarCancel"), QStringLiteral("Car.ini")};
const Editor kCourseEditor{QStringLiteral("Btn_Cource"),       QStringLiteral("Frm_Course"),
                           QStringLiteral("Spd_Course"),       QStringLiteral("Btn_CourceOK"),
                           QStringLiteral("Btn_CourceCancel"), QStringLiteral("Course.ini")};
const Editor kDriversEditor{QStringLiteral("Btn_Drivers"),   QStringLiteral("Frm_Drivers"),
                            QStringLiteral("Spd_Drivers"),   QStringLiteral("Btn_DrvOk"),
                            QStringLiteral("Btn_DrvCancel"), QStringLiteral("Drivers.ini")};

}  // namespace

Q_DECLARE_METATYPE(Editor)

class TestMasterData : public QObject {
    Q_OBJECT

    static void addEditorRows() {
        QTest::addColumn<Editor>("editor");
        QTest::newRow("cars") << kCarEditor;
        QTest::newRow("courses") << kCourseEditor;
        QTest::newRow("drivers") << kDriversEditor;
    }

private Q_SLOTS:
    // --- Loading ---------------------------------------------------------------------------

    void windowLoadFillsTheListsAndGrids() {
        Masters m;
        auto& ui = m.ui();
        for (int s = 0; s < 5; ++s) {
            QCOMPARE(entries(ui.Car[s]->Cmb_Car),
                     QStringList(
                         {QStringLiteral("Car A\t60\t8.5"), QStringLiteral("Car B\t45.5\t10.25")}));
            QCOMPARE(ui.Car[s]->Cmb_Car->itemText(1), QStringLiteral("Car B"));
            QCOMPARE(ui.Car[s]->Cmb_Car->currentIndex(), -1);
        }
        QCOMPARE(entries(ui.Cmb_Course), QStringList({QStringLiteral("Course A(5807m)\t5807"),
                                                      QStringLiteral("Course B(3700m)\t3700")}));
        QCOMPARE(ui.Cmb_Course->itemText(0), QStringLiteral("Course A(5807m)"));
        QCOMPARE(ui.Cmb_Course->currentIndex(), -1);

        auto* cars = m.grid(QStringLiteral("Spd_Car"));
        auto* courses = m.grid(QStringLiteral("Spd_Course"));
        auto* drivers = m.grid(QStringLiteral("Spd_Drivers"));
        QCOMPARE(rowCount(cars), 50);
        QCOMPARE(cellText(cars, 2, 1), QStringLiteral("Ann"));
        QCOMPARE(cellText(cars, 4, 2), QStringLiteral("10.25"));
        QCOMPARE(cellText(courses, 2, 1), QStringLiteral("5807"));
        // A driver for no slot stays in the grid as written.
        QCOMPARE(cellText(drivers, 1, 3), QStringLiteral("Saburo"));
        QCOMPARE(cellText(drivers, 2, 3), QStringLiteral("3号車"));
        QCOMPARE(cellText(drivers, 1, 4), QString());
        for (QTableView* grid : {cars, courses, drivers}) {
            QCOMPARE(rowCount(grid), 50);
            QCOMPARE(activeCol(grid), 1);
            QCOMPARE(activeRow(grid), 1);
        }
        QVERIFY(m.prompts.calls().isEmpty());
    }

    void driverListsFollowTheTargetCar_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QStringList>("drivers");
        const QString taro = QStringLiteral("Taro");
        QTest::newRow("car 1") << 0 << QStringList{taro};
        QTest::newRow("car 2 also has its own driver")
            << 1 << QStringList{taro, QStringLiteral("Jiro")};
        QTest::newRow("car 3 not the half-width 3") << 2 << QStringList{taro};
        QTest::newRow("car 5") << 4 << QStringList{taro};
    }
    void driverListsFollowTheTargetCar() {
        QFETCH(int, slot);
        QFETCH(QStringList, drivers);
        Masters m;
        QCOMPARE(entries(m.ui().Car[slot]->Cmb_Driver), drivers);
        QCOMPARE(m.ui().Car[slot]->Cmb_Driver->currentIndex(), -1);
    }

    void editorHeadersAreSetAtLoad() {
        Masters m;
        const auto headers = [&m](const QString& name) {
            const QTableView* grid = m.grid(name);
            QStringList texts;
            for (int c = 1; c <= grid->model()->columnCount(); ++c) {
                texts.append(cellText(grid, c, 0));
            }
            return texts;
        };
        QCOMPARE(headers(QStringLiteral("Spd_Car")),
                 QStringList({QStringLiteral("車輌名"), QStringLiteral("所有者"),
                              QStringLiteral("タンク容量"), QStringLiteral("平均燃費(Km/l)"),
                              QStringLiteral(" ")}));
        QCOMPARE(headers(QStringLiteral("Spd_Course")),
                 QStringList({QStringLiteral("コース名"), QStringLiteral("全長(単位m)"),
                              QStringLiteral(" ")}));
        QCOMPARE(headers(QStringLiteral("Spd_Drivers")),
                 QStringList({QStringLiteral("ドライバ名"), QStringLiteral("対象車"),
                              QStringLiteral(" ")}));
    }

    void missingFilesAreCreatedEmpty() {
        ConsoleFixture f;
        auto& ui = f.ui();
        for (const char* name : {"Car.ini", "Course.ini", "Drivers.ini"}) {
            QFile file(f.dir.filePath(QString::fromLatin1(name)));
            QVERIFY2(file.exists(), name);
            QCOMPARE(file.size(), 0);
        }
        QCOMPARE(ui.Cmb_Course->count(), 0);
        for (int s = 0; s < 5; ++s) {
            QCOMPARE(ui.Car[s]->Cmb_Car->count(), 0);
            QCOMPARE(ui.Car[s]->Cmb_Driver->count(), 0);
        }
        QCOMPARE(rowCount(f.find<QTableView>(QStringLiteral("Spd_Car"))), 50);
        QCOMPARE(cellText(f.find<QTableView>(QStringLiteral("Spd_Car")), 1, 1), QString());
        QVERIFY(f.prompts.calls().isEmpty());
    }

    // A file that cannot be read is told, in load order, and the window still comes up.
    void unreadableFilesAreToldInLoadOrder() {
        ConsoleFixture f([](const QDir& folder) {
            for (const char* name : {"Car.ini", "Course.ini", "Drivers.ini"}) {
                folder.mkdir(QString::fromLatin1(name));
            }
        });
        const QStringList told = f.prompts.texts();
        QCOMPARE(told.size(), 3);
        QVERIFY2(told[0].startsWith(u"Drivers.ini "), qPrintable(told[0]));
        QVERIFY2(told[1].startsWith(u"Course.ini "), qPrintable(told[1]));
        QVERIFY2(told[2].startsWith(u"Car.ini "), qPrintable(told[2]));
        QVERIFY(f.program.window()->isVisible());
        QCOMPARE(f.ui().Car[0]->Cmb_Car->count(), 0);
        QCOMPARE(rowCount(f.find<QTableView>(QStringLiteral("Spd_Drivers"))), 50);
    }

    // --- Editors ---------------------------------------------------------------------------

    void openEditorLocksTheConsole_data() { addEditorRows(); }
    void openEditorLocksTheConsole() {
        QFETCH(Editor, editor);
        Masters m;
        auto* panel = m.find<QDialog>(editor.panel);
        auto* grid = m.grid(editor.grid);
        QVERIFY(panel->isHidden());
        QVERIFY(m.ui().Car[0]->Txt_Nenpi->isEnabled());
        m.find<QPushButton>(editor.open)->click();
        QVERIFY(panel->isVisible());
        QVERIFY(m.consoleLocked());
        for (QWidget* b : {m.ui().Btn_Start, m.ui().Btn_End, m.ui().Btn_Car, m.ui().Btn_Drivers,
                           m.ui().Btn_Mess}) {
            QVERIFY2(b->window() == m.program.window(), qPrintable(b->objectName()));
        }
        QCOMPARE(m.ui().Car[0]->Txt_Nenpi->window(), m.program.window());
        QCOMPARE(panel->focusWidget(), grid);
        // Centred over the window as the screen shows it, inside it, every column whole and no
        // row-number column.
        const QRect window =
            m.program.window()->geometry() & m.program.window()->screen()->availableGeometry();
        QVERIFY(window.contains(panel->geometry()));
        QVERIFY(qAbs(panel->geometry().center().x() - window.center().x()) <= 1);
        QVERIFY(qAbs(panel->geometry().center().y() - window.center().y()) <= 1);
        QVERIFY(grid->verticalHeader()->isHidden());
        const int columns = grid->model()->columnCount();
        for (int c = 0; c < columns; ++c) {
            QVERIFY(grid->columnWidth(c) >= grid->horizontalHeader()->sectionSizeHint(c));
        }
        QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
        QVERIFY(grid->visualRect(grid->model()->index(0, columns - 1)).right() <
                grid->viewport()->width());

        m.find<QPushButton>(editor.cancel)->click();
        QVERIFY(panel->isHidden());
        QVERIFY(m.consoleFree());
        QVERIFY(m.prompts.calls().isEmpty());
    }

    void openingAfterACancelShowsTheFile_data() { addEditorRows(); }
    void openingAfterACancelShowsTheFile() {
        QFETCH(Editor, editor);
        Masters m;
        auto* grid = m.grid(editor.grid);
        const QString first = cellText(grid, 1, 1);
        const QStringList stored = readLines(m.file(editor.file));
        const QStringList cars = entries(m.ui().Car[2]->Cmb_Car);
        const QStringList drivers = entries(m.ui().Car[1]->Cmb_Driver);
        const QStringList courses = entries(m.ui().Cmb_Course);

        m.find<QPushButton>(editor.open)->click();
        setCellText(grid, 1, 1, QStringLiteral("Changed"));
        setCellText(grid, 1, 7, QStringLiteral("Added"));
        m.find<QPushButton>(editor.cancel)->click();
        QCOMPARE(readLines(m.file(editor.file)), stored);
        QCOMPARE(entries(m.ui().Car[2]->Cmb_Car), cars);
        QCOMPARE(entries(m.ui().Car[1]->Cmb_Driver), drivers);
        QCOMPARE(entries(m.ui().Cmb_Course), courses);

        m.find<QPushButton>(editor.open)->click();
        QCOMPARE(cellText(grid, 1, 1), first);
        QCOMPARE(cellText(grid, 1, 7), QString());
    }

    void openingReadsTheFileButLeavesTheLists() {
        Masters m;
        writeLines(m.file(QStringLiteral("Car.ini")), {QStringLiteral("Car N,,70,9")});
        m.ui().Btn_Car->click();
        QCOMPARE(cellText(m.grid(QStringLiteral("Spd_Car")), 1, 1), QStringLiteral("Car N"));
        QCOMPARE(cellText(m.grid(QStringLiteral("Spd_Car")), 1, 2), QString());
        QCOMPARE(entries(m.ui().Car[0]->Cmb_Car).size(), 2);
        QCOMPARE(m.ui().Car[0]->Cmb_Car->itemText(0), QStringLiteral("Car A"));
    }

    void deletingRowThreeOfFiveWritesFourLines_data() {
        QTest::addColumn<Editor>("editor");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("cars") << kCarEditor
                              << QStringList{
                                     QStringLiteral("C1,O1,1,1.5"), QStringLiteral("C2,,2,2.5"),
                                     QStringLiteral("C3,O3,3,3.5"), QStringLiteral("C4,O4,4,4.5"),
                                     QStringLiteral("C5,O5,5,5.5")};
        QTest::newRow("courses") << kCourseEditor
                                 << QStringList{
                                        QStringLiteral("K1,1001"), QStringLiteral("K2,1002"),
                                        QStringLiteral("K3,1003"), QStringLiteral("K4,1004"),
                                        QStringLiteral("K5,1005")};
        QTest::newRow("drivers") << kDriversEditor
                                 << QStringList{
                                        QStringLiteral("D1,全車"), QStringLiteral("D2,１号車"),
                                        QStringLiteral("D3,２号車"), QStringLiteral("D4,全車"),
                                        QStringLiteral("D5,５号車")};
    }
    void deletingRowThreeOfFiveWritesFourLines() {
        QFETCH(Editor, editor);
        QFETCH(QStringList, lines);
        Masters m(lines, lines, lines);
        auto* grid = m.grid(editor.grid);
        m.find<QPushButton>(editor.open)->click();
        setCurrent(grid, 2, 4);
        m.clickDelete(grid, 3);
        QCOMPARE(cellText(grid, 1, 3), lines[3].section(u',', 0, 0));
        QCOMPARE(cellText(grid, 1, 4), lines[4].section(u',', 0, 0));
        QCOMPARE(cellText(grid, 1, 5), QString());
        QCOMPARE(rowCount(grid), 50);
        QCOMPARE(activeCol(grid), 1);
        QCOMPARE(activeRow(grid), 1);
        // Nothing reaches the file before the save.
        QCOMPARE(readLines(m.file(editor.file)), lines);

        m.find<QPushButton>(editor.ok)->click();
        QStringList expected = lines;
        expected.removeAt(2);
        QCOMPARE(readLines(m.file(editor.file)), expected);
        QVERIFY(m.find<QDialog>(editor.panel)->isHidden());
        QVERIFY(m.consoleFree());
        QCOMPARE(cellText(grid, 1, 4), lines[4].section(u',', 0, 0));
        QVERIFY(m.prompts.calls().isEmpty());
    }

    void deleteOnAnEmptyRowOnlyMovesTheCursor() {
        Masters m;
        auto* grid = m.grid(QStringLiteral("Spd_Car"));
        m.ui().Btn_Car->click();
        setCurrent(grid, 3, 2);
        m.clickDelete(grid, 10);
        QCOMPARE(cellText(grid, 1, 1), QStringLiteral("Car A"));
        QCOMPARE(cellText(grid, 1, 2), QStringLiteral("Car B"));
        QCOMPARE(rowCount(grid), 50);
        QCOMPARE(activeCol(grid), 1);
        QCOMPARE(activeRow(grid), 1);
    }

    // Saving refills every slot's list; what a slot took from its car stays as it was, and
    // the chosen car stays chosen while its entry is unchanged.
    void savingCarsKeepsTheSlotValues_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("another car renamed")
            << 1 << 1 << QStringLiteral("Car Z") << QStringLiteral("Car B")
            << QStringList{QStringLiteral("Car Z\t60\t8.5"), QStringLiteral("Car B\t45.5\t10.25")};
        QTest::newRow("chosen car's tank changed")
            << 3 << 2 << QStringLiteral("50") << QString()
            << QStringList{QStringLiteral("Car A\t60\t8.5"), QStringLiteral("Car B\t50\t10.25")};
        QTest::newRow("chosen car deleted")
            << 1 << 2 << QString() << QString() << QStringList{QStringLiteral("Car A\t60\t8.5")};
    }
    void savingCarsKeepsTheSlotValues() {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QStringList, after);
        Masters m;
        auto& ui = m.ui();
        choose(ui.Car[0]->Cmb_Car, 1);
        choose(ui.Car[3]->Cmb_Car, 1);
        m.ui().Btn_Car->click();
        setCellText(m.grid(QStringLiteral("Spd_Car")), col, row, text);
        m.find<QPushButton>(QStringLiteral("Btn_CarOK"))->click();
        for (int s = 0; s < 5; ++s) {
            QCOMPARE(entries(ui.Car[s]->Cmb_Car), after);
        }
        for (int s : {0, 3}) {
            QCOMPARE(ui.Car[s]->Cmb_Car->currentText(), shown);
            QCOMPARE(ui.Car[s]->Lbl_Tank->text(), QStringLiteral("45.5"));
            QCOMPARE(m.state().car[s].TankCapacity, 45.5F);
            QCOMPARE(ui.Car[s]->Txt_Nenpi->text(), QStringLiteral("10.25"));
            QCOMPARE(m.state().car[s].FuelEconomy, 10250.0F);
        }
        QCOMPARE(ui.Car[1]->Cmb_Car->currentIndex(), -1);
    }

    void savingCoursesAndDriversKeepsTheChoices() {
        Masters m;
        auto& ui = m.ui();
        choose(ui.Cmb_Course, 0);
        focusOut(ui.Cmb_Course);
        choose(ui.Car[1]->Cmb_Driver, 1);
        ui.Btn_Cource->click();
        setCellText(m.grid(QStringLiteral("Spd_Course")), 1, 3, QStringLiteral("Course C"));
        setCellText(m.grid(QStringLiteral("Spd_Course")), 2, 3, QStringLiteral("4,100"));
        m.find<QPushButton>(QStringLiteral("Btn_CourceOK"))->click();
        QCOMPARE(ui.Cmb_Course->count(), 3);
        QCOMPARE(entry(ui.Cmb_Course, 2), QStringLiteral("Course C(4100m)\t4100"));
        QCOMPARE(ui.Cmb_Course->currentText(), QStringLiteral("Course A(5807m)"));
        QCOMPARE(m.state().CourseLength, 5807);

        ui.Btn_Drivers->click();
        setCellText(m.grid(QStringLiteral("Spd_Drivers")), 1, 4, QStringLiteral("Shiro"));
        setCellText(m.grid(QStringLiteral("Spd_Drivers")), 2, 4, QStringLiteral("２号車"));
        m.find<QPushButton>(QStringLiteral("Btn_DrvOk"))->click();
        QCOMPARE(
            entries(ui.Car[1]->Cmb_Driver),
            QStringList({QStringLiteral("Taro"), QStringLiteral("Jiro"), QStringLiteral("Shiro")}));
        QCOMPARE(ui.Car[1]->Cmb_Driver->currentText(), QStringLiteral("Jiro"));
        QCOMPARE(entries(ui.Car[0]->Cmb_Driver), QStringList({QStringLiteral("Taro")}));
        QCOMPARE(readLines(m.file(QStringLiteral("Drivers.ini"))).last(),
                 QStringLiteral("Shiro,２号車"));
    }

    void unwritableFileIsToldAndTheEditorStaysOpen_data() { addEditorRows(); }
    void unwritableFileIsToldAndTheEditorStaysOpen() {
        QFETCH(Editor, editor);
        Masters m;
        auto* grid = m.grid(editor.grid);
        const QStringList courses = entries(m.ui().Cmb_Course);
        const QStringList cars = entries(m.ui().Car[0]->Cmb_Car);
        m.find<QPushButton>(editor.open)->click();
        setCellText(grid, 1, 1, QStringLiteral("New"));
        blockFile(m.file(editor.file));
        m.find<QPushButton>(editor.ok)->click();

        QCOMPARE(m.prompts.calls().size(), 1);
        const QString told = m.prompts.calls()[0].text;
        QVERIFY2(told.startsWith(editor.file + QStringLiteral(" に書き込めませんでした。")),
                 qPrintable(told));
        QVERIFY(m.find<QDialog>(editor.panel)->isVisible());
        QVERIFY(m.consoleLocked());
        QCOMPARE(cellText(grid, 1, 1), QStringLiteral("New"));
        QVERIFY(!cellText(grid, 1, 2).isEmpty());
        QCOMPARE(entries(m.ui().Cmb_Course), courses);
        QCOMPARE(entries(m.ui().Car[0]->Cmb_Car), cars);

        // Once the file can be written again, the same rows are saved.
        QVERIFY(QDir().rmdir(m.file(editor.file)));
        m.find<QPushButton>(editor.ok)->click();
        QVERIFY(m.find<QDialog>(editor.panel)->isHidden());
        QVERIFY(m.consoleFree());
        QVERIFY(readLines(m.file(editor.file)).first().startsWith(u"New,"));
        QCOMPARE(m.prompts.calls().size(), 1);
    }

    void unreadableFileIsNotOpenedForEditing() {
        Masters m;
        blockFile(m.file(QStringLiteral("Car.ini")));
        m.ui().Btn_Car->click();
        QCOMPARE(m.prompts.texts(),
                 QStringList({QStringLiteral(
                     "Car.ini を読み込めないため、編集できません。ファイルを確かめてください。")}));
        QVERIFY(m.find<QDialog>(QStringLiteral("Frm_Car"))->isHidden());
        QVERIFY(m.consoleFree());
        QCOMPARE(entries(m.ui().Car[0]->Cmb_Car).size(), 2);
    }

    // --- Car and course choice -------------------------------------------------------------

    void choosingACarCopiesItsFigures_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("tankText");
        QTest::addColumn<float>("tank");
        QTest::addColumn<QString>("economyText");
        QTest::addColumn<float>("economy");
        QTest::newRow("60 l, 8.5 km/l")
            << 0 << QStringLiteral("60") << 60.0F << QStringLiteral("8.5") << 8500.0F;
        QTest::newRow("fractions")
            << 1 << QStringLiteral("45.5") << 45.5F << QStringLiteral("10.25") << 10250.0F;
        QTest::newRow("hand-made figures read as 0")
            << 2 << QStringLiteral("0") << 0.0F << QStringLiteral("0") << 0.0F;
    }
    void choosingACarCopiesItsFigures() {
        QFETCH(int, index);
        QFETCH(QString, tankText);
        QFETCH(float, tank);
        QFETCH(QString, economyText);
        QFETCH(float, economy);
        Masters m(kCars + QStringList{QStringLiteral("Car C,,full,x")});
        auto& ui = m.ui();
        m.model.refuel(2, 20.0F);
        ui.Car[2]->Txt_InGasl->setText(QStringLiteral("15"));
        choose(ui.Car[2]->Cmb_Car, index);
        QCOMPARE(ui.Car[2]->Lbl_Tank->text(), tankText);
        QCOMPARE(m.state().car[2].TankCapacity, tank);
        QCOMPARE(ui.Car[2]->Txt_Nenpi->text(), economyText);
        QCOMPARE(m.state().car[2].FuelEconomy, economy);
        // Nothing else of the slot changes.
        QCOMPARE(m.state().car[2].FuelTotal, 20.0F);
        QCOMPARE(ui.Car[2]->Txt_InGasl->text(), QStringLiteral("15"));
    }

    void theSameCarInTwoSlots() {
        Masters m;
        auto& ui = m.ui();
        choose(ui.Car[1]->Cmb_Car, 0);
        choose(ui.Car[4]->Cmb_Car, 0);
        for (int s : {1, 4}) {
            QCOMPARE(ui.Car[s]->Lbl_Tank->text(), QStringLiteral("60"));
            QCOMPARE(m.state().car[s].TankCapacity, 60.0F);
            QCOMPARE(ui.Car[s]->Txt_Nenpi->text(), QStringLiteral("8.5"));
            QCOMPARE(m.state().car[s].FuelEconomy, 8500.0F);
        }
        QCOMPARE(m.state().car[2].TankCapacity, 0.0F);
        QCOMPARE(ui.Car[2]->Lbl_Tank->text(), QStringLiteral("999"));
        // Each slot is its own.
        choose(ui.Car[4]->Cmb_Car, 1);
        QCOMPARE(m.state().car[1].TankCapacity, 60.0F);
        QCOMPARE(m.state().car[4].TankCapacity, 45.5F);
        QCOMPARE(ui.Car[1]->Txt_Nenpi->text(), QStringLiteral("8.5"));
    }

    void aBlinkingCarListTurnsWhiteWhenACarIsChosen() {
        Masters m;
        auto* list = m.ui().Car[0]->Cmb_Car;
        list->setBackground(kOlive);
        choose(list, 1);
        QCOMPARE(list->background(), kWhite);
    }

    void leavingTheCourseListSetsTheLength_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("length");
        QTest::newRow("Course A(5807m)") << 0 << 5807;
        QTest::newRow("Course B(3700m)") << 1 << 3700;
        QTest::newRow("nothing chosen") << -1 << 0;
    }
    void leavingTheCourseListSetsTheLength() {
        QFETCH(int, index);
        QFETCH(int, length);
        Masters m;
        auto* list = m.ui().Cmb_Course;
        m.model.chooseCourse(QStringLiteral("前のコース"), 1234);
        list->setBackground(kOlive);
        list->setCurrentIndex(index);
        QCOMPARE(m.state().CourseLength, 1234);  // choosing alone sets nothing
        focusOut(list);
        QCOMPARE(m.state().CourseLength, length);
        QCOMPARE(list->background(), kWhite);
    }

    // --- Models under the item model tester -----------------------------------------------

    // The operator adds, edits and deletes records through the editors and the settings; every
    // model the tables and lists show keeps to the item model rules all along.
    void modelsKeepTheirRulesWhileTheOperatorEdits() {
        using Mode = QAbstractItemModelTester::FailureReportingMode;
        Masters m;
        auto& ui = m.ui();
        auto* cars = m.grid(QStringLiteral("Spd_Car"));
        auto* drivers = m.grid(QStringLiteral("Spd_Drivers"));
        auto* settings = m.grid(QStringLiteral("Spd_Mess"));
        QAbstractItemModelTester testers[] = {{cars->model(), Mode::Fatal},
                                              {drivers->model(), Mode::Fatal},
                                              {settings->model(), Mode::Fatal},
                                              {ui.Car[0]->Cmb_Car->model(), Mode::Fatal},
                                              {ui.Car[1]->Cmb_Driver->model(), Mode::Fatal},
                                              {ui.Cmb_Course->model(), Mode::Fatal}};
        choose(ui.Car[0]->Cmb_Car, 1);

        ui.Btn_Car->click();
        type(cars, 1, 3, QStringLiteral("Car C"));
        type(cars, 3, 3, QStringLiteral("70"));
        type(cars, 3, 1, QStringLiteral("65"));
        m.clickDelete(cars, 2);
        m.find<QPushButton>(QStringLiteral("Btn_CarOK"))->click();
        QCOMPARE(entries(ui.Car[0]->Cmb_Car),
                 QStringList({QStringLiteral("Car A\t65\t8.5"), QStringLiteral("Car C\t70\t0")}));
        QCOMPARE(ui.Car[0]->Cmb_Car->currentIndex(), -1);  // its car was deleted

        ui.Btn_Drivers->click();
        type(drivers, 1, 4, QStringLiteral("Shiro"));
        pick(drivers, 2, 4, QStringLiteral("２号車"));
        m.clickDelete(drivers, 1);
        m.find<QPushButton>(QStringLiteral("Btn_DrvOk"))->click();
        QCOMPARE(entries(ui.Car[1]->Cmb_Driver),
                 QStringList({QStringLiteral("Jiro"), QStringLiteral("Shiro")}));

        ui.Btn_Mess->click();
        type(settings, 2, 2, QStringLiteral("12"));
        m.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QCOMPARE(m.console.settings.NoCommSeconds, 12);
        QVERIFY(m.prompts.calls().isEmpty());
    }

    // --- No-input blink --------------------------------------------------------------------

    void listsStillMissingAChoiceBlinkEverySecond() {
        Masters m;
        auto& ui = m.ui();
        // Slot 2 set up through its address, slot 4 set up without one, with a car chosen.
        m.prompts.answerInput(QStringLiteral("192.168.1.12"));
        ui.Car[1]->Btn_ClientNoSet->click();
        QCOMPARE(ui.Car[1]->background(), kSetUp);
        m.model.setAddress(3, QString(), true);
        choose(ui.Car[3]->Cmb_Car, 0);

        const QList<ChoiceList*> blinking = {ui.Cmb_Course, ui.Car[1]->Cmb_Driver,
                                             ui.Car[1]->Cmb_Car, ui.Car[3]->Cmb_Driver};
        const QList<ChoiceList*> still = {ui.Car[3]->Cmb_Car, ui.Car[0]->Cmb_Car,
                                          ui.Car[0]->Cmb_Driver, ui.Car[2]->Cmb_Car};
        for (const QColor& colour : {kOlive, kWhite, kOlive}) {
            m.clock.advance(1000);
            for (auto* list : blinking) {
                QCOMPARE(list->background(), colour);
            }
            for (auto* list : still) {
                QCOMPARE(list->background(), kWhite);
            }
        }
        // A list that shows a choice stops where it stands.
        choose(ui.Car[1]->Cmb_Driver, 0);
        m.clock.advance(1000);
        QCOMPARE(ui.Car[1]->Cmb_Driver->background(), kOlive);
        QCOMPARE(ui.Car[1]->Cmb_Car->background(), kWhite);

        // Start: the set-up slots' lists turn white and nothing blinks any more.
        ui.Btn_Start->click();
        QCOMPARE(ui.Btn_Start->text(), QStringLiteral("Stop"));
        QCOMPARE(ui.Car[1]->Cmb_Car->background(), kWhite);
        QCOMPARE(ui.Car[3]->Cmb_Driver->background(), kWhite);
        const QColor course = ui.Cmb_Course->background();
        m.clock.advance(3000);
        QCOMPARE(ui.Car[1]->Cmb_Car->background(), kWhite);
        QCOMPARE(ui.Car[3]->Cmb_Driver->background(), kWhite);
        QCOMPARE(ui.Cmb_Course->background(), course);
    }
};

QTEST_MAIN(TestMasterData)
#include "test_master_data.moc"
