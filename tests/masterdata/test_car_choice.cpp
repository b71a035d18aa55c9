#include "masterdata/car_choice.h"
#include "masterdata/car_file.h"
#include "masterdata/course_file.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace kaltero::masterdata;
using namespace Qt::StringLiterals;

class TestCarChoice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entryColumns_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("tank") << u"Car A\t60\t8.5"_s << 1 << u"60"_s;
        QTest::newRow("economy") << u"Car A\t60\t8.5"_s << 2 << u"8.5"_s;
        QTest::newRow("past the last column") << u"Car A\t60\t8.5"_s << 3 << QString();
        QTest::newRow("nothing chosen") << QString() << 1 << QString();
        QTest::newRow("empty column") << u"Car A\t\t8.5"_s << 1 << QString();
    }
    void entryColumns() {
        QFETCH(QString, entry);
        QFETCH(int, column);
        QFETCH(QString, text);
        QCOMPARE(entryColumn(entry, column), text);
    }

    void choosesCar_data() {
        QTest::addColumn<QString>("tank");
        QTest::addColumn<QString>("economy");
        QTest::addColumn<QString>("tankText");
        QTest::addColumn<float>("tankCapacity");
        QTest::addColumn<QString>("economyText");
        QTest::addColumn<float>("fuelEconomy");
        QTest::newRow("60 l, 8.5 km/l")
            << u"60"_s << u"8.5"_s << u"60"_s << 60.0F << u"8.5"_s << 8500.0F;
        QTest::newRow("trailing zeros dropped")
            << u"60.00"_s << u"8.50"_s << u"60.00"_s << 60.0F << u"8.5"_s << 8500.0F;
        QTest::newRow("fraction of a litre")
            << u"45.5"_s << u"0.1"_s << u"45.5"_s << 45.5F << u"0.1"_s << 100.0F;
        QTest::newRow("empty columns")
            << QString() << QString() << QString() << 0.0F << u"0"_s << 0.0F;
        QTest::newRow("not numbers") << u"abc"_s << u"x1"_s << u"abc"_s << 0.0F << u"0"_s << 0.0F;
        QTest::newRow("negative") << u"-5"_s << u"-2.5"_s << u"-5"_s << -5.0F << u"-2.5"_s
                                  << -2500.0F;
        // Too large for a single: no infinity reaches the fuel model.
        QTest::newRow("beyond a single")
            << u"1e39"_s << u"1e36"_s << u"1e39"_s << 0.0F << u"0"_s << 0.0F;
        QTest::newRow("largest double")
            << u"1e308"_s << u"-1e400"_s << u"1e308"_s << 0.0F << u"0"_s << 0.0F;
    }
    void choosesCar() {
        QFETCH(QString, tank);
        QFETCH(QString, economy);
        QFETCH(QString, tankText);
        QFETCH(float, tankCapacity);
        QFETCH(QString, economyText);
        QFETCH(float, fuelEconomy);
        const CarChoice choice = chooseCar(tank, economy);
        QCOMPARE(choice.tankText, tankText);
        QCOMPARE(choice.TankCapacity, tankCapacity);
        QCOMPARE(choice.economyText, economyText);
        QCOMPARE(choice.FuelEconomy, fuelEconomy);
        QVERIFY(std::isfinite(choice.TankCapacity) && std::isfinite(choice.FuelEconomy));
    }

    void courseLength_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<qint32>("length");
        QTest::newRow("whole metres") << u"5807"_s << 5807;
        QTest::newRow("nothing chosen") << QString() << 0;
        QTest::newRow("half to even") << u"2.5"_s << 2;
        QTest::newRow("negative") << u"-12"_s << -12;
        QTest::newRow("beyond 32 bits") << u"3000000000"_s << 0;
    }
    void courseLength() {
        QFETCH(QString, column);
        QFETCH(qint32, length);
        QCOMPARE(courseLengthFrom(column), length);
    }

    // From the editor to the slot: what the operator typed reaches the fuel model's values.
    void fromEditorToSlot() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString cars = dir.filePath(u"Car.ini"_s);
        const QString courses = dir.filePath(u"Course.ini"_s);
        QVERIFY(writeCarFile(cars, {{u"Car A"_s, u"Ann"_s, u"60.00"_s, u"8.50"_s}}));
        QVERIFY(writeCourseFile(courses, {{u"Course A"_s, u"5,807"_s}}));

        const CarFileLoad carLoad = loadCarFile(cars, false);
        QCOMPARE(carLoad.entries->size(), 1);
        const QString carEntry = carLoad.entries->first();
        QCOMPARE(entryColumn(carEntry, 0), u"Car A"_s);
        const CarChoice choice = chooseCar(entryColumn(carEntry, 1), entryColumn(carEntry, 2));
        QCOMPARE(choice.tankText, u"60"_s);
        QCOMPARE(choice.TankCapacity, 60.0F);
        QCOMPARE(choice.economyText, u"8.5"_s);
        QCOMPARE(choice.FuelEconomy, 8500.0F);

        const CourseFileLoad courseLoad = loadCourseFile(courses, false);
        const QString courseEntry = courseLoad.entries->first();
        QCOMPARE(entryColumn(courseEntry, 0), u"Course A(5807m)"_s);
        QCOMPARE(courseLengthFrom(entryColumn(courseEntry, 1)), 5807);
    }
};

QTEST_GUILESS_MAIN(TestCarChoice)
#include "test_car_choice.moc"
