// A whole race the way a team runs it: the real console window on the real clock, five
// simulated cars on the loopback link for twenty laps each, and the operator's work during the
// race (refuelling, a lap countdown, a driver change, messages for one car and for all cars, a
// lap count correction, one car stopped), then Stop and the results report. The race runs once,
// in initTestCase; each check after it compares what the console shows with what the cars saw.
#include "car_sim.h"
#include "console/application.h"
#include "console/main_window.h"
#include "console/race_tables.h"
#include "console/window_controls.h"
#include "core/console_context.h"
#include "core/settings.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "platform/udp_link.h"
#include "sample_data.h"
#include "table_texts.h"
#include "widgets/choice_list.h"
#include "widgets/gauge.h"
#include "widgets/lap_grid.h"
#include "widgets/widget_build.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>

using namespace kaltero;
using kaltero::console::StandingsModel;
using kaltero::testing::cellText;
using kaltero::testing::rowTexts;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCars = 5;
constexpr int kLaps = 20;
// A pass in range of the pit and the silence between passes. The silence outlasts the one
// second of no communication set below by 400 ms, four display ticks of the lap timer.
constexpr int kInRangeMs = 400;
constexpr int kSilenceMs = 1400;
constexpr int kReportEveryMs = 100;

// The slot the operator works on for each task.
constexpr int kFuelSlot = 0;  // refuelled twice; also gets a typed message
constexpr int kCountdownSlot = 1;
constexpr int kDriverSlot = 2;
constexpr int kCorrectionSlot = 3;
constexpr int kStoppedSlot = 4;

// When: the lap count (just counted, the car silent) at which each task is done.
constexpr int kFirstRefuelAt = 3;
constexpr int kSecondRefuelAt = 12;
constexpr int kTypedMessageAt = 6;
constexpr int kAllCarsMessageAt = 9;
constexpr int kCountdownAt = 4;
constexpr int kDriverChangeAt = 8;
constexpr int kCorrectionAt = 8;
constexpr int kCorrectedTo = 6;
// The stopped car is stopped as soon as it has received the record of this lap.
constexpr int kStoppedAfter = 14;

constexpr int kCountdownLaps = 5;
const QString kAutoMess3 = u"あと3周でピット"_s;
const QString kAutoMess2 = u"あと2周でピット"_s;
const QString kAutoMess1 = u"次の周でピット"_s;
const QString kAutoMess0 = u"ピットイン！"_s;

const QString kCarMessage = u"燃料OK"_s;
const QString kTyped = u"pit in 3"_s;
const QString kTypedFullWidth = u"ｐｉｔ　ｉｎ　３"_s;
const QString kAllCars = u"Go 5"_s;
const QString kAllCarsFullWidth = u"（全車へ：Ｇｏ　５）"_s;
const QString kRefuelAmount = u"30"_s;

// The sample master data: car s is chosen for slot s; its tank and economy.
const std::array<QString, kCars> kCarNames = {u"赤 GT-R"_s, u"青 NSX"_s, u"白 Supra"_s,
                                              u"黒 RX-7"_s, u"緑 Z"_s};
const std::array<QString, kCars> kTitles = {u"１号車"_s, u"２号車"_s, u"３号車"_s, u"４号車"_s,
                                            u"５号車"_s};
constexpr double kFuelTank = 100.0;
constexpr double kFuelEconomyKmPerL = 2.5;
const QString kCourse = u"鈴鹿サーキット(5807m)"_s;
constexpr double kCourseLength = 5807.0;
const std::array<QString, kCars> kDrivers = {u"高橋"_s, u"田中"_s, u"佐藤"_s, u"渡辺"_s, u"鈴木"_s};
const QString kSecondDriver = u"伊藤"_s;

const QString kEventName = u"Kaltero 耐久 第3戦"_s;
const QString kWeather = u"曇"_s;
const QString kTemperature = u"18"_s;

// The lap-time text at 1/1000 for a positive tick count: 83456 -> 1'23"456.
QString lapText(qint64 ticks) {
    return u"%1'%2\"%3"_s.arg(ticks / 60000)
        .arg(ticks / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ticks % 1000, 3, 10, QLatin1Char('0'));
}

// Nearest whole number, halves to the even neighbour.
qint64 roundHalfEven(double value) {
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff != 0.5) {
        return qint64(diff < 0.5 ? down : down + 1);
    }
    return qint64(std::fmod(down, 2.0) == 0.0 ? down : down + 1);
}

// What the console's lap grid of a car must hold: row number -> lap time in ticks.
using Rows = std::map<int, qint64>;

struct Figures {
    QString best;     // "1'23\"456-12L", or "-"
    QString average;  // "1'23\"456"
};

// A driver's best and average over the rows the driver drove.
Figures driverFigures(const Rows& rows, const std::function<bool(int)>& drove) {
    qint64 best = -1;
    int bestRow = 0;
    qint64 sum = 0;
    int count = 0;
    for (const auto& [row, ticks] : rows) {
        if (!drove(row)) {
            continue;
        }
        sum += ticks;
        ++count;
        if (best < 0 || ticks < best) {
            best = ticks;
            bestRow = row;
        }
    }
    if (count == 0) {
        return {u"-"_s, u"-"_s};
    }
    return {lapText(best) + u'-' + QString::number(bestRow) + u'L',
            lapText(roundHalfEven(double(sum) / count))};
}

QString reminder(int lapsLeft) {
    switch (lapsLeft) {
        case 3:
            return u" [ "_s + kAutoMess3 + u" ] "_s;
        case 2:
            return u" [ "_s + kAutoMess2 + u" ] "_s;
        case 1:
            return u" [ "_s + kAutoMess1 + u" ] "_s;
        default:
            return lapsLeft <= 0 ? u" [ "_s + kAutoMess0 + u" ] "_s : u" "_s;
    }
}

void choose(widgets::ChoiceList* list, const QString& shown) {
    const int index = list->findText(shown);
    QVERIFY2(index >= 0, qPrintable(list->objectName() + u" has no entry "_s + shown));
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

struct BoardRow {
    QString name;
    QString lap;
    QString best;
    QString bestLap;
    bool operator==(const BoardRow&) const = default;
};

QString describe(const QList<BoardRow>& rows) {
    QStringList out;
    for (const BoardRow& r : rows) {
        out << u"%1 lap %2 best %3 (lap %4)"_s.arg(r.name, r.lap, r.best, r.bestLap);
    }
    return out.join(u"; "_s);
}

}  // namespace

class TestFullRace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyReplyWasWellFormed();
    void everyLapIsRecordedWithTheTimeTheCarMeasured();
    void theCorrectionRewroteTheLapsAfterIt();
    void theStoppedCarKeepsItsLaps();
    void lapRecordsCarryTheDriversFigures();
    void carAndDriverFigures();
    void standingsFollowTheGrids();
    void fuelOfTheRefuelledCar();
    void remindersCountDown();
    void messagesForOneCarAndForAll();
    void messageLogOfEveryLap();
    void reportMatchesTheGrids();
    void cleanupTestCase();

private:
    // The window's controls, found by their names once the window is open.
    testing::WindowControls& ui() const {
        if (!controls_) {
            controls_.emplace(*program_->window());
        }
        return *controls_;
    }
    const QTableView* table(const QString& name) const {
        return program_->window()->findChild<QTableView*>(name);
    }
    const core::CarSlot& car(int s) { return console_->state.car[s]; }
    void act();
    void checkStandings(int reportingSlot);
    QList<BoardRow> expectedBoard() const;
    QList<BoardRow> shownBoard() const;
    QList<carsim::Reply> repliesOf(int slot) const;
    QList<carsim::LapResult> lapsOf(int slot) const;
    Rows expectedRows(int slot) const;

    std::unique_ptr<QTemporaryDir> dir_;
    platform::SystemClock clock_;
    platform::ScriptedPrompts prompts_;
    model::RaceModel race_;
    std::unique_ptr<core::Console> console_;
    std::unique_ptr<engine::RaceEngine> engine_;
    std::unique_ptr<console::Application> program_;
    mutable std::optional<testing::WindowControls> controls_;
    std::unique_ptr<carsim::CarSim> sim_;
    carsim::CarSimResult result_;
    QString reportPath_;

    // The time between the console's Start and the simulator's start, at most.
    qint64 startGapMs_ = 0;
    QDateTime startedAfter_;
    QDateTime startedBefore_;

    // What the operator did, and what the console showed right then.
    bool refuelledFirst_ = false;
    bool refuelledSecond_ = false;
    QString allGasAfterFirst_;
    QString zanGasAfterFirst_;
    double gaugeAfterFirst_ = -1;
    bool typedMessage_ = false;
    bool typedAllCars_ = false;
    std::array<qsizetype, kCars> repliesBeforeAllCars_{};
    bool tickedCountdown_ = false;
    QString countdownShownAtTick_;
    bool changedDriver_ = false;
    bool corrected_ = false;
    bool correctionPending_ = false;  // from the correction to the car's next report
    qsizetype repliesBeforeCorrection_ = 0;
    QString lapLabelAfterCorrection_;
    int rowsAfterCorrection_ = -1;
    QStringList correctionQuestions_;
    bool stopped_ = false;
    QString stopQuestion_;

    // At the end of the race, before Stop.
    QString zanGasAtEnd_;
    QString allGasAtEnd_;
    double gaugeAtEnd_ = -1;
    bool gaugeBlinkingAtEnd_ = false;
    QString countdownAtEnd_;

    // Standings checked after every report.
    int standingsChecked_ = 0;
    QStringList standingsProblems_;
    QList<BoardRow> lastExpectedBoard_;
};

void TestFullRace::initTestCase() {
    QElapsedTimer whole;
    whole.start();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    const QString folder = dir_->path();
    QVERIFY(showcase::writeSampleMasterData(folder));
    core::Settings settings;
    settings.NoCommSeconds = 1;
    settings.AutoMess3 = kAutoMess3;
    settings.AutoMess2 = kAutoMess2;
    settings.AutoMess1 = kAutoMess1;
    settings.AutoMess0 = kAutoMess0;
    settings.CheckDefaultLaps = kCountdownLaps;
    settings.derive();
    QVERIFY(core::WriteAllSettings(settings, QDir(folder).filePath(u"Kaltero.ini"_s)));
    reportPath_ = QDir(folder).filePath(u"結果.txt"_s);

    console_ = std::make_unique<core::Console>(prompts_, clock_, race_, race_.state());
    engine_ = std::make_unique<engine::RaceEngine>(*console_);
    program_ = std::make_unique<console::Application>(*console_, *engine_, folder, [] {});
    program_->start();
    QTRY_VERIFY_WITH_TIMEOUT(program_->window() != nullptr, 8000);
    QCOMPARE(console_->settings.NoCommSeconds, 1);
    auto& ui = this->ui();

    // Event data, the course, five slots with car and driver, one hour of race.
    ui.Txt_Event->setText(kEventName);
    ui.Cmb_Tenki->setCurrentIndex(ui.Cmb_Tenki->findText(kWeather));
    ui.Txt_Kion->setText(kTemperature);
    choose(ui.Cmb_Course, kCourse);
    QFocusEvent leave(QEvent::FocusOut);
    QCoreApplication::sendEvent(ui.Cmb_Course, &leave);
    QCOMPARE(console_->state.CourseLength, qint32(kCourseLength));
    for (int s = 0; s < kCars; ++s) {
        prompts_.answerInput(u"127.0.0.1"_s);
        ui.Car[s]->Btn_ClientNoSet->click();
        QCOMPARE(ui.Car[s]->Lbl_IP->text(), u"127.0.0.1"_s);
        choose(ui.Car[s]->Cmb_Car, kCarNames[s]);
        choose(ui.Car[s]->Cmb_Driver, kDrivers[s]);
    }
    QCOMPARE(ui.Car[kFuelSlot]->Lbl_Tank->text(), u"100"_s);
    QCOMPARE(ui.Car[kFuelSlot]->Txt_Nenpi->text(), u"2.5"_s);
    ui.Txt_RunH->setText(u"1"_s);
    ui.Txt_RunN->setText(u"0"_s);

    // Standings are checked after every report the console handles: connected after the
    // console's own handler, so they see what it has just done.
    for (int s = 0; s < kCars; ++s) {
        connect(console_->sockets.car[s].get(), &platform::UdpLink::dataArrival, this,
                [this, s] { checkStandings(s); });
    }

    carsim::CarSimOptions options;
    options.cars = {1, 2, 3, 4, 5};
    options.laps = kLaps;
    options.inRangeMs = kInRangeMs;
    options.silenceMs = kSilenceMs;
    options.intervalMs = kReportEveryMs;
    options.message = kCarMessage;
    options.timeoutMs = 75'000;
    sim_ = std::make_unique<carsim::CarSim>(options);
    connect(sim_.get(), &carsim::CarSim::lapCompleted, this, [this](const carsim::LapResult& lap) {
        if (lap.car == kStoppedSlot + 1 && lap.lap == kStoppedAfter && !stopped_) {
            stopped_ = true;
            // Right after the car read its record, out of the simulator's own handler.
            QTimer::singleShot(0, this, [this] {
                prompts_.answerYesNo(true);
                this->ui().Car[kStoppedSlot]->Btn_RunStop->click();
                stopQuestion_ = prompts_.calls().back().text;
                sim_->retire(kStoppedSlot + 1);
            });
        }
    });
    QSignalSpy finished(sim_.get(), &carsim::CarSim::finished);

    QElapsedTimer gap;
    startedAfter_ = QDateTime::currentDateTime();
    gap.start();
    ui.Btn_Start->click();
    QString error;
    QVERIFY2(sim_->start(&error), qPrintable(error));
    startGapMs_ = gap.elapsed() + 1;
    startedBefore_ = QDateTime::currentDateTime();
    QCOMPARE(ui.Btn_Start->text(), u"Stop"_s);

    // The operator watches the cars and does each task when its moment comes.
    QTimer operatorTimer;
    operatorTimer.setInterval(10);
    connect(&operatorTimer, &QTimer::timeout, this, [this] { act(); });
    operatorTimer.start();
    QVERIFY2(finished.wait(options.timeoutMs + 10'000), "the simulator never finished");
    result_ = sim_->result();
    QVERIFY2(result_.completed, qPrintable(result_.problems.join(u'\n')));

    // Every running car falls silent after its last lap: its next lap is counted.
    QTRY_VERIFY_WITH_TIMEOUT(
        car(0).LapPending && car(1).LapPending && car(2).LapPending && car(3).LapPending, 5000);
    operatorTimer.stop();
    zanGasAtEnd_ = ui.Car[kFuelSlot]->Lbl_ZanGas->text();
    allGasAtEnd_ = ui.Car[kFuelSlot]->Lbl_AllGas->text();
    gaugeAtEnd_ = ui.Car[kFuelSlot]->Meter_Gas->value();
    gaugeBlinkingAtEnd_ = ui.Car[kFuelSlot]->Time_GasBlk->isActive();
    countdownAtEnd_ = ui.Car[kCountdownSlot]->Txt_ZanRunCnt->text();

    prompts_.answerYesNo(true);
    ui.Btn_Start->click();
    QCOMPARE(prompts_.calls().back().text, u"ストップしますか？"_s);
    QCOMPARE(ui.Btn_Start->text(), u"Start"_s);
    QVERIFY(ui.Btn_Write->isEnabled());

    QCOMPARE(prompts_.pendingAnswers(), 0);
    QVERIFY2(prompts_.errors().isEmpty(), qPrintable(prompts_.errors().join(u'\n')));
    qInfo("race of %d laps for %d cars run in %lld ms", kLaps, kCars, whole.elapsed());
}

// One step of the operator, every 10 ms while the race runs. Each task waits for its car to
// have just counted a lap (the car is silent and its lap row is empty) so that it lands
// between two passes of the car.
void TestFullRace::act() {
    auto& ui = this->ui();
    const auto countedJustNow = [this](int s, int lap) {
        return car(s).LapPending && car(s).LapCnt == lap;
    };
    if (!refuelledFirst_ && countedJustNow(kFuelSlot, kFirstRefuelAt)) {
        refuelledFirst_ = true;
        ui.Car[kFuelSlot]->Txt_InGasl->setText(kRefuelAmount);
        ui.Car[kFuelSlot]->Btn_Kyuyu->click();
        allGasAfterFirst_ = ui.Car[kFuelSlot]->Lbl_AllGas->text();
        zanGasAfterFirst_ = ui.Car[kFuelSlot]->Lbl_ZanGas->text();
        gaugeAfterFirst_ = ui.Car[kFuelSlot]->Meter_Gas->value();
    }
    if (!refuelledSecond_ && countedJustNow(kFuelSlot, kSecondRefuelAt)) {
        refuelledSecond_ = true;
        // The amount stays in the field: the same refuelling again is one press.
        ui.Car[kFuelSlot]->Btn_Kyuyu->click();
    }
    if (!typedMessage_ && countedJustNow(kFuelSlot, kTypedMessageAt)) {
        typedMessage_ = true;
        ui.Car[kFuelSlot]->Txt_OutMess->setText(kTyped);
    }
    if (!typedAllCars_ && countedJustNow(kFuelSlot, kAllCarsMessageAt)) {
        typedAllCars_ = true;
        for (int s = 0; s < kCars; ++s) {
            repliesBeforeAllCars_[s] = repliesOf(s).size();
        }
        ui.Txt_AllOutMess->setText(kAllCars);
    }
    if (!tickedCountdown_ && countedJustNow(kCountdownSlot, kCountdownAt)) {
        tickedCountdown_ = true;
        ui.Car[kCountdownSlot]->Chk_ChgCnter->click();
        countdownShownAtTick_ = ui.Car[kCountdownSlot]->Txt_ZanRunCnt->text();
    }
    if (!changedDriver_ && countedJustNow(kDriverSlot, kDriverChangeAt)) {
        changedDriver_ = true;
        choose(ui.Car[kDriverSlot]->Cmb_Driver, kSecondDriver);
    }
    if (!corrected_ && countedJustNow(kCorrectionSlot, kCorrectionAt)) {
        corrected_ = true;
        correctionPending_ = true;
        repliesBeforeCorrection_ = repliesOf(kCorrectionSlot).size();
        const qsizetype asked = prompts_.calls().size();
        prompts_.answerInput(QString::number(kCorrectedTo));
        prompts_.answerYesNo(true);
        ui.Car[kCorrectionSlot]->Btn_LapChg->click();
        for (qsizetype i = asked; i < prompts_.calls().size(); ++i) {
            correctionQuestions_ << prompts_.calls()[i].text;
        }
        lapLabelAfterCorrection_ = ui.Car[kCorrectionSlot]->Lbl_LapCnt->text();
        rowsAfterCorrection_ = ui.Car[kCorrectionSlot]->Spd_Laps->rowCount();
    }
}

QList<carsim::Reply> TestFullRace::repliesOf(int slot) const {
    QList<carsim::Reply> out;
    const auto& all = sim_->result().replies;
    for (const carsim::Reply& r : all) {
        if (r.car == slot + 1) {
            out << r;
        }
    }
    return out;
}

QList<carsim::LapResult> TestFullRace::lapsOf(int slot) const {
    QList<carsim::LapResult> out;
    for (const carsim::LapResult& lap : result_.laps) {
        if (lap.car == slot + 1) {
            out << lap;
        }
    }
    return out;
}

// The lap grid a car must end with, from the laps the car received in turn: each record is
// written into the row of its lap number, and a record whose lap number is not above the last
// one is the correction's, which has deleted every row after it.
Rows TestFullRace::expectedRows(int slot) const {
    Rows rows;
    for (const carsim::LapResult& lap : lapsOf(slot)) {
        if (!rows.empty() && lap.lap <= rows.rbegin()->first) {
            rows.erase(rows.upper_bound(lap.lap), rows.end());
        }
        rows[lap.lap] = lap.consoleMs;
    }
    return rows;
}

// The board as the grids say it must be: the lap each car is on (the counted lap while its
// row is still empty, else the one after the last row), its best lap from the times in the
// grid, ranked by more laps, then the smaller best-lap text, then the lower slot.
QList<BoardRow> TestFullRace::expectedBoard() const {
    struct Entry {
        QString key;
        BoardRow row;
    };
    QList<Entry> entries;
    for (int s = 0; s < kCars; ++s) {
        const widgets::LapGrid* grid = ui().Car[s]->Spd_Laps;
        const int rows = grid->rowCount();
        const bool counted = rows > 0 && grid->cellText(4, rows).trimmed().isEmpty();
        const int lap = counted ? rows : rows + 1;
        qint64 best = -1;
        int bestRow = 0;
        for (int r = 1; r <= rows; ++r) {
            const QString ticks = grid->cellText(4, r).trimmed();
            if (!ticks.isEmpty() && (best < 0 || ticks.toLongLong() < best)) {
                best = ticks.toLongLong();
                bestRow = r;
            }
        }
        const QString bestText = best < 0 ? QString() : lapText(best);
        entries << Entry{
            u"%1"_s.arg(999 - lap, 3, 10, QLatin1Char('0')) + bestText + QString::number(s),
            {kCarNames[s], QString::number(lap), bestText, QString::number(bestRow)}};
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    QList<BoardRow> out;
    for (const Entry& e : entries) {
        out << e.row;
    }
    return out;
}

QList<BoardRow> TestFullRace::shownBoard() const {
    const QTableView* board = table(u"Spd_Standings"_s);
    QList<BoardRow> out;
    for (int r = 0; r < kCars; ++r) {
        out << BoardRow{cellText(board, r, StandingsModel::kCarName),
                        cellText(board, r, StandingsModel::kLap),
                        cellText(board, r, StandingsModel::kBestTime),
                        cellText(board, r, StandingsModel::kBestLap)};
    }
    return out;
}

void TestFullRace::checkStandings(int reportingSlot) {
    if (reportingSlot == kCorrectionSlot) {
        correctionPending_ = false;
    }
    // Between a correction and the car's next report the corrected count stands for a lap
    // whose row still holds the old time; the grid alone cannot tell the lap then.
    if (correctionPending_) {
        return;
    }
    ++standingsChecked_;
    lastExpectedBoard_ = expectedBoard();
    const QList<BoardRow> shown = shownBoard();
    if (shown != lastExpectedBoard_ && standingsProblems_.size() < 5) {
        standingsProblems_ << u"after a report of car %1: shown %2; expected %3"_s
                                  .arg(reportingSlot + 1)
                                  .arg(describe(shown), describe(lastExpectedBoard_));
    }
}

void TestFullRace::everyReplyWasWellFormed() {
    QVERIFY(!result_.malformed);
    QVERIFY2(result_.problems.isEmpty(), qPrintable(result_.problems.join(u'\n')));
    for (int s = 0; s < kCars; ++s) {
        const QList<carsim::Reply> replies = repliesOf(s);
        // Several reports a pass, each answered.
        QVERIFY2(replies.size() >= 3 * (s == kStoppedSlot ? kStoppedAfter : kLaps),
                 qPrintable(u"car %1: %2 replies"_s.arg(s + 1).arg(replies.size())));
        for (const carsim::Reply& r : replies) {
            if (!r.record) {
                // Only before the car's first lap.
                QCOMPARE(r.lap, -1);
                continue;
            }
            QVERIFY(r.record->date >= startedAfter_.date() &&
                    r.record->date <= QDate::currentDate());
            // The race ends one hour after Start.
            const QTime endLow = startedAfter_.addSecs(3600).time();
            const QTime endHigh = startedBefore_.addSecs(3600).time();
            QVERIFY2(
                r.record->endTime == QTime(endLow.hour(), endLow.minute(), endLow.second()) ||
                    r.record->endTime == QTime(endHigh.hour(), endHigh.minute(), endHigh.second()),
                qPrintable(r.record->endTime.toString()));
        }
    }
}

void TestFullRace::everyLapIsRecordedWithTheTimeTheCarMeasured() {
    // The console reads its tick count for a report somewhere between the car sending it and
    // the car reading the reply: a lap it times differs from the interval the car measured
    // between the two reports by at most the round trip of the report that began the lap
    // (earlier) or of the one that ended it (later), plus one tick for the counts being
    // whole ticks and the car's clock whole milliseconds. The first lap starts at the
    // console's Start, before the simulator started: that gap can only lengthen it.
    qint64 worstError = 0;
    qint64 worstRoundTrip = 0;
    for (int s = 0; s < kCars; ++s) {
        const QList<carsim::LapResult> laps = lapsOf(s);
        QCOMPARE(laps.size(), s == kStoppedSlot ? kStoppedAfter : kLaps);
        for (const carsim::LapResult& lap : laps) {
            worstError = std::max(worstError, std::abs(lap.consoleMs - lap.measuredMs));
            worstRoundTrip = std::max({worstRoundTrip, lap.openRoundTripMs, lap.closeRoundTripMs});
            QVERIFY2(lap.openRoundTripMs >= 0 && lap.closeRoundTripMs >= 0,
                     qPrintable(carsim::formatLap(lap)));
            const qint64 low = lap.measuredMs - lap.openRoundTripMs - 1;
            const qint64 high = lap.measuredMs + lap.closeRoundTripMs + 1 +
                                (lap.fromSimulatorStart ? startGapMs_ : 0);
            QVERIFY2(lap.consoleMs >= low && lap.consoleMs <= high,
                     qPrintable(carsim::formatLap(lap) + u"  allowed %1..%2"_s.arg(low).arg(high)));
        }
        const Rows rows = expectedRows(s);
        const widgets::LapGrid* grid = ui().Car[s]->Spd_Laps;
        // A running car has counted the lap after its last one: an empty row at the end.
        const int expectedRowCount = int(rows.size()) + (s == kStoppedSlot ? 0 : 1);
        QCOMPARE(grid->rowCount(), expectedRowCount);
        for (const auto& [row, ticks] : rows) {
            QCOMPARE(grid->cellText(1, row), lapText(ticks));
            QCOMPARE(grid->cellText(4, row), QString::number(ticks));
            QCOMPARE(grid->cellText(3, row), QString());
        }
        if (s != kStoppedSlot) {
            QCOMPARE(grid->cellText(1, expectedRowCount), QString());
            QCOMPARE(grid->cellText(4, expectedRowCount), QString());
        }
        for (int row = 1; row <= int(rows.size()); ++row) {
            QVERIFY2(rows.contains(row), qPrintable(u"car %1 has no lap %2"_s.arg(s + 1).arg(row)));
            const QString driver =
                s == kDriverSlot && row >= kDriverChangeAt ? kSecondDriver : kDrivers[s];
            QCOMPARE(grid->cellText(2, row), driver);
        }
    }
    qInfo("largest lap time difference %lld ms, largest round trip %lld ms, start gap %lld ms",
          worstError, worstRoundTrip, startGapMs_);
}

void TestFullRace::theCorrectionRewroteTheLapsAfterIt() {
    QVERIFY(corrected_);
    QCOMPARE(correctionQuestions_,
             (QStringList{u"今何周目ですか？"_s,
                          u"測定された６周値以降のＬＡＰ内容が削除されます。よろしいですか？"_s}));
    QCOMPARE(lapLabelAfterCorrection_, u"6周目"_s);
    QCOMPARE(rowsAfterCorrection_, kCorrectedTo);

    // The car received laps 1 to 7, then its next pass was recorded as lap 6, and the rest
    // counted on from there: twenty laps received, eighteen in the grid.
    const QList<carsim::LapResult> laps = lapsOf(kCorrectionSlot);
    QList<qint32> numbers;
    for (const auto& lap : laps) {
        numbers << lap.lap;
    }
    QList<qint32> expected;
    for (int n = 1; n < kCorrectionAt; ++n) {
        expected << n;
    }
    for (int n = kCorrectedTo; expected.size() < kLaps; ++n) {
        expected << n;
    }
    QCOMPARE(numbers, expected);
    // Row 6 holds that pass's lap, timed from the report that closed the deleted lap 7: a whole
    // lap as the car measured it (checked against its bounds above); the old laps 6 and 7 are gone.
    const Rows rows = expectedRows(kCorrectionSlot);
    QCOMPARE(int(rows.size()), kLaps - (kCorrectionAt - kCorrectedTo));
    QCOMPARE(rows.at(kCorrectedTo), laps[kCorrectionAt - 1].consoleMs);
    QCOMPARE(ui().Car[kCorrectionSlot]->Spd_Laps->cellText(4, kCorrectedTo),
             QString::number(laps[kCorrectionAt - 1].consoleMs));

    // Exactly one reply told the car of the correction: the first one after it, with lap 6.
    const QList<carsim::Reply> replies = repliesOf(kCorrectionSlot);
    int corrections = 0;
    for (qsizetype i = 0; i < replies.size(); ++i) {
        if (replies[i].flag == u'C') {
            ++corrections;
            QCOMPARE(i, repliesBeforeCorrection_);
            QCOMPARE(replies[i].lap, kCorrectedTo);
        } else {
            QCOMPARE(replies[i].flag, u'N');
        }
    }
    QCOMPARE(corrections, 1);
}

void TestFullRace::theStoppedCarKeepsItsLaps() {
    QVERIFY(stopped_);
    QCOMPARE(stopQuestion_, u"５号車の計測を中止しますか？"_s);
    // Stopped right after its fourteenth lap was recorded: the grid keeps the fourteen laps,
    // the car is on its fifteenth, and no reply reached it after the stop.
    QCOMPARE(ui().Car[kStoppedSlot]->Spd_Laps->rowCount(), kStoppedAfter);
    QCOMPARE(ui().Car[kStoppedSlot]->Lbl_LapCnt->text(), u"15周目"_s);
    for (const carsim::Reply& r : repliesOf(kStoppedSlot)) {
        QVERIFY(r.lap <= kStoppedAfter);
    }
    QCOMPARE(car(kStoppedSlot).LapCnt, kStoppedAfter);
}

void TestFullRace::lapRecordsCarryTheDriversFigures() {
    // Each record carries the lap and the current driver's best and average (halves away
    // from zero) over the grid as it stood when the lap was recorded.
    for (int s = 0; s < kCars; ++s) {
        Rows rows;
        std::map<int, QString> drivers;
        const QList<carsim::LapResult> laps = lapsOf(s);
        const QList<carsim::Reply> replies = repliesOf(s);
        int recorded = 0;
        qint32 lastLap = -1;
        for (const carsim::Reply& r : replies) {
            // A new record: another lap number, or the correction's (which may repeat one).
            if (!r.record || (r.lap == lastLap && r.flag != u'C')) {
                continue;
            }
            lastLap = r.lap;
            QVERIFY(recorded < laps.size());
            const carsim::LapResult& lap = laps[recorded++];
            QCOMPARE(r.lap, lap.lap);
            QCOMPARE(r.record->lapMs, lap.consoleMs);
            if (!rows.empty() && r.lap <= rows.rbegin()->first) {
                rows.erase(rows.upper_bound(r.lap), rows.end());
            }
            const QString driver =
                s == kDriverSlot && recorded >= kDriverChangeAt ? kSecondDriver : kDrivers[s];
            rows[r.lap] = lap.consoleMs;
            drivers[r.lap] = driver;
            qint64 best = -1;
            qint64 sum = 0;
            int count = 0;
            for (const auto& [row, ticks] : rows) {
                if (drivers[row] == driver) {
                    best = best < 0 ? ticks : std::min(best, ticks);
                    sum += ticks;
                    ++count;
                }
            }
            QCOMPARE(r.record->bestMs, best);
            QCOMPARE(r.record->averageMs, qint64(std::floor(double(sum) / count + 0.5)));
        }
        QCOMPARE(recorded, laps.size());
    }
}

void TestFullRace::carAndDriverFigures() {
    for (int s = 0; s < kCars; ++s) {
        const Rows rows = expectedRows(s);
        qint64 best = -1;
        int bestRow = 0;
        qint64 sum = 0;
        for (const auto& [row, ticks] : rows) {
            sum += ticks;
            if (best < 0 || ticks < best) {
                best = ticks;
                bestRow = row;
            }
        }
        QCOMPARE(ui().Car[s]->Lbl_BestLapTm->text(),
                 QString::number(bestRow) + u"周目 "_s + lapText(best));
        QCOMPARE(ui().Car[s]->Lbl_AveLapTm->text(), lapText(sum / qint64(rows.size())));

        // One row per driver chosen for the car, in the order chosen, with the figures of the
        // laps the driver drove.
        const QTableView* drivers = table(widgets::indexed("Spd_DriverInfo", s));
        QStringList names;
        for (int r = 0; r < drivers->model()->rowCount(); ++r) {
            names << cellText(drivers, r, 0);
        }
        if (s == kDriverSlot) {
            QCOMPARE(names, (QStringList{kDrivers[s], kSecondDriver}));
            const Figures first =
                driverFigures(rows, [](int row) { return row < kDriverChangeAt; });
            const Figures second =
                driverFigures(rows, [](int row) { return row >= kDriverChangeAt; });
            QCOMPARE(cellText(drivers, 0, 1), first.best);
            QCOMPARE(cellText(drivers, 0, 2), first.average);
            QCOMPARE(cellText(drivers, 1, 1), second.best);
            QCOMPARE(cellText(drivers, 1, 2), second.average);
            QCOMPARE(ui().Car[s]->Lbl_DrvrBestLapTm->text(), second.best);
            QCOMPARE(ui().Car[s]->Lbl_DrvrAveLapTm->text(), second.average);
        } else {
            QCOMPARE(names, QStringList{kDrivers[s]});
            const Figures all = driverFigures(rows, [](int) { return true; });
            QCOMPARE(cellText(drivers, 0, 1), all.best);
            QCOMPARE(cellText(drivers, 0, 2), all.average);
            QCOMPARE(ui().Car[s]->Lbl_DrvrBestLapTm->text(), all.best);
            QCOMPARE(ui().Car[s]->Lbl_DrvrAveLapTm->text(), all.average);
        }
    }
}

void TestFullRace::standingsFollowTheGrids() {
    QVERIFY2(standingsProblems_.isEmpty(), qPrintable(standingsProblems_.join(u'\n')));
    // Every report after which the board was checked.
    QVERIFY2(standingsChecked_ > 3 * kLaps * 4, qPrintable(QString::number(standingsChecked_)));
    // Since the last report nothing re-ranked the cars: the board shows what it showed then.
    QCOMPARE(shownBoard(), lastExpectedBoard_);
    // The stopped car, fewer laps behind, is last; the others are on their 21st lap
    // (the correction's car on its 19th).
    QCOMPARE(lastExpectedBoard_.back().name, kCarNames[kStoppedSlot]);
    QCOMPARE(lastExpectedBoard_.back().lap, u"15"_s);
}

void TestFullRace::fuelOfTheRefuelledCar() {
    QVERIFY(refuelledFirst_ && refuelledSecond_);
    // Fuel used per lap: course length over economy, in litres.
    const double perLap = kCourseLength / (kFuelEconomyKmPerL * 1000.0);
    const auto percent = [perLap](double total, int laps) {
        return std::clamp((total - perLap * laps) / kFuelTank * 100.0, 0.0, 100.0);
    };
    // After the first refuelling: 30 l in, three laps counted.
    const double first = percent(30.0, kFirstRefuelAt);
    QCOMPARE(allGasAfterFirst_, u"30"_s);
    QVERIFY2(std::abs(gaugeAfterFirst_ - first) < 1e-4,
             qPrintable(QString::number(gaugeAfterFirst_)));
    QCOMPARE(zanGasAfterFirst_,
             u"残"_s + QString::number(qint64(std::floor(kFuelTank * first / 100.0))));

    // At the end: 60 l in, twenty-one laps counted, below a fifth of the tank.
    QCOMPARE(car(kFuelSlot).LapCnt, kLaps + 1);
    const double last = percent(60.0, kLaps + 1);
    QCOMPARE(allGasAtEnd_, u"60"_s);
    QVERIFY2(std::abs(gaugeAtEnd_ - last) < 1e-4, qPrintable(QString::number(gaugeAtEnd_)));
    QCOMPARE(zanGasAtEnd_, u"残"_s + QString::number(qint64(std::floor(kFuelTank * last / 100.0))));
    QCOMPARE(zanGasAtEnd_, u"残11"_s);
    QVERIFY(last < 20.0);
    QVERIFY(gaugeBlinkingAtEnd_);
}

void TestFullRace::remindersCountDown() {
    QVERIFY(tickedCountdown_);
    QCOMPARE(countdownShownAtTick_, QString::number(kCountdownLaps));
    // Ticked once lap 4 was counted; each lap counted after it lowers the count by one.
    QCOMPARE(countdownAtEnd_, QString::number(kCountdownLaps - (kLaps + 1 - kCountdownAt)));
    // After Stop the countdown is off.
    QCOMPARE(ui().Car[kCountdownSlot]->Txt_ZanRunCnt->text(), u"0"_s);
    QVERIFY(!ui().Car[kCountdownSlot]->Chk_ChgCnter->isChecked());

    // Every reply of the pass that closes lap k carries the piece for the count at that time.
    QStringList reminders;
    for (const carsim::Reply& r : repliesOf(kCountdownSlot)) {
        QString piece = r.message;
        if (piece.endsWith(kAllCarsFullWidth)) {
            piece.chop(kAllCarsFullWidth.size());
        }
        const QString expected =
            r.lap < kCountdownAt ? QString() : reminder(kCountdownLaps - (r.lap - kCountdownAt));
        QVERIFY2(piece == expected,
                 qPrintable(u"lap %1: \"%2\", expected \"%3\""_s.arg(r.lap).arg(piece, expected)));
        if (piece.startsWith(u" [ "_s) && (reminders.isEmpty() || reminders.back() != piece)) {
            reminders << piece;
        }
    }
    QCOMPARE(reminders,
             (QStringList{u" [ "_s + kAutoMess3 + u" ] "_s, u" [ "_s + kAutoMess2 + u" ] "_s,
                          u" [ "_s + kAutoMess1 + u" ] "_s, u" [ "_s + kAutoMess0 + u" ] "_s}));
}

void TestFullRace::messagesForOneCarAndForAll() {
    QVERIFY(typedMessage_ && typedAllCars_);
    for (int s = 0; s < kCars; ++s) {
        const QList<carsim::Reply> replies = repliesOf(s);
        // The message for all cars goes out with every reply built after it was typed: from
        // the first reply after it (or the one after, when a reply was on its way) to the end.
        qsizetype firstWithAll = -1;
        for (qsizetype i = 0; i < replies.size(); ++i) {
            const bool withAll = replies[i].message.endsWith(kAllCarsFullWidth);
            if (withAll && firstWithAll < 0) {
                firstWithAll = i;
            }
            QVERIFY2(
                withAll == (firstWithAll >= 0 && i >= firstWithAll),
                qPrintable(u"car %1 reply %2: %3"_s.arg(s + 1).arg(i).arg(replies[i].message)));
        }
        QVERIFY2(firstWithAll >= repliesBeforeAllCars_[s] &&
                     firstWithAll <= repliesBeforeAllCars_[s] + 1,
                 qPrintable(u"car %1: first at %2, typed after %3"_s.arg(s + 1)
                                .arg(firstWithAll)
                                .arg(repliesBeforeAllCars_[s])));
        // The typed message for car 1 went out with every reply of the pass after it was
        // typed (the pass that closed lap 6) and with no other: the next counted lap emptied it.
        for (const carsim::Reply& r : replies) {
            const bool typed = r.message.startsWith(kTypedFullWidth);
            QCOMPARE(typed, s == kFuelSlot && r.lap == kTypedMessageAt);
        }
    }
    QVERIFY(ui().Car[kFuelSlot]->Txt_OutMess->text().isEmpty());
    QCOMPARE(ui().Txt_AllOutMess->text(), kAllCars);
}

void TestFullRace::messageLogOfEveryLap() {
    // Column 5 of a lap row: what went to the car with the reply that recorded the lap, then
    // what the car sent.
    for (int s = 0; s < kCars; ++s) {
        std::map<int, QString> logs;
        qint32 lastLap = -1;
        for (const carsim::Reply& r : repliesOf(s)) {
            // A new record: another lap number, or the correction's (which may repeat one).
            if (!r.record || (r.lap == lastLap && r.flag != u'C')) {
                continue;
            }
            lastLap = r.lap;
            logs[r.lap] = r.message + u", "_s + kCarMessage;
        }
        const Rows rows = expectedRows(s);
        for (const auto& [row, ticks] : rows) {
            QCOMPARE(ui().Car[s]->Spd_Laps->cellText(5, row), logs.at(row));
        }
    }
}

void TestFullRace::reportMatchesTheGrids() {
    prompts_.answerSaveFile(reportPath_);
    ui().Btn_Write->click();
    QCOMPARE(prompts_.pendingAnswers(), 0);
    QCOMPARE(prompts_.calls().back().title, u"ファイル書込"_s);
    QFile file(reportPath_);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(reportPath_));
    const QByteArray written = file.readAll();

    // The report built here from what the grids show.
    const QString rule(40, u'-');
    QStringList lines{u"イベント名:"_s + kEventName, u"日付:"_s + ui().Txt_Date->text(),
                      u"天気:"_s + kWeather, u"気温:"_s + kTemperature, QString()};
    QCOMPARE(ui().Txt_Date->text(), u"%1/%2/%3"_s.arg(startedAfter_.date().year())
                                        .arg(startedAfter_.date().month())
                                        .arg(startedAfter_.date().day()));
    for (int s = 0; s < kCars; ++s) {
        const widgets::LapGrid* laps = ui().Car[s]->Spd_Laps;
        const QTableView* drivers = table(widgets::indexed("Spd_DriverInfo", s));
        lines << rule << kTitles[s] << u"車輌名:"_s + kCarNames[s] << rule;
        for (int r = 1; r <= laps->rowCount(); ++r) {
            if (laps->cellText(1, r).trimmed().isEmpty()) {
                continue;
            }
            lines << QStringList{QString::number(r), laps->cellText(1, r), laps->cellText(2, r),
                                 laps->cellText(3, r), laps->cellText(5, r)}
                         .join(u',');
        }
        lines << rule << u"個人集計"_s << rule;
        for (int r = 0; r < drivers->model()->rowCount(); ++r) {
            lines << rowTexts(drivers, r).join(u',');
        }
    }
    QStringEncoder cp932("windows-31j");
    QVERIFY(cp932.isValid());
    QByteArray expected;
    for (const QString& line : std::as_const(lines)) {
        expected += cp932.encode(line);
        expected += "\r\n";
    }
    QVERIFY(!cp932.hasError());
    if (written != expected) {
        const QList<QByteArray> got = written.split('\n');
        const QList<QByteArray> want = expected.split('\n');
        for (qsizetype i = 0; i < std::max(got.size(), want.size()); ++i) {
            if (got.value(i) != want.value(i)) {
                QFAIL(qPrintable(u"line %1: written \"%2\", expected \"%3\""_s.arg(i + 1).arg(
                    QString::fromUtf8(got.value(i).toHex()),
                    QString::fromUtf8(want.value(i).toHex()))));
            }
        }
    }
    QCOMPARE(written, expected);
    // 5 header lines; per car 4 + laps + 3 + drivers.
    int lapLines = 0;
    for (int s = 0; s < kCars; ++s) {
        lapLines += int(expectedRows(s).size());
    }
    QCOMPARE(lines.size(), 5 + kCars * 7 + lapLines + kCars + 1);
}

void TestFullRace::cleanupTestCase() {
    sim_.reset();
    controls_.reset();
    program_.reset();
    engine_.reset();
    console_.reset();
}

QTEST_MAIN(TestFullRace)
#include "test_full_race.moc"
