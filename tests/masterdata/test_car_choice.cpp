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

    // From the editor to the slot: what the operator typed reaches the fuel model's values.
    void fromEditorToSlot() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString cars = dir.filePath(u"Car.ini"_s);
        const QString courses = dir.filePath(u"Course.ini"_s);
        QVERIFY(writeCarFile(cars, {{u"Car A"_s, u"Ann"_s, u"60.00"_s, u"8.50"_s}}));
        QVERIFY(writeCourseFile(courses, {{u"Course A"_s, u"5,807"_s}}));

        const CarFileLoad carLoad = loadCarFile(cars, false);
        QCOMPARE(carLoad.cars->size(), 1);
        const CarRecord& car = carLoad.cars->first();
        QCOMPARE(car.name, u"Car A"_s);
        const CarChoice choice = chooseCar(car);
        QCOMPARE(choice.tankText, u"60"_s);
        QCOMPARE(choice.TankCapacity, 60.0F);
        QCOMPARE(choice.economyText, u"8.5"_s);
        QCOMPARE(choice.FuelEconomy, 8500.0F);

        const CourseFileLoad courseLoad = loadCourseFile(courses, false);
        const CourseRecord& course = courseLoad.courses->first();
        QCOMPARE(courseCaption(course), u"Course A(5807m)"_s);
        QCOMPARE(course.length, 5807);
    }
};

QTEST_GUILESS_MAIN(TestCarChoice)
#include "test_car_choice.moc"
