#include "common/file_bytes.h"
#include "masterdata/car_file.h"
#include "masterdata/course_file.h"
#include "masterdata/drivers_file.h"
#include "masterdata/field_rules.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace kaltero::masterdata;
using namespace Qt::StringLiterals;

using Rows = QList<QStringList>;

using kaltero::testing::readBytes;
using kaltero::testing::writeBytes;

namespace {

// "３号車" and "全車" as code page 932 bytes.
const QByteArray kSlot3Bytes = QByteArray::fromHex("82528d868ed4");
const QByteArray kAllCarsBytes = QByteArray::fromHex("91538ed4");

}  // namespace

class TestMasterFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString file(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // --- reading -------------------------------------------------------------------------

    void splitsFields_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << u"Car A,Ann,60,8.5"_s
                               << QStringList{u"Car A"_s, u"Ann"_s, u"60"_s, u"8.5"_s};
        QTest::newRow("leading blanks skipped, trailing kept")
            << u"  Car A ,\tAnn"_s << QStringList{u"Car A "_s, u"Ann"_s};
        QTest::newRow("quoted field holds a comma")
            << u"\"A,B\",x"_s << QStringList{u"A,B"_s, u"x"_s};
        QTest::newRow("blanks around a quoted field")
            << u"  \"A B\"  , x"_s << QStringList{u"A B"_s, u"x"_s};
        QTest::newRow("quotes inside a name are text")
            << u"\"Fast\" Car,x"_s << QStringList{u"\"Fast\" Car"_s, u"x"_s};
        QTest::newRow("unclosed quote is text") << u"\"A,B"_s << QStringList{u"\"A"_s, u"B"_s};
        QTest::newRow("empty fields") << u",,"_s << QStringList{QString(), QString(), QString()};
        QTest::newRow("trailing comma") << u"a,"_s << QStringList{u"a"_s, QString()};
    }
    void splitsFields() {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(splitFields(line), fields);
    }

    void readsCarFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<CarRecord>>("cars");
        const CarRecord a{u"Car A"_s, u"Ann"_s, 60.0F, 8.5F};
        const CarRecord b{u"Car B"_s, QString(), 45.5F, 0.0F};
        QTest::newRow("CR LF") << QByteArray("Car A,Ann,60,8.5\r\nCar B,,45.5,0\r\n")
                               << QList<CarRecord>{a, b};
        QTest::newRow("LF only") << QByteArray("Car A,Ann,60,8.5\nCar B,,45.5,0\n")
                                 << QList<CarRecord>{a, b};
        QTest::newRow("no line end after the last record")
            << QByteArray("Car A,Ann,60,8.5\r\nCar B,,45.5,0") << QList<CarRecord>{a, b};
        QTest::newRow("blank lines hold no record")
            << QByteArray("\r\nCar A,Ann,60,8.5\r\n  \r\n\r\nCar B,,45.5,0\r\n\r\n")
            << QList<CarRecord>{a, b};
        QTest::newRow("quoted fields and leading blanks")
            << QByteArray("\"Car A\", Ann ,  \"60\",8.5\r\n")
            << QList<CarRecord>{{u"Car A"_s, u"Ann "_s, 60.0F, 8.5F}};
        QTest::newRow("numbers that are not numbers")
            << QByteArray("Car A,Ann,sixty,\r\n")
            << QList<CarRecord>{{u"Car A"_s, u"Ann"_s, 0.0F, 0.0F}};
        // One record per line: a short line never borrows fields from the next one.
        QTest::newRow("too few fields") << QByteArray("Car A,Ann\r\nCar B,,45.5,0\r\n")
                                        << QList<CarRecord>{{u"Car A"_s, u"Ann"_s, 0.0F, 0.0F}, b};
        QTest::newRow("too many fields")
            << QByteArray("Car A,Ann,60,8.5,extra,9\r\nCar B,,45.5,0\r\n")
            << QList<CarRecord>{a, b};
        QTest::newRow("code page 932") << QByteArray::fromHex("82528d868ed42ccade2c36302c38")
                                       << QList<CarRecord>{{u"３号車"_s, u"ﾊﾞ"_s, 60.0F, 8.0F}};
        QTest::newRow("invalid bytes do not stop the read")
            << QByteArray("Car\xff\xff,Ann,60,8.5\r\nCar B,,45.5,0\r\n")
            << QList<CarRecord>{{u"Car\uFFFD\uFFFD"_s, u"Ann"_s, 60.0F, 8.5F}, b};
        QTest::newRow("lead byte without its second byte keeps the comma")
            << QByteArray("Car\x81,Ann,60,8.5\r\n")
            << QList<CarRecord>{{u"Car\uFFFD"_s, u"Ann"_s, 60.0F, 8.5F}};
    }
    void readsCarFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<CarRecord>, cars);
        const QString path = file(u"read_car.ini"_s);
        QVERIFY(writeBytes(path, bytes));
        const auto read = readCarFile(path);
        QVERIFY(read.has_value());
        QCOMPARE(read->size(), cars.size());
        for (qsizetype i = 0; i < cars.size(); ++i) {
            QCOMPARE(read->at(i).name, cars[i].name);
            QCOMPARE(read->at(i).owner, cars[i].owner);
            QCOMPARE(read->at(i).tankCapacity, cars[i].tankCapacity);
            QCOMPARE(read->at(i).economy, cars[i].economy);
        }
    }

    void missingFileIsCreatedEmpty() {
        const QString path = file(u"Missing.ini"_s);
        QVERIFY(!QFile::exists(path));
        for (int load = 0; load < 2; ++load) {  // the file it created loads the same way
            const CourseFileLoad course = loadCourseFile(path, false);
            QVERIFY(course.readable);
            QVERIFY(course.courses.has_value());
            QVERIFY(course.courses->isEmpty());
            QCOMPARE(course.gridRows.size(), kEditorRows);
            QCOMPARE(course.gridRows.first(), QStringList(2));
            QVERIFY(QFile::exists(path));
            QCOMPARE(readBytes(path), QByteArray());
        }
    }

    void unreadableFileLoadsEmptyAndSaysSo() {
        const QString path = file(u"a_folder.ini"_s);
        QVERIFY(QDir().mkpath(path));
        const DriversFileLoad drivers = loadDriversFile(path, false);
        QVERIFY(!drivers.readable);
        QCOMPARE(drivers.gridRows.size(), kEditorRows);
        QVERIFY(drivers.drivers.has_value());
        QVERIFY(drivers.drivers->isEmpty());
    }

    // --- writing -------------------------------------------------------------------------

    void writesCarRows_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("numbers in general form")
            << QStringList{u"Car A"_s, u"Ann"_s, u"60.00"_s, u"8.50"_s}
            << QByteArray("Car A,Ann,60,8.5\r\n");
        QTest::newRow("comma in a name becomes a blank")
            << QStringList{u"A,B"_s, u"X,Y"_s, u"60"_s, u"8"_s} << QByteArray("A B,X Y,60,8\r\n");
        QTest::newRow("blanks around a name dropped")
            << QStringList{u"  Car A  "_s, u" Ann "_s, u"1"_s, u"2"_s}
            << QByteArray("Car A,Ann,1,2\r\n");
        QTest::newRow("empty economy and owner")
            << QStringList{u"Car A"_s, QString(), u"45.5"_s, QString()}
            << QByteArray("Car A,,45.5,0\r\n");
        QTest::newRow("short row") << QStringList{u"Car A"_s} << QByteArray("Car A,,0,0\r\n");
        QTest::newRow("number followed by text")
            << QStringList{u"Car A"_s, QString(), u"12.5L"_s, u"abc"_s}
            << QByteArray("Car A,,12.5,0\r\n");
        QTest::newRow("seven digits of a single")
            << QStringList{u"Car A"_s, QString(), u"123.456789"_s, u"0.1"_s}
            << QByteArray("Car A,,123.4568,0.1\r\n");
        QTest::newRow("negative zero") << QStringList{u"Car A"_s, QString(), u"-0"_s, u"-0.00"_s}
                                       << QByteArray("Car A,,0,0\r\n");
        QTest::newRow("too large for a single")
            << QStringList{u"Car A"_s, QString(), u"1e39"_s, u"-1e40"_s}
            << QByteArray("Car A,,0,0\r\n");
        // A line break or TAB pasted into a name would split the record or the list columns.
        QTest::newRow("line break and TAB in a name")
            << QStringList{u"Car\r\nA"_s, u"A\tnn"_s, u"1"_s, u"2"_s}
            << QByteArray("Car  A,A nn,1,2\r\n");
        QTest::newRow("Japanese name in code page 932")
            << QStringList{u"３号車ﾊﾞ"_s, QString(), u"60"_s, u"8.5"_s}
            << (kSlot3Bytes + QByteArray::fromHex("cade") + QByteArray(",,60,8.5\r\n"));
        QTest::newRow("name of blanks and commas drops the row")
            << QStringList{u" , ,"_s, u"Ann"_s, u"60"_s, u"8.5"_s} << QByteArray();
        QTest::newRow("empty row") << QStringList(4) << QByteArray();
    }
    void writesCarRows() {
        QFETCH(QStringList, cells);
        QFETCH(QByteArray, bytes);
        const QString path = file(u"write_car.ini"_s);
        QVERIFY(writeCarFile(path, Rows{cells}));
        QCOMPARE(readBytes(path), bytes);
    }

    void writesCourseRows_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("thousands comma")
            << QStringList{u"Course A"_s, u"5,807"_s} << QByteArray("Course A,5807\r\n");
        QTest::newRow("empty length")
            << QStringList{u"Course A"_s, QString()} << QByteArray("Course A,0\r\n");
        QTest::newRow("half to even")
            << QStringList{u"Course A"_s, u"4.5"_s} << QByteArray("Course A,4\r\n");
        QTest::newRow("negative") << QStringList{u"Course A"_s, u"-12"_s}
                                  << QByteArray("Course A,-12\r\n");
        QTest::newRow("beyond 32 bits")
            << QStringList{u"Course A"_s, u"99999999999"_s} << QByteArray("Course A,0\r\n");
        QTest::newRow("name treated like a car name")
            << QStringList{u" Suzuka, East "_s, u"2243"_s} << QByteArray("Suzuka  East,2243\r\n");
    }
    void writesCourseRows() {
        QFETCH(QStringList, cells);
        QFETCH(QByteArray, bytes);
        const QString path = file(u"write_course.ini"_s);
        QVERIFY(writeCourseFile(path, Rows{cells}));
        QCOMPARE(readBytes(path), bytes);
    }

    void writesDriverRows_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("all cars") << QStringList{u"Taro"_s, u"全車"_s}
                                  << (QByteArray("Taro,") + kAllCarsBytes + QByteArray("\r\n"));
        QTest::newRow("target keeps its blanks, comma becomes one")
            << QStringList{u" Taro "_s, u" ３号車,"_s}
            << (QByteArray("Taro, ") + kSlot3Bytes + QByteArray(" \r\n"));
        QTest::newRow("empty target")
            << QStringList{u"Taro"_s, QString()} << QByteArray("Taro,\r\n");
    }
    void writesDriverRows() {
        QFETCH(QStringList, cells);
        QFETCH(QByteArray, bytes);
        const QString path = file(u"write_drivers.ini"_s);
        QVERIFY(writeDriversFile(path, Rows{cells}));
        QCOMPARE(readBytes(path), bytes);
    }

    // Empty grid rows leave no gap: rows 1, 3 and 5 come back as rows 1 to 3.
    void emptyRowsLeaveNoGap() {
        Rows grid(kEditorRows, QStringList(2));
        grid[0] = {u"Course A"_s, u"5,807"_s};
        grid[1] = {QString(), u"1000"_s};  // a length without a name is dropped with its row
        grid[2] = {u"Course B"_s, u"2243"_s};
        grid[4] = {u"Course C"_s, u"3"_s};
        const QString path = file(u"gaps.ini"_s);
        QVERIFY(writeCourseFile(path, grid));
        QCOMPARE(readBytes(path), QByteArray("Course A,5807\r\nCourse B,2243\r\nCourse C,3\r\n"));

        const CourseFileLoad load = loadCourseFile(path, false);
        QCOMPARE(load.gridRows.size(), kEditorRows);
        QCOMPARE(load.gridRows[0], (QStringList{u"Course A"_s, u"5807"_s}));
        QCOMPARE(load.gridRows[1], (QStringList{u"Course B"_s, u"2243"_s}));
        QCOMPARE(load.gridRows[2], (QStringList{u"Course C"_s, u"3"_s}));
        QCOMPARE(load.gridRows[3], QStringList(2));
        QCOMPARE(*load.courses,
                 (QList<CourseRecord>{
                     {u"Course A"_s, 5807}, {u"Course B"_s, 2243}, {u"Course C"_s, 3}}));
    }

    // What the editor wrote, the editor and the lists show again; saving again changes nothing.
    void carFileRoundTrip() {
        const QString path = file(u"Car.ini"_s);
        QVERIFY(writeCarFile(path, Rows{{u"A,B"_s, u" Ann "_s, u"60.00"_s, u"8.50"_s},
                                        {u"３号車"_s, QString(), u"45.5"_s, u"0.1"_s}}));
        const QByteArray first = readBytes(path);

        const CarFileLoad load = loadCarFile(path, false);
        QVERIFY(load.readable);
        QCOMPARE(load.gridRows[0], (QStringList{u"A B"_s, u"Ann"_s, u"60"_s, u"8.5"_s}));
        QCOMPARE(load.gridRows[1], (QStringList{u"３号車"_s, QString(), u"45.5"_s, u"0.1"_s}));
        QCOMPARE(load.gridRows[2], QStringList(4));
        QCOMPARE(*load.cars, (QList<CarRecord>{{u"A B"_s, u"Ann"_s, 60, 8.5F},
                                               {u"３号車"_s, QString(), 45.5F, 0.1F}}));

        QVERIFY(writeCarFile(path, load.gridRows));
        QCOMPARE(readBytes(path), first);

        // Opening the editor refills its grid only; the lists stay as they are.
        const CarFileLoad gridOnly = loadCarFile(path, true);
        QVERIFY(!gridOnly.cars.has_value());
        QCOMPARE(gridOnly.gridRows, load.gridRows);
    }

    // A master file an editor saved in UTF-8 or UTF-16 is read as it is, and the console's editor
    // writes it back in the same encoding, byte order mark included, with CR LF line ends.
    void encodingsAndLineEnds_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("bom");
        QTest::addColumn<QString>("lineEnd");
        QTest::newRow("code page 932, CR") << u"Shift_JIS"_s << QByteArray() << u"\r"_s;
        QTest::newRow("UTF-8, LF") << u"UTF-8"_s << QByteArray() << u"\n"_s;
        QTest::newRow("UTF-8 with BOM, CR LF") << u"UTF-8"_s << "\xEF\xBB\xBF"_ba << u"\r\n"_s;
        QTest::newRow("UTF-16LE with BOM, LF") << u"UTF-16LE"_s << "\xFF\xFE"_ba << u"\n"_s;
        QTest::newRow("UTF-16BE with BOM, CR") << u"UTF-16BE"_s << "\xFE\xFF"_ba << u"\r"_s;
    }
    void encodingsAndLineEnds() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, bom);
        QFETCH(QString, lineEnd);
        const auto bytesOf = [&](const QString& text) -> QByteArray {
            QStringEncoder encoder(encoding.toLatin1().constData());
            const QByteArray body = encoder.encode(text);
            return bom + body;
        };
        const QString path = file(u"Drivers.ini"_s);
        QVERIFY(writeBytes(path, bytesOf(u"山田,全車"_s + lineEnd + u"鈴木,３号車"_s + lineEnd)));
        const DriversFileLoad load = loadDriversFile(path, false);
        QCOMPARE(load.gridRows[0], (QStringList{u"山田"_s, u"全車"_s}));
        QCOMPARE(load.gridRows[1], (QStringList{u"鈴木"_s, u"３号車"_s}));
        QCOMPARE(driverNames(driversFor(2, *load.drivers)), (QStringList{u"山田"_s, u"鈴木"_s}));

        QVERIFY(writeDriversFile(path, Rows{{u"佐藤"_s, u"１号車"_s}, {u"山田"_s, u"全車"_s}}));
        QCOMPARE(readBytes(path), bytesOf(u"佐藤,１号車\r\n山田,全車\r\n"_s));
    }

    void driverTargets_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QList<int>>("slots");
        QTest::newRow("all cars") << u"全車"_s << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("car 3") << u"３号車"_s << QList<int>{2};
        QTest::newRow("car 5") << u"５号車"_s << QList<int>{4};
        QTest::newRow("half-width digit") << u"3号車"_s << QList<int>{};
        QTest::newRow("trailing blank") << u"３号車 "_s << QList<int>{};
        QTest::newRow("no such car") << u"６号車"_s << QList<int>{};
        QTest::newRow("empty") << QString() << QList<int>{};
    }
    void driverTargets() {
        QFETCH(QString, target);
        QFETCH(QList<int>, slots);
        QCOMPARE(targetSlots(target), slots);
    }

    // Through the file: the target decides the lists, the grid keeps every record as stored.
    void driverListsFromFile() {
        const QString path = file(u"Drivers.ini"_s);
        QVERIFY(writeDriversFile(path, Rows{{u"Taro"_s, u"全車"_s},
                                            {u"Jiro"_s, u"３号車"_s},
                                            {u"Saburo"_s, u"3号車"_s},
                                            {u"Shiro"_s, u" １号車"_s}}));
        const DriversFileLoad load = loadDriversFile(path, false);
        QVERIFY(load.drivers.has_value());
        const auto list = [&load](int slot) {
            return driverNames(driversFor(slot, *load.drivers));
        };
        QCOMPARE(list(0),
                 (QStringList{u"Taro"_s, u"Shiro"_s}));  // leading blank skipped on reading
        QCOMPARE(list(1), QStringList{u"Taro"_s});
        QCOMPARE(list(2), (QStringList{u"Taro"_s, u"Jiro"_s}));
        QCOMPARE(list(3), QStringList{u"Taro"_s});
        QCOMPARE(list(4), QStringList{u"Taro"_s});
        QCOMPARE(load.gridRows[2], (QStringList{u"Saburo"_s, u"3号車"_s}));
    }

    // A hand-made file with more records than the editor's rows: every record reaches the lists
    // and the editor, and saving from the editor keeps them all.
    void moreThanFiftyRecordsAreKept() {
        QByteArray bytes;
        for (int i = 1; i <= 60; ++i) {
            bytes += "Course " + QByteArray::number(i) + ',' + QByteArray::number(i * 100) + "\r\n";
        }
        const QString path = file(u"Course60.ini"_s);
        QVERIFY(writeBytes(path, bytes));
        const CourseFileLoad load = loadCourseFile(path, false);
        QCOMPARE(load.courses->size(), 60);
        QCOMPARE(load.courses->last(), (CourseRecord{u"Course 60"_s, 6000}));
        QCOMPARE(load.gridRows.size(), 60);
        QVERIFY(writeCourseFile(path, load.gridRows));
        QCOMPARE(readBytes(path), bytes);
    }

    // --- failed writes ---------------------------------------------------------------------

    void failedWriteIsReportedAndChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("folder does not exist") << u"no_such_folder/Car.ini"_s;
        QTest::newRow("target is a folder") << u"folder_target"_s;
        QTest::newRow("parent is a file") << u"plain_file/Car.ini"_s;
    }
    void failedWriteIsReportedAndChangesNothing() {
        QFETCH(QString, name);
        QVERIFY(QDir().mkpath(file(u"folder_target"_s)));
        QVERIFY(writeBytes(file(u"plain_file"_s), QByteArray("keep")));
        const QStringList before =
            QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QVERIFY(!writeCarFile(file(name), Rows{{u"Car A"_s, QString(), u"60"_s, u"8.5"_s}}));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(readBytes(file(u"plain_file"_s)), QByteArray("keep"));
        QVERIFY(QDir(file(u"folder_target"_s)).isEmpty());
    }

    void writeProtectedFileIsLeftAsItWas() {
        const QString path = file(u"Protected.ini"_s);
        QVERIFY(writeBytes(path, QByteArray("Car A,,60,8.5\r\n")));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        // Refused even for an administrator, whom the permissions do not bind.
        QVERIFY(!writeCarFile(path, Rows{{u"Car B"_s, QString(), u"1"_s, u"2"_s}}));
        QCOMPARE(readBytes(path), QByteArray("Car A,,60,8.5\r\n"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestMasterFiles)
#include "test_master_files.moc"
