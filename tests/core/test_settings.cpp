#include "common/file_bytes.h"
#include "common/file_trace.h"
#include "core/settings.h"
#include "platform/cp932.h"
#include "platform/profile_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::core::PanelRows;
using kaltero::core::ReadSettings;
using kaltero::core::Settings;
using kaltero::core::settingsFromPanel;
using kaltero::core::WriteAllSettings;
using kaltero::core::WriteIni;
using kaltero::platform::encodeCp932;
using kaltero::platform::readProfileString;
namespace ini = kaltero::core::ini;

using kaltero::testing::FileTrace;
using kaltero::testing::readBytes;
using kaltero::testing::writeBytes;

namespace {

QString describeRules(const kaltero::core::RaceRules& r) {
    return u"%1/%2/%3/%4/%5/%6/%7/%8/%9"_s.arg(r.PitStopSeconds)
        .arg(r.MaxStintMinutes)
        .arg(r.MaxDrivingMinutes)
        .arg(r.MinDrivingMinutes)
        .arg(r.MinPitStopSeconds)
        .arg(r.MinPitStops)
        .arg(r.StintMessage)
        .arg(r.StintMessageMinutes)
        .arg(r.PitTimeRule);
}

// Every field on one line, so that a mismatch shows which one differs.
QString describe(const Settings& s) {
    return u"Precision=%1 TicksPerSecond=%2 FractionFormat=%3 MsPerTick=%4 NoCommSeconds=%5 "
           u"NoCommTicks=%6 AutoMess3=%7 AutoMess2=%8 AutoMess1=%9 AutoMess0=%10 "
           u"CheckDefaultLaps=%11 CheckSender=%12 LiveOn=%13 LivePort=%14 rules=%15"_s
               .arg(s.Precision)
               .arg(s.TicksPerSecond)
               .arg(s.FractionFormat)
               .arg(s.MsPerTick)
               .arg(s.NoCommSeconds)
               .arg(s.NoCommTicks)
               .arg(s.AutoMess3, s.AutoMess2, s.AutoMess1, s.AutoMess0)
               .arg(s.CheckDefaultLaps)
               .arg(s.CheckSender)
               .arg(s.LiveOn)
               .arg(s.LivePort)
               .arg(describeRules(s.rules));
}

// A valid access key as a file may hold it.
const QString kKey = u"0123456789abcdef0123456789ABCDEF"_s;

// The file a console without Kaltero.ini leaves behind.
const QString kCompleteFile =
    u"[計測環境設定]\r\n"
    u"計測精度=1/1000\r\n"
    u"ラップ加算無通信秒数=10\r\n"
    u"送信元確認=1\r\n"
    u"ピット判定秒数=20\r\n"
    u"[自動メッセージ設定]\r\n"
    u"残り３周の自動メッセージ=あと３周でピットインです。\r\n"
    u"残り２周の自動メッセージ=あと２周でピットインです。\r\n"
    u"残り１周の自動メッセージ=次の周でピットインしてください。\r\n"
    u"残りが無くなった時の自動メッセージ=はよピットインせんかい！\r\n"
    u"チェック時のデフォルト周数=10\r\n"
    u"スティント上限前の自動メッセージ=スティント上限が近づいています。ピットインしてください。\r\n"
    u"スティント上限前の自動メッセージ分数=5\r\n"
    u"[ライブ表示]\r\n"
    u"有効=1\r\n"
    u"ポート番号=8080\r\n"
    u"アクセスキー=0123456789abcdef0123456789ABCDEF\r\n"
    u"[計測記録]\r\n"
    u"保存日数=30\r\n"
    u"[耐久規定]\r\n"
    u"最大スティント分数=0\r\n"
    u"最大運転分数=0\r\n"
    u"最小運転分数=0\r\n"
    u"最小ピット秒数=0\r\n"
    u"最少ピット回数=0\r\n"
    u"ピット時間の扱い=0\r\n"_s;

// kCompleteFile with the access key a fresh file got.
QString completeFileWithKey(const QString& key) {
    return QString(kCompleteFile).replace(kKey, key);
}

QString fileWith(const QString& precision, const QString& seconds, const QString& laps) {
    return u"[計測環境設定]\r\n計測精度="_s + precision + u"\r\nラップ加算無通信秒数="_s + seconds +
           u"\r\n送信元確認=1\r\nピット判定秒数=20\r\n[自動メッセージ設定]\r\n"
           u"残り３周の自動メッセージ=m3\r\n"
           u"残り２周の自動メッセージ=m2\r\n残り１周の自動メッセージ=m1\r\n"
           u"残りが無くなった時の自動メッセージ=m0\r\nチェック時のデフォルト周数="_s +
           laps +
           u"\r\nスティント上限前の自動メッセージ=s\r\nスティント上限前の自動メッセージ分数=5"
           u"\r\n[ライブ表示]\r\n有効=1\r\nポート番号=8080\r\nアクセスキー="_s +
           kKey +
           u"\r\n[計測記録]\r\n保存日数=30\r\n[耐久規定]\r\n最大スティント分数=0\r\n最大運転分数="
           u"0\r\n"
           u"最小運転分数=0\r\n最小ピット秒数=0\r\n最少ピット回数=0\r\nピット時間の扱い=0\r\n"_s;
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file_;

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        file_ = dir_.filePath(u"Kaltero.ini"_s);
        QFile::remove(file_);
    }

    void missingFileBecomesComplete() {
        const Settings read = ReadSettings(file_);
        QCOMPARE(describe(read), describe(Settings{}));
        const QByteArray bytes = readBytes(file_);
        // "[計測環境設定]" in code page 932, CR LF after it
        QCOMPARE(bytes.left(16).toHex(' '), "5b 8c 76 91 aa 8a c2 8b ab 90 dd 92 e8 5d 0d 0a"_ba);
        QVERIFY(kaltero::core::isLiveKey(read.LiveKey));
        QCOMPARE(bytes, encodeCp932(completeFileWithKey(read.LiveKey)));
        // A second start finds everything and changes nothing.
        QCOMPARE(describe(ReadSettings(file_)), describe(Settings{}));
        QCOMPARE(readBytes(file_), bytes);
    }

    // The file holds the live page's key: made new, only its owner may read it; an existing
    // file keeps the mode the operator gave it.
    void fileModeGuardsTheKey_data() {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("mode");  // QFile::Permissions the file has after 登録
        const int ownerOnly =
            int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QTest::newRow("new") << false << ownerOnly;
        QTest::newRow("existing, group may read") << true << int(ownerOnly | QFile::ReadGroup);
    }
    void fileModeGuardsTheKey() {
        QFETCH(bool, existing);
        QFETCH(int, mode);
        if (existing) {
            QVERIFY(writeBytes(file_, encodeCp932(u"[ライブ表示]\r\n有効=1\r\n"_s)));
            QVERIFY(QFile::setPermissions(file_, QFile::Permissions(mode)));
        }
        const Settings read = ReadSettings(file_);
        QVERIFY(kaltero::core::WriteAllSettings(read, file_));
        QCOMPARE(int(QFile::permissions(file_)), mode);
    }

    void precision_data() {
        QTest::addColumn<QString>("precision");
        QTest::addColumn<int>("ticksPerSecond");
        QTest::newRow("1/1000") << u"1/1000"_s << 1000;
        QTest::newRow("1/100") << u"1/100"_s << 100;
        QTest::newRow("other text is 1/100") << u"1/10000"_s << 100;
        QTest::newRow("full-width text is 1/100") << u"１/１０００"_s << 100;
    }
    void precision() {
        QFETCH(QString, precision);
        QFETCH(int, ticksPerSecond);
        QVERIFY(writeBytes(file_, encodeCp932(fileWith(precision, u"15"_s, u"10"_s))));
        const Settings s = ReadSettings(file_);
        QCOMPARE(s.Precision, precision);
        QCOMPARE(s.TicksPerSecond, ticksPerSecond);
        QCOMPARE(s.FractionFormat, ticksPerSecond == 1000 ? u"000"_s : u"00"_s);
        QCOMPARE(s.MsPerTick, 1000 / ticksPerSecond);
        QCOMPARE(s.NoCommTicks, 15 * ticksPerSecond);
    }

    void fallbacks_data() {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("laps");
        QTest::addColumn<int>("noCommSeconds");
        QTest::addColumn<int>("checkDefaultLaps");
        QTest::newRow("seconds 0") << u"0"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds 100") << u"100"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds word") << u"ten"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds 12 and letters") << u"12abc"_s << u"10"_s << 12 << 10;
        QTest::newRow("seconds 1") << u"1"_s << u"10"_s << 1 << 10;
        QTest::newRow("seconds 99") << u"99"_s << u"10"_s << 99 << 10;
        QTest::newRow("seconds 2.5 to even") << u"2.5"_s << u"10"_s << 2 << 10;
        QTest::newRow("seconds 0.5 rounds to 0") << u"0.5"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds 99.5 rounds to 100") << u"99.5"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds negative") << u"-5"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds beyond 16 bits") << u"40000"_s << u"10"_s << 10 << 10;
        QTest::newRow("seconds beyond a double") << u"1e999"_s << u"10"_s << 10 << 10;
        QTest::newRow("laps word reads 0") << u"10"_s << u"many"_s << 10 << 0;
        QTest::newRow("laps 7.5 to even") << u"10"_s << u"7.5"_s << 10 << 8;
        QTest::newRow("laps negative kept") << u"10"_s << u"-3"_s << 10 << -3;
        QTest::newRow("laps 32-bit top") << u"10"_s << u"2147483647"_s << 10 << 2147483647;
        QTest::newRow("laps beyond 32 bits") << u"10"_s << u"3000000000"_s << 10 << 10;
        QTest::newRow("laps beyond a double") << u"10"_s << u"-1e999"_s << 10 << 10;
    }
    void fallbacks() {
        QFETCH(QString, seconds);
        QFETCH(QString, laps);
        QFETCH(int, noCommSeconds);
        QFETCH(int, checkDefaultLaps);
        const QByteArray before = encodeCp932(fileWith(u"1/1000"_s, seconds, laps));
        QVERIFY(writeBytes(file_, before));

        const Settings s = ReadSettings(file_);
        QCOMPARE(int{s.NoCommSeconds}, noCommSeconds);
        QCOMPARE(s.NoCommTicks, noCommSeconds * 1000);
        QCOMPARE(s.CheckDefaultLaps, checkDefaultLaps);
        QCOMPARE(s.AutoMess3, u"m3"_s);
        QCOMPARE(s.AutoMess0, u"m0"_s);
        // Fallbacks hold in memory only: the file keeps what the operator wrote.
        QCOMPARE(readBytes(file_), before);
    }

    // An operator's own file: only the empty key is completed, everything else stays.
    void handEditedFileKeepsEverything() {
        const QString edited =
            u"; Kaltero settings, edited by hand\r\n"
            u"\r\n"
            u"[計測環境設定]\r\n"
            u"計測精度 = 1/100\r\n"
            u"ラップ加算無通信秒数=\r\n"
            u"送信元確認=0\r\n"
            u"\r\n"
            u"; the team's own notes\r\n"
            u"[チーム]\r\n"
            u"監督=山田\r\n"
            u"\r\n"
            u"[自動メッセージ設定]\r\n"
            u"残り３周の自動メッセージ=３周, 燃料確認\r\n"
            u"残り２周の自動メッセージ=m2\r\n"
            u"残り１周の自動メッセージ=m1\r\n"
            u"残りが無くなった時の自動メッセージ=m0\r\n"
            u"チェック時のデフォルト周数=20\r\n"_s;
        QVERIFY(writeBytes(file_, encodeCp932(edited)));
        const Settings s = ReadSettings(file_);
        QCOMPARE(s.Precision, u"1/100"_s);
        QCOMPARE(int{s.NoCommSeconds}, 10);
        QCOMPARE(s.NoCommTicks, 1000);
        QCOMPARE(s.AutoMess3, u"３周, 燃料確認"_s);  // a comma from the file stays
        QCOMPARE(s.CheckDefaultLaps, 20);
        QVERIFY(!s.CheckSender);
        QString expected = edited;
        expected.replace(u"ラップ加算無通信秒数=\r\n"_s, u"ラップ加算無通信秒数=10\r\n"_s);
        expected.replace(u"送信元確認=0\r\n"_s, u"送信元確認=0\r\nピット判定秒数=20\r\n"_s);
        expected +=
            u"スティント上限前の自動メッセージ=スティント上限が近づいています。"
            u"ピットインしてください。\r\nスティント上限前の自動メッセージ分数=5\r\n"_s;
        expected += u"[ライブ表示]\r\n有効=1\r\nポート番号=8080\r\nアクセスキー="_s + s.LiveKey +
                    u"\r\n[計測記録]\r\n保存日数=30\r\n"_s +
                    kCompleteFile.mid(kCompleteFile.indexOf(u"[耐久規定]"_s));
        QCOMPARE(readBytes(file_), encodeCp932(expected));
    }

    void missingSectionAndKeysAreAdded() {
        QVERIFY(writeBytes(file_, encodeCp932(u"[計測環境設定]\r\nラップ加算無通信秒数=20\r\n"_s)));
        const Settings s = ReadSettings(file_);
        QCOMPARE(int{s.NoCommSeconds}, 20);
        QCOMPARE(s.NoCommTicks, 20000);
        QString expected = completeFileWithKey(s.LiveKey);
        expected.replace(u"計測精度=1/1000\r\nラップ加算無通信秒数=10"_s,
                         u"ラップ加算無通信秒数=20\r\n計測精度=1/1000"_s);
        QCOMPARE(readBytes(file_), encodeCp932(expected));
    }

    // Reports from another address than the car PC's: only 0 lets them in.
    void senderCheck_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("after");
        QTest::newRow("missing: on, written") << QString() << true << u"送信元確認=1\r\n"_s;
        QTest::newRow("empty: on, written")
            << u"送信元確認=\r\n"_s << true << u"送信元確認=1\r\n"_s;
        QTest::newRow("0: off") << u"送信元確認=0\r\n"_s << false << u"送信元確認=0\r\n"_s;
        QTest::newRow("1: on") << u"送信元確認=1\r\n"_s << true << u"送信元確認=1\r\n"_s;
        QTest::newRow("a word stays on")
            << u"送信元確認=no\r\n"_s << true << u"送信元確認=no\r\n"_s;
    }
    void senderCheck() {
        QFETCH(QString, line);
        QFETCH(bool, on);
        QFETCH(QString, after);
        QString text = kCompleteFile;
        text.replace(u"送信元確認=1\r\n"_s, line);
        QVERIFY(writeBytes(file_, encodeCp932(text)));
        QCOMPARE(ReadSettings(file_).CheckSender, on);
        // A missing key is added at the end of its section.
        const QString before = line.isEmpty() ? u"ピット判定秒数=20\r\n"_s : line;
        text.replace(before, line.isEmpty() ? before + after : after);
        QCOMPARE(readBytes(file_), encodeCp932(text));
        Settings s;
        s.CheckSender = !on;
        QVERIFY(WriteAllSettings(s, file_));
        QCOMPARE(ReadSettings(file_).CheckSender, !on);
    }

    // The live page's section: a bad port holds in memory only; a key that is not 32 hex digits
    // is replaced and the new one stored.
    void livePage_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("keyKept");
        QTest::newRow("as written")
            << u"有効=1\r\nポート番号=8081\r\nアクセスキー="_s + kKey << true << 8081 << true;
        QTest::newRow("0 switches off")
            << u"有効=0\r\nアクセスキー="_s + kKey << false << 8080 << true;
        QTest::newRow("port 0") << u"ポート番号=0\r\nアクセスキー="_s + kKey << true << 8080
                                << true;
        QTest::newRow("port 65536")
            << u"ポート番号=65536\r\nアクセスキー="_s + kKey << true << 8080 << true;
        QTest::newRow("port word")
            << u"ポート番号=web\r\nアクセスキー="_s + kKey << true << 8080 << true;
        QTest::newRow("short key") << u"アクセスキー=1234"_s << true << 8080 << false;
        QTest::newRow("33 digits") << u"アクセスキー=0"_s + kKey << true << 8080 << false;
        QTest::newRow("not hex") << u"アクセスキー="_s + QString(kKey).replace(u'a', u'g') << true
                                 << 8080 << false;
        QTest::newRow("missing") << QString() << true << 8080 << false;
    }
    void livePage() {
        QFETCH(QString, lines);
        QFETCH(bool, on);
        QFETCH(int, port);
        QFETCH(bool, keyKept);
        QVERIFY(writeBytes(file_, encodeCp932(QString(u"[ライブ表示]\r\n"_s + lines + u"\r\n"_s))));
        const Settings s = ReadSettings(file_);
        QCOMPARE(s.LiveOn, on);
        QCOMPARE(int{s.LivePort}, port);
        QVERIFY(kaltero::core::isLiveKey(s.LiveKey));
        QCOMPARE(s.LiveKey == kKey.toLower(), keyKept);
        // The key in force is the one stored: the next start serves the same page.
        QCOMPARE(ReadSettings(file_).LiveKey, s.LiveKey);
        if (!keyKept) {
            QVERIFY(s.LiveKey != ReadSettings(dir_.filePath(u"other.ini"_s)).LiveKey);
        }
    }

    void damagedFileStillReads() {
        QByteArray bytes = encodeCp932(fileWith(u"1/100"_s, u"30"_s, u"5"_s));
        bytes.replace(encodeCp932(u"=m2"_s), "=\x85\x40\xff ok"_ba);
        bytes.prepend(QByteArray(1'000'000, '\x80') + "\r\n"_ba);
        QVERIFY(writeBytes(file_, bytes));
        const Settings s = ReadSettings(file_);
        QCOMPARE(s.TicksPerSecond, 100);
        QCOMPARE(int{s.NoCommSeconds}, 30);
        QCOMPARE(s.AutoMess2, u"\uFFFD\uFFFD ok"_s);
        QCOMPARE(s.CheckDefaultLaps, 5);
        QCOMPARE(readBytes(file_), bytes);
    }

    // However many keys are missing, the file is read once and written at most once; a 20 MB
    // damaged file is not read again for every key.
    // A limit is a whole number, 0 and up; anything else keeps the default (0: not used). The
    // pit stop threshold is at least a second, or every pass would be a stop.
    void rules_data() {
        QTest::addColumn<QString>("stint");
        QTest::addColumn<QString>("pitSeconds");
        QTest::addColumn<int>("maxStint");
        QTest::addColumn<int>("pitStopSeconds");
        QTest::addColumn<QString>("pitTimeText");
        QTest::addColumn<int>("pitTime");
        QTest::newRow("set") << u"65"_s << u"30"_s << 65 << 30 << u"1"_s << 1;
        QTest::newRow("0 is not used") << u"0"_s << u"20"_s << 0 << 20 << u"2"_s << 2;
        QTest::newRow("negative") << u"-5"_s << u"-1"_s << 0 << 20 << u"-1"_s << 0;
        QTest::newRow("word") << u"abc"_s << u"x"_s << 0 << 20 << u"x"_s << 0;
        QTest::newRow("threshold 0") << u"1"_s << u"0"_s << 1 << 20 << u"3"_s << 0;
    }
    void rules() {
        QFETCH(QString, stint);
        QFETCH(QString, pitSeconds);
        QFETCH(int, maxStint);
        QFETCH(int, pitStopSeconds);
        QFETCH(QString, pitTimeText);
        QFETCH(int, pitTime);
        QVERIFY(writeBytes(
            file_, encodeCp932(QString(u"[計測環境設定]\r\nピット判定秒数="_s + pitSeconds +
                                       u"\r\n[耐久規定]\r\n最大スティント分数="_s + stint +
                                       u"\r\nピット時間の扱い="_s + pitTimeText + u"\r\n"_s))));
        const Settings s = ReadSettings(file_);
        QCOMPARE(s.rules.MaxStintMinutes, maxStint);
        QCOMPARE(s.rules.PitStopSeconds, pitStopSeconds);
        QCOMPARE(s.rules.PitTimeRule, pitTime);
    }

    void fileIsReadOnceAndWrittenAtMostOnce_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("writes");
        QTest::newRow("complete") << kCompleteFile << 0;
        QTest::newRow("three keys missing")
            << u"[計測環境設定]\r\n計測精度=1/100\r\nラップ加算無通信秒数=20\r\n"
               u"[自動メッセージ設定]\r\n残り３周の自動メッセージ=m3\r\n"_s
            << 1;
    }
    void fileIsReadOnceAndWrittenAtMostOnce() {
        QFETCH(QString, before);
        QFETCH(int, writes);
        QVERIFY(writeBytes(file_, encodeCp932(before)));
        FileTrace trace;
        ReadSettings(file_);
        QCOMPARE(trace.of(u"read"_s, file_).size(), 1);
        QCOMPARE(trace.of(u"wrote"_s, file_).size(), writes);
    }

    void unwritableFileGivesDefaults_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("missing folder") << u"gone/Kaltero.ini"_s << false;
        QTest::newRow("a folder named Kaltero.ini") << u"Kaltero.ini"_s << true;
    }
    void unwritableFileGivesDefaults() {
        QFETCH(QString, relativePath);
        QFETCH(bool, isFolder);
        const QString path = dir_.filePath(relativePath);
        if (isFolder) {
            QVERIFY(QDir(dir_.path()).mkpath(relativePath));
        }
        QCOMPARE(describe(ReadSettings(path)), describe(Settings{}));
        QCOMPARE(WriteIni(ini::kTimingSection, ini::kPrecision, u"1/100"_s, path), 0);
        QVERIFY(!WriteAllSettings(Settings{}, path));
        QCOMPARE(QFileInfo(path).isDir(), isFolder);
        QVERIFY(isFolder || !QFileInfo::exists(path));
        if (isFolder) {
            QVERIFY(QDir(path).removeRecursively());
        }
    }

    void writeAllReadsBack() {
        writeBytes(file_,
                   encodeCp932(QString(u"; mine\r\n"_s + kCompleteFile + u"[x]\r\ny=1\r\n"_s)));
        Settings s;
        s.Precision = u"1/100"_s;
        s.NoCommSeconds = 25;
        s.AutoMess3 = u"ｻﾝ"_s;
        s.AutoMess2 = u"two"_s;
        s.AutoMess1 = u"one"_s;
        s.AutoMess0 = u"zero"_s;
        s.CheckDefaultLaps = -7;
        s.rules = {.PitStopSeconds = 35,
                   .MaxStintMinutes = 65,
                   .MaxDrivingMinutes = 240,
                   .MinDrivingMinutes = 60,
                   .MinPitStopSeconds = 90,
                   .MinPitStops = 4,
                   .StintMessage = u"ＢＯＸ"_s,
                   .StintMessageMinutes = 3};
        s.derive();
        {
            FileTrace trace;
            QVERIFY(WriteAllSettings(s, file_));
            QCOMPARE(trace.of(u"wrote"_s, file_).size(), 1);  // all seven keys in one write
        }
        QCOMPARE(describe(ReadSettings(file_)), describe(s));
        const QByteArray bytes = readBytes(file_);
        QVERIFY(bytes.startsWith("; mine\r\n"));
        QVERIFY(bytes.endsWith("[x]\r\ny=1\r\n"));
        QCOMPARE(readProfileString(ini::kTimingSection, ini::kNoCommSeconds, file_),
                 std::optional<QString>(u"25"_s));
    }

    void panel_data() {
        QTest::addColumn<QString>("precision");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("laps");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("noCommSeconds");
        QTest::addColumn<int>("checkDefaultLaps");
        // The current settings: 1/1000, 10 s, 10 laps.
        QTest::newRow("accepted") << u"1/100"_s << u"20"_s << u"5"_s << true << 20 << 5;
        QTest::newRow("seconds 12 and letters")
            << u"1/1000"_s << u"12s"_s << u"5"_s << true << 12 << 5;
        QTest::newRow("seconds 1.5 to even") << u"1/1000"_s << u"1.5"_s << u"5"_s << true << 2 << 5;
        QTest::newRow("laps word reads 0") << u"1/1000"_s << u"30"_s << u"x"_s << true << 30 << 0;
        QTest::newRow("laps 2.5 to even") << u"1/1000"_s << u"30"_s << u"2.5"_s << true << 30 << 2;
        QTest::newRow("laps beyond 32 bits keep the current")
            << u"1/1000"_s << u"30"_s << u"1e20"_s << true << 30 << 10;
        QTest::newRow("seconds empty refused")
            << u"1/100"_s << QString() << u"5"_s << false << 10 << 10;
        QTest::newRow("seconds 0 refused") << u"1/100"_s << u"0"_s << u"5"_s << false << 10 << 10;
        QTest::newRow("seconds 100 refused")
            << u"1/1000"_s << u"100"_s << u"5"_s << false << 10 << 10;
        QTest::newRow("seconds 99.5 refused")
            << u"1/1000"_s << u"99.5"_s << u"5"_s << false << 10 << 10;
        QTest::newRow("seconds beyond 16 bits refused")
            << u"1/1000"_s << u"70000"_s << u"5"_s << false << 10 << 10;
    }
    void panel() {
        QFETCH(QString, precision);
        QFETCH(QString, seconds);
        QFETCH(QString, laps);
        QFETCH(bool, ok);
        QFETCH(int, noCommSeconds);
        QFETCH(int, checkDefaultLaps);
        const Settings current;
        const PanelRows rows{precision, seconds, u"a,b"_s, u"c"_s, u"d"_s, u",e,,"_s,
                             laps,      u"20"_s, u"0"_s,   u"0"_s, u"0"_s, u"0"_s,
                             u"0"_s,    u"s"_s,  u"5"_s,   u"0"_s};
        const auto result = settingsFromPanel(current, rows);
        const Settings& s = result.settings;
        QCOMPARE(result.ok, ok);
        // The precision of row 1 holds even when the rest is refused, and the silence limit
        // in ticks follows it.
        const int ticks = precision == u"1/1000" ? 1000 : 100;
        QCOMPARE(s.Precision, precision);
        QCOMPARE(s.TicksPerSecond, ticks);
        QCOMPARE(s.FractionFormat, ticks == 1000 ? u"000"_s : u"00"_s);
        QCOMPARE(s.MsPerTick, ticks == 1000 ? 1 : 10);
        QCOMPARE(int{s.NoCommSeconds}, noCommSeconds);
        QCOMPARE(s.NoCommTicks, noCommSeconds * ticks);
        QCOMPARE(s.CheckDefaultLaps, checkDefaultLaps);
        QCOMPARE(result.badRow, ok ? 0 : 2);
        if (ok) {
            QCOMPARE(s.AutoMess3, u"a b"_s);
            QCOMPARE(s.AutoMess2, u"c"_s);
            QCOMPARE(s.AutoMess1, u"d"_s);
            QCOMPARE(s.AutoMess0, u" e  "_s);
        } else {
            QCOMPARE(s.AutoMess3, current.AutoMess3);
            QCOMPARE(s.AutoMess0, current.AutoMess0);
        }
    }

    // The pit stop threshold, the five rules, the stint message and its minutes: whole numbers
    // or the confirm is refused at the first bad row, nothing but the precision taken.
    void panelRules_data() {
        QTest::addColumn<QStringList>("ruleRows");  // rows 8..16
        QTest::addColumn<int>("badRow");
        QTest::addColumn<QString>("rules");  // as describeRules gives them, when accepted
        const auto rows = [](const char* pit, const char* stint, const char* maxDrv,
                             const char* minDrv, const char* minStop, const char* stops,
                             const QString& message, const char* minutes,
                             const char* pitTime = "0") {
            return QStringList{QString::fromUtf8(pit),
                               QString::fromUtf8(stint),
                               QString::fromUtf8(maxDrv),
                               QString::fromUtf8(minDrv),
                               QString::fromUtf8(minStop),
                               QString::fromUtf8(stops),
                               message,
                               QString::fromUtf8(minutes),
                               QString::fromUtf8(pitTime)};
        };
        QTest::newRow("all set") << rows("30", "60", "240", "45", "40", "3", u"BOX, now"_s, "4")
                                 << 0 << u"30/60/240/45/40/3/BOX  now/4/0"_s;
        QTest::newRow("zeros are not used")
            << rows("1", "0", "0", "0", "0", "0", u""_s, "0") << 0 << u"1/0/0/0/0/0//0/0"_s;
        QTest::newRow("blanks and full width")
            << rows(" 25 ", "６０", "0", "0", "0", "0", u"m"_s, "5") << 0
            << u"25/60/0/0/0/0/m/5/0"_s;
        QTest::newRow("threshold 0 refused")
            << rows("0", "60", "0", "0", "0", "0", u"m"_s, "5") << 8 << QString();
        QTest::newRow("stint minutes decimal refused")
            << rows("20", "1.5", "0", "0", "0", "0", u"m"_s, "5") << 9 << QString();
        QTest::newRow("driving minutes empty refused")
            << rows("20", "60", "", "0", "0", "0", u"m"_s, "5") << 10 << QString();
        QTest::newRow("minimum negative refused")
            << rows("20", "60", "0", "-5", "0", "0", u"m"_s, "5") << 11 << QString();
        QTest::newRow("stop seconds word refused")
            << rows("20", "60", "0", "0", "abc", "0", u"m"_s, "5") << 12 << QString();
        QTest::newRow("stop count too large refused")
            << rows("20", "60", "0", "0", "0", "100000", u"m"_s, "5") << 13 << QString();
        QTest::newRow("message minutes letters refused")
            << rows("20", "60", "0", "0", "0", "0", u"m"_s, "5分") << 15 << QString();
        QTest::newRow("stop split at the driver change")
            << rows("20", "60", "0", "0", "0", "0", u"m"_s, "5", "2") << 0
            << u"20/60/0/0/0/0/m/5/2"_s;
        QTest::newRow("pit time rule beyond 2 refused")
            << rows("20", "60", "0", "0", "0", "0", u"m"_s, "5", "3") << 16 << QString();
    }
    void panelRules() {
        QFETCH(QStringList, ruleRows);
        QFETCH(int, badRow);
        QFETCH(QString, rules);
        const Settings current;
        PanelRows rows{u"1/100"_s, u"12"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"7"_s};
        for (int i = 0; i < ruleRows.size(); ++i) {
            rows[std::size_t(7 + i)] = ruleRows[i];
        }
        const auto result = settingsFromPanel(current, rows);
        QCOMPARE(result.ok, badRow == 0);
        QCOMPARE(result.badRow, badRow);
        QCOMPARE(result.settings.TicksPerSecond, 100);
        if (badRow == 0) {
            QCOMPARE(describeRules(result.settings.rules), rules);
            QCOMPARE(int{result.settings.NoCommSeconds}, 12);
        } else {
            QCOMPARE(describeRules(result.settings.rules), describeRules(current.rules));
            QCOMPARE(int{result.settings.NoCommSeconds}, 10);
            QCOMPARE(result.settings.AutoMess3, current.AutoMess3);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
