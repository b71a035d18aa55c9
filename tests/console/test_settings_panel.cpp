#include "common/file_bytes.h"
#include "common/file_trace.h"
#include "console_fixture.h"
#include "core/settings.h"
#include "platform/cp932.h"
#include "platform/profile_file.h"
#include "widgets/editor_table.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace Qt::StringLiterals;

using kaltero::platform::encodeCp932;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::FileTrace;
using kaltero::testing::readBytes;
namespace ini = kaltero::core::ini;

namespace {

struct Panel : ConsoleFixture {
    Panel() { ui().Btn_Mess->click(); }
    QDialog* panel() { return find<QDialog>(QStringLiteral("Frm_Mess")); }
    QTableView* grid() { return find<QTableView>(QStringLiteral("Spd_Mess")); }
    // A cell, 1-based as the operator counts.
    QString cellText(int col, int row) {
        return grid()->model()->index(row - 1, col - 1).data().toString();
    }
    int currentRow() { return grid()->currentIndex().row() + 1; }
    int currentCol() { return grid()->currentIndex().column() + 1; }
    // Puts a value in, as code does: unchecked.
    void set(int row, const QString& text) {
        qobject_cast<kaltero::widgets::EditorTable*>(grid()->model())->setText(row - 1, 1, text);
    }
    // The panel is open over the window, which takes no input while it is.
    bool consoleLocked() {
        return QApplication::activeModalWidget() == panel() &&
               panel()->windowModality() == Qt::WindowModal &&
               panel()->parentWidget() == program.window();
    }
    QString stored(const QString& section, const QString& key) {
        return kaltero::platform::readProfileString(section, key, console.paths.SettingsFile)
            .value_or(QString());
    }
};

}  // namespace

class TestSettingsPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openingShowsTheSettingsAndLocksTheConsole() {
        Panel p;
        auto& ui = p.ui();
        QVERIFY(p.panel()->isVisible());
        QVERIFY(p.consoleLocked());
        for (auto* frame : ui.Car) {
            QCOMPARE(frame->window(), p.program.window());
        }
        QCOMPARE(p.cellText(2, 1), QStringLiteral("1/1000"));
        QCOMPARE(p.cellText(2, 2), QStringLiteral("10"));
        QCOMPARE(p.cellText(2, 3), QStringLiteral("あと３周でピットインです。"));
        QCOMPARE(p.cellText(2, 6), QStringLiteral("はよピットインせんかい！"));
        QCOMPARE(p.cellText(2, 7), QStringLiteral("10"));
        QCOMPARE(p.cellText(1, 2), QStringLiteral("ラップ加算無通信秒数 (1～99)"));
        QCOMPARE(p.currentRow(), 1);
        QCOMPARE(p.currentCol(), 2);
    }

    void secondsOutsideTheRangeAreRefused_data() {
        QTest::addColumn<QString>("seconds");
        QTest::newRow("zero") << QStringLiteral("0");
        QTest::newRow("hundred") << QStringLiteral("100");
        QTest::newRow("empty") << QString();
        QTest::newRow("word") << QStringLiteral("abc");
    }
    void secondsOutsideTheRangeAreRefused() {
        QFETCH(QString, seconds);
        Panel p;
        p.set(1, QStringLiteral("1/100"));
        p.set(2, seconds);
        p.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QCOMPARE(p.prompts.calls().size(), 1);
        QCOMPARE(
            p.prompts.calls()[0].text,
            QStringLiteral("無通信ラップ加算秒数が不正です。１から99までで指定してください。"));
        QVERIFY(p.panel()->isVisible());
        QCOMPARE(p.currentRow(), 2);
        // The precision is in force at once, but neither saved nor shown.
        QCOMPARE(p.console.settings.TicksPerSecond, 100);
        QCOMPARE(p.stored(ini::kTimingSection, ini::kPrecision), QStringLiteral("1/1000"));
        QCOMPARE(p.ui().Car[0]->Lbl_Time->text(), QStringLiteral("0'00\"000"));
        QCOMPARE(p.console.settings.NoCommSeconds, 10);
    }

    void confirmingSavesAllSeven() {
        Panel p;
        p.set(1, QStringLiteral("1/100"));
        p.set(2, QStringLiteral("12"));
        p.set(3, QStringLiteral("BOX, BOX"));
        p.set(7, QStringLiteral("8.5"));
        p.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QVERIFY(p.prompts.calls().isEmpty());
        QVERIFY(!p.panel()->isVisible());
        QVERIFY(!p.consoleLocked());
        QVERIFY(p.ui().Car[4]->isEnabled());
        const auto& s = p.console.settings;
        QCOMPARE(s.NoCommTicks, 1200);
        QCOMPARE(s.AutoMess3, QStringLiteral("BOX  BOX"));
        QCOMPARE(s.CheckDefaultLaps, 8);
        QCOMPARE(p.stored(ini::kTimingSection, ini::kPrecision), QStringLiteral("1/100"));
        QCOMPARE(p.stored(ini::kTimingSection, ini::kNoCommSeconds), QStringLiteral("12"));
        QCOMPARE(p.stored(ini::kMessageSection, ini::kAutoMess3), QStringLiteral("BOX  BOX"));
        QCOMPARE(p.stored(ini::kMessageSection, ini::kCheckDefaultLaps), QStringLiteral("8"));
        QCOMPARE(p.ui().Car[2]->Lbl_Time->text(), QStringLiteral("0'00\"00"));
    }

    // The seven values go into the file in one write: a crash can never leave some of them
    // new and others old.
    void confirmingWritesTheWholeNewStateOnce() {
        Panel p;
        p.set(1, QStringLiteral("1/100"));
        p.set(2, QStringLiteral("12"));
        p.set(6, QStringLiteral("BOX"));
        p.set(7, QStringLiteral("8"));
        const QString& path = p.console.paths.SettingsFile;
        FileTrace trace;
        p.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QCOMPARE(trace.of(QStringLiteral("wrote"), path).size(), 1);
        QCOMPARE(
            readBytes(path),
            encodeCp932(QString(
                QStringLiteral("[計測環境設定]\r\n計測精度=1/100\r\n"
                               "ラップ加算無通信秒数=12\r\n送信元確認=1\r\nピット判定秒数=20\r\n"
                               "[自動メッセージ設定]\r\n"
                               "残り３周の自動メッセージ=あと３周でピットインです。\r\n"
                               "残り２周の自動メッセージ=あと２周でピットインです。\r\n"
                               "残り１周の自動メッセージ=次の周でピットインしてください。\r\n"
                               "残りが無くなった時の自動メッセージ=BOX\r\n"
                               "チェック時のデフォルト周数=8\r\n"
                               "スティント上限前の自動メッセージ=スティント上限が近づいています。"
                               "ピットインしてください。\r\n"
                               "スティント上限前の自動メッセージ分数=5\r\n"
                               "[ライブ表示]\r\n有効=1\r\nポート番号=8080\r\nアクセスキー=") +
                p.console.settings.LiveKey +
                QStringLiteral("\r\n[計測記録]\r\n保存日数=30\r\n[耐久規定]\r\n"
                               "最大スティント分数=0\r\n最大運転分数=0\r\n"
                               "最小運転分数=0\r\n最小ピット秒数=0\r\n"
                               "最少ピット回数=0\r\nピット時間の扱い=0\r\n"))));
    }

    // The pit stop threshold and the endurance rules: shown, checked, saved with the rest and
    // in force at once.
    void rulesAreShownSavedAndPutInForce() {
        Panel p;
        QCOMPARE(p.grid()->model()->rowCount(), 16);
        QCOMPARE(p.cellText(1, 9), QStringLiteral("最大スティント分数 (0 = 使用しない)"));
        QCOMPARE(p.cellText(2, 8), QStringLiteral("20"));
        QCOMPARE(p.cellText(2, 9), QStringLiteral("0"));
        QCOMPARE(p.cellText(2, 14),
                 QStringLiteral("スティント上限が近づいています。ピットインしてください。"));
        QCOMPARE(p.cellText(2, 15), QStringLiteral("5"));
        const QStringList values = {u"30"_s, u"60"_s,  u"240"_s, u"45"_s, u"40"_s,
                                    u"3"_s,  u"BOX"_s, u"4"_s,   u"2"_s};
        for (int i = 0; i < values.size(); ++i) {
            p.set(8 + i, values[i]);
        }
        QList<kaltero::model::Op> changes;
        QObject::connect(&p.model, &kaltero::model::RaceModel::changed,
                         [&changes](const kaltero::model::Change& c) { changes.append(c.op); });
        p.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QVERIFY(p.prompts.calls().isEmpty());
        QVERIFY(!p.panel()->isVisible());
        const kaltero::core::RaceRules expected{.PitStopSeconds = 30,
                                                .MaxStintMinutes = 60,
                                                .MaxDrivingMinutes = 240,
                                                .MinDrivingMinutes = 45,
                                                .MinPitStopSeconds = 40,
                                                .MinPitStops = 3,
                                                .StintMessage = u"BOX"_s,
                                                .StintMessageMinutes = 4,
                                                .PitTimeRule = 2};
        QVERIFY(p.console.settings.rules == expected);
        QVERIFY(p.state().rules == expected);
        QCOMPARE(changes, QList<kaltero::model::Op>{kaltero::model::Op::RulesSet});
        QCOMPARE(p.stored(ini::kTimingSection, ini::kPitStopSeconds), u"30"_s);
        QCOMPARE(p.stored(ini::kRulesSection, ini::kMaxStintMinutes), u"60"_s);
        QCOMPARE(p.stored(ini::kRulesSection, ini::kMinPitStops), u"3"_s);
        QCOMPARE(p.stored(ini::kRulesSection, ini::kPitTimeRule), u"2"_s);
        QCOMPARE(p.stored(ini::kMessageSection, ini::kStintMessage), u"BOX"_s);
        QCOMPARE(p.stored(ini::kMessageSection, ini::kStintMessageMinutes), u"4"_s);
        // The same rules again announce nothing.
        p.ui().Btn_Mess->click();
        QCOMPARE(p.cellText(2, 13), u"3"_s);
        p.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QCOMPARE(changes.size(), 1);
    }

    void badRuleIsRefused_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("threshold 0")
            << 8 << u"0"_s << u"ピット判定秒数が不正です。１以上の整数で指定してください。"_s;
        QTest::newRow("stint decimal")
            << 9 << u"1.5"_s
            << u"最大スティント分数が不正です。０以上の整数で指定してください（０ = 使用しない）。"_s;
        QTest::newRow("stops empty")
            << 13 << QString()
            << u"最少ピット回数が不正です。０以上の整数で指定してください（０ = 使用しない）。"_s;
    }
    void badRuleIsRefused() {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, message);
        Panel p;
        p.set(2, u"12"_s);
        p.set(row, text);
        const QByteArray before = readBytes(p.console.paths.SettingsFile);
        p.find<QPushButton>(QStringLiteral("Btn_MessOk"))->click();
        QCOMPARE(p.prompts.calls().size(), 1);
        QCOMPARE(p.prompts.calls()[0].text, message);
        QVERIFY(p.panel()->isVisible());
        QCOMPARE(p.currentRow(), row);
        QCOMPARE(readBytes(p.console.paths.SettingsFile), before);
        QCOMPARE(p.console.settings.NoCommSeconds, 10);
        QVERIFY(p.state().rules == kaltero::core::RaceRules{});
    }

    void cancelKeepsTheSettings() {
        Panel p;
        p.set(2, QStringLiteral("50"));
        p.set(4, QStringLiteral("changed"));
        p.find<QPushButton>(QStringLiteral("Btn_MessCancel"))->click();
        QVERIFY(!p.panel()->isVisible());
        QVERIFY(!p.consoleLocked());
        QCOMPARE(p.console.settings.NoCommSeconds, 10);
        p.ui().Btn_Mess->click();
        QCOMPARE(p.cellText(2, 2), QStringLiteral("10"));
        QCOMPARE(p.cellText(2, 4), QStringLiteral("あと２周でピットインです。"));
    }

    void cursorStaysInTheValueColumn() {
        Panel p;
        auto* grid = p.grid();
        grid->setCurrentIndex(grid->model()->index(2, 1));
        // A click on the label of row 3.
        const QRect label = grid->visualRect(grid->model()->index(2, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, label.center());
        QCOMPARE(p.currentCol(), 2);
        QTest::keyClick(grid, Qt::Key_Left);
        QCOMPARE(p.currentCol(), 2);
    }
};

QTEST_MAIN(TestSettingsPanel)
#include "test_settings_panel.moc"
