#include "common/file_bytes.h"
#include "console_fixture.h"
#include "offered_choices.h"
#include "platform/cp932.h"
#include "table_texts.h"
#include "test_car.h"
#include "widgets/choice_list.h"
#include "widgets/lap_grid.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QUdpSocket>

using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;
using kaltero::platform::PromptIcon;
using kaltero::platform::ScriptedPrompts;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::rowTexts;
using kaltero::testing::TestCar;
using kaltero::widgets::LapGrid;

using kaltero::testing::readBytes;

namespace {

const QString kRule(40, u'-');

struct Pit : ConsoleFixture {
    // Slots set up as the operator does it.
    explicit Pit(QList<int> slots = {}) {
        for (int s : slots) {
            prompts.answerInput(QStringLiteral("127.0.0.1"));
            ui().Car[s]->Btn_ClientNoSet->click();
        }
        ui().Txt_Event->setText(QStringLiteral("春の耐久"));
        ui().Txt_Date->setText(QStringLiteral("2026/04/03"));
        ui().Cmb_Tenki->setCurrentIndex(0);  // 晴
        ui().Txt_Kion->setText(QStringLiteral("18"));
        prompts.clearCalls();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& fileName) {
        prompts.answerSaveFile(fileName);
        ui().Btn_Write->click();
    }
    // A lap recorded in the race: its time text (as typed, none of its ticks), driver, remarks
    // and message log.
    void record(int slot, int lapNo, const QString& time, const QString& driver = {},
                const QString& remarks = {}, const QString& log = {},
                const kaltero::model::Figures& figures = {}) {
        kaltero::core::Lap lap;
        lap.timed = true;
        lap.edited = true;
        lap.editText = time;
        lap.driver = driver;
        lap.remarks = remarks;
        lap.log = log;
        model.recordLap(slot, lapNo, lap, 0, figures, QString());
    }
    // The driver's row in the car's driver table shows these figures.
    static kaltero::model::Figures driverFigures(qint32 best, qint32 bestLap, qint32 average) {
        kaltero::model::Figures f;
        f.DrvBestLapTicks = best;
        f.DrvBestLapNo = bestLap;
        f.DrvAveLapTicks = average;
        return f;
    }
};

QByteArray cp932Lines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encodeCp932(line) + "\r\n";
    }
    return bytes;
}

const QStringList kHeader = {QStringLiteral("イベント名:春の耐久"),
                             QStringLiteral("日付:2026/04/03"), QStringLiteral("天気:晴"),
                             QStringLiteral("気温:18"), QString()};

bool writeFile(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestResultsReportView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportOfTwoSlotsWithAGapBetween() {
        Pit con({0, 2});
        auto& ui = con.ui();
        kaltero::testing::offerCars(ui.Car[0]->Cmb_Car, {{QStringLiteral("ｸﾙﾏ赤"), {}, 60, 8.5F},
                                                         {QStringLiteral("青"), {}, 55, 9}});
        ui.Car[0]->Cmb_Car->setCurrentIndex(0);
        kaltero::testing::offerCars(ui.Car[2]->Cmb_Car, {{QStringLiteral("黄"), {}, 40, 12}});
        con.model.chooseDriver(0, QStringLiteral("山田"), QStringLiteral("0"));
        con.record(0, 1, QStringLiteral("1'02\"345"), QStringLiteral("山田"), QString(),
                   QStringLiteral("N0010000062345, "), Pit::driverFigures(62345, 1, 62345));
        // Lap 2 counted, never closed by the car.
        con.model.chooseDriver(0, QStringLiteral("佐藤"), QStringLiteral("0"));
        con.record(0, 3, QStringLiteral("0'59\"999"), QStringLiteral("佐藤"),
                   QStringLiteral("雨, スリップ"), QStringLiteral(", ピット"),
                   Pit::driverFigures(59999, 3, 59999));
        con.model.countLap(0, QStringLiteral("0"));
        con.model.editLapDriver(0, 4, QStringLiteral("佐藤"));
        con.model.editLapRemarks(0, 4, QStringLiteral("no time"));
        // Slot 2 has laps but no address: it is not in the report.
        con.record(1, 1, QStringLiteral("9'59\"999"));
        con.record(2, 1, QStringLiteral("0'48\"000"), {}, {}, QStringLiteral(", "));

        const QString file = con.path(QStringLiteral("race.txt"));
        con.write(file);

        const QByteArray expected = cp932Lines(
            kHeader + QStringList{kRule, QStringLiteral("１号車"), QStringLiteral("車輌名:ｸﾙﾏ赤"),
                                  kRule, QStringLiteral("1,1'02\"345,山田,,N0010000062345, "),
                                  QStringLiteral("3,0'59\"999,佐藤,雨, スリップ,, ピット"), kRule,
                                  QStringLiteral("個人集計"), kRule,
                                  QStringLiteral("山田,1'02\"345-1L,1'02\"345"),
                                  QStringLiteral("佐藤,0'59\"999-3L,0'59\"999"), kRule,
                                  QStringLiteral("３号車"), QStringLiteral("車輌名:"), kRule,
                                  QStringLiteral("1,0'48\"000,,,, "), kRule,
                                  QStringLiteral("個人集計"), kRule});
        const QByteArray written = readBytes(file);
        QCOMPARE(written, expected);
        // Code page 932 itself: half-width katakana are one byte each, lines end CR LF.
        QVERIFY(written.contains(":\xb8\xd9\xcf"));
        QVERIFY(written.endsWith(QByteArray(QByteArray(40, '-') + "\r\n")));

        QCOMPARE(con.prompts.calls().size(), 1);
        const ScriptedPrompts::Call& dialog = con.prompts.calls()[0];
        QCOMPARE(dialog.kind, ScriptedPrompts::Kind::SaveFile);
        QCOMPARE(dialog.title, QStringLiteral("ファイル書込"));
        QCOMPARE(dialog.filter,
                 QStringLiteral(
                     "テキストデータ (*.txt)|*.txt|CSV (*.csv)|*.csv|全てのファイル (*.*)|*.*"));
        QCOMPARE(dialog.preset, QString());
    }

    void fileIsWrittenUnderTheNameChosen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("new file") << "report.txt" << QByteArray();
        QTest::newRow("name without extension kept") << "report" << QByteArray();
        QTest::newRow("longer file replaced whole") << "old.txt" << QByteArray(5000, 'x');
    }
    void fileIsWrittenUnderTheNameChosen() {
        QFETCH(QString, name);
        QFETCH(QByteArray, before);
        Pit con;
        const QString file = con.path(name);
        if (!before.isEmpty()) {
            QVERIFY(writeFile(file, before));
        }
        QStringList files = QDir(con.dir.path()).entryList(QDir::Files);
        con.write(file);
        // No slot set up: the event data alone.
        QCOMPARE(readBytes(file), cp932Lines(kHeader));
        // Exactly the name chosen: no extension added, no temporary left beside it.
        if (!files.contains(name)) {
            files << name;
            files.sort();
        }
        QCOMPARE(QDir(con.dir.path()).entryList(QDir::Files), files);
        QCOMPARE(con.prompts.texts(), QStringList());
    }

    void cancelledDialogWritesNothing() {
        Pit con({0});
        const QString existing = con.path(QStringLiteral("race.txt"));
        QVERIFY(writeFile(existing, "older report\r\n"));
        const QStringList before =
            QDir(con.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        con.write(QString());
        QCOMPARE(con.prompts.calls().size(), 1);  // the dialog, and no message after it
        QCOMPARE(QDir(con.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(readBytes(existing), QByteArray("older report\r\n"));
    }

    void fileThatCannotBeWrittenIsToldAndTheConsoleGoesOn_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a missing folder") << "missing/race.txt";
        QTest::newRow("a write-protected file") << "folder/older.txt";
    }
    void fileThatCannotBeWrittenIsToldAndTheConsoleGoesOn() {
        QFETCH(QString, target);
        Pit con({0});
        con.record(0, 1, QStringLiteral("0'48\"000"));
        QVERIFY(QDir(con.dir.path()).mkdir(QStringLiteral("folder")));
        const QString older = con.path(QStringLiteral("folder/older.txt"));
        QVERIFY(writeFile(older, "older report\r\n"));
        if (target.endsWith(u"older.txt")) {
            QVERIFY(QFile::setPermissions(older, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        }
        const QStringList folderBefore =
            QDir(con.path(QStringLiteral("folder"))).entryList(QDir::AllEntries);

        const QString file = con.path(target);
        con.write(file);

        QCOMPARE(con.prompts.calls().size(), 2);
        const ScriptedPrompts::Call& told = con.prompts.calls()[1];
        QCOMPARE(told.kind, ScriptedPrompts::Kind::Message);
        QCOMPARE(told.icon, PromptIcon::Critical);
        QVERIFY2(told.text.startsWith(u"走行結果を保存できませんでした。\n" +
                                      QDir::toNativeSeparators(file)),
                 qPrintable(told.text));
        QCOMPARE(readBytes(older), QByteArray("older report\r\n"));
        QCOMPARE(QDir(con.path(QStringLiteral("folder"))).entryList(QDir::AllEntries),
                 folderBefore);
        QVERIFY(!QFileInfo::exists(con.path(QStringLiteral("missing"))));

        // The results are still there: another place takes them.
        QVERIFY(con.ui().Btn_Write->isEnabled());
        const QString elsewhere = con.path(QStringLiteral("elsewhere.txt"));
        con.write(elsewhere);
        QCOMPARE(con.prompts.calls().size(), 3);
        QVERIFY(readBytes(elsewhere).contains(encodeCp932(u"1,0'48\"000,,,\r\n")));
    }

    // A name ending in .csv gets the laps for a spreadsheet instead of the text report.
    void csvNameWritesTheLapsForASpreadsheet() {
        Pit con({0});
        con.model.start(ConsoleFixture::kStart, std::nullopt);
        con.record(0, 1, QStringLiteral("0'48\"000"), QStringLiteral("山田"));
        con.model.stop();  // the results are saved once the run is over
        const QString file = con.path(QStringLiteral("laps.CSV"));
        con.write(file);
        const QByteArray bytes = readBytes(file);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QVERIFY(lines.value(0).startsWith(u"車番,車輌名,周回"));
        QVERIFY2(lines.value(1).startsWith(u"1,,1,0,\"0'48\"\"000\",山田"),
                 qPrintable(lines.value(1)));
    }

    // A real run: laps timed from a car's reports, driver figures from the console's own
    // statistics; the report holds exactly what the grids show.
    void reportCopiesTheGridsOfARealRun() {
        Pit con({0});
        auto& ui = con.ui();
        kaltero::testing::offerCars(ui.Car[0]->Cmb_Car, {{QStringLiteral("赤"), {}, 60, 8.5F}});
        ui.Car[0]->Cmb_Car->setCurrentIndex(0);
        auto* driver = ui.Car[0]->Cmb_Driver;
        kaltero::testing::offerDrivers(driver, {QStringLiteral("山田"), QStringLiteral("佐藤")});
        driver->setCurrentIndex(0);
        Q_EMIT driver->activated(0);  // chosen by the operator

        TestCar car(0);
        ui.Btn_Start->click();
        for (int lap = 1; lap <= 3; ++lap) {
            if (lap == 3) {
                driver->setCurrentIndex(1);
                Q_EMIT driver->activated(1);
            }
            con.clock.advance(11'000 + 2 * lap - 1);  // 11.001 s, 11.003 s, 11.005 s
            const QString report = QStringLiteral("%1").arg(lap - 1, 3, 10, QLatin1Char('0'));
            QVERIFY(car.exchange(lap == 2 ? report + QStringLiteral("ピット") : report) !=
                    u"<no reply>");
        }
        con.clock.advance(11'000);  // lap 4 counted, not closed
        con.prompts.answerYesNo(true);
        ui.Btn_Start->click();
        con.prompts.clearCalls();

        const QString file = con.path(QStringLiteral("run.txt"));
        con.write(file);
        const QString text = decodeCp932(readBytes(file));
        QVERIFY(text.endsWith(u"\r\n"));
        const QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));

        QStringList shown;
        const LapGrid* laps = ui.Car[0]->Spd_Laps;
        QCOMPARE(laps->rowCount(), 4);
        for (int r = 1; r <= laps->rowCount(); ++r) {
            if (!laps->cellText(1, r).isEmpty()) {
                shown << QStringList{QString::number(r), laps->cellText(1, r), laps->cellText(2, r),
                                     laps->cellText(3, r), laps->cellText(5, r)}
                             .join(u',');
            }
        }
        shown << kRule << QStringLiteral("個人集計") << kRule;
        const auto* drivers = con.find<QTableView>(QStringLiteral("Spd_DriverInfo_0"));
        for (int r = 0; r < drivers->model()->rowCount(); ++r) {
            shown << rowTexts(drivers, r).join(u',');
        }
        QCOMPARE(lines.mid(9), shown);
        QCOMPARE(lines.mid(5, 4), (QStringList{kRule, QStringLiteral("１号車"),
                                               QStringLiteral("車輌名:赤"), kRule}));

        // And the grids held what the run produced.
        // Column 5 holds the message sent to the car and the car's own message.
        QCOMPARE(lines.mid(9, 3), (QStringList{QStringLiteral("1,0'11\"001,山田,,, "),
                                               QStringLiteral("2,0'11\"003,山田,,, ピット"),
                                               QStringLiteral("3,0'11\"005,佐藤,,, ")}));
        QCOMPARE(lines.size(), 17);  // lap 4 has no time yet and is left out
        QCOMPARE(lines.mid(15), (QStringList{QStringLiteral("山田,0'11\"001-1L,0'11\"002"),
                                             QStringLiteral("佐藤,0'11\"005-3L,0'11\"005")}));
    }
};

QTEST_MAIN(TestResultsReportView)
#include "test_results_report_view.moc"
