#include "platform/scripted_prompts.h"
#include "wording/notice_words.h"
#include "wording/prompted_operator.h"

#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;
using engine::Notice;
using Kind = engine::Notice::Kind;
using platform::PromptIcon;

Q_DECLARE_METATYPE(kaltero::engine::Notice)
Q_DECLARE_METATYPE(kaltero::platform::PromptIcon)
Q_DECLARE_METATYPE(kaltero::link::RepairRefusal)

class TestNoticeWords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every notice in the words the operator has always read.
    void words_data() {
        QTest::addColumn<Notice>("notice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<PromptIcon>("icon");
        const QString journal = u"計測記録"_s;
        const QString file = u"/race/Kaltero.db"_s;
        const auto row = [](const char* name, const Notice& n) -> QTestData& {
            return QTest::newRow(name) << n;
        };
        row("folder not writable", {.kind = Kind::FolderNotWritable, .path = u"/race"_s})
            << u"このフォルダに書き込めません (読み取り専用か、空きがありません)。\n/race\n"
               "計測は記録されずに続けます。"_s
            << journal << PromptIcon::Critical;
        row("another console", {.kind = Kind::AnotherConsole, .path = u"/race"_s})
            << u"このフォルダのKalteroは既に動いています。\n/race\n二つ目のKalteroは起動しません。"_s
            << u"Kaltero"_s << PromptIcon::Critical;
        row("journal held", {.kind = Kind::JournalHeld, .path = file})
            << u"計測記録ファイルを他のプログラムが使用しています。\n/race/Kaltero.db\n"
               "そのプログラムを閉じてから「はい」を押してください。\n"
               "「いいえ」を押すと、計測は記録されずに続けます。"_s
            << journal << PromptIcon::Warning;
        row("journal not opened", {.kind = Kind::JournalNotOpened, .path = file, .why = u"I/O"_s})
            << u"計測記録ファイルを開けません。計測は記録されずに続けます。\n/race/Kaltero.db\n(I/O)"_s
            << journal << PromptIcon::Critical;
        row("journal newer", {.kind = Kind::JournalNewer, .path = file, .why = u"v9"_s})
            << u"新しい版の計測記録です。この版のKalteroでは書き込みません。計測は記録されずに続け"
               u"ます。"
               "\n/race/Kaltero.db\n(v9)"_s
            << journal << PromptIcon::Critical;
        row("journal not writable",
            {.kind = Kind::JournalNotWritable, .path = file, .why = u"ro"_s})
            << u"計測記録ファイルに書き込めません (読み取り専用か、空きがありません)。"
               "計測は記録されずに続けます。\n/race/Kaltero.db\n(ro)"_s
            << journal << PromptIcon::Critical;
        row("journal moved aside", {.kind = Kind::JournalMovedAside, .path = file + u".damaged"_s})
            << u"計測記録ファイルが壊れているため使えません。\n/race/Kaltero.db.damaged\n"
               "として残し、新しい記録を始めます。"_s
            << journal << PromptIcon::Critical;
        row("write failed", {.kind = Kind::JournalWriteFailed, .why = u"disk full"_s})
            << u"計測記録を書き込めません。計測はそのまま続け、書き込めるようになりしだい記録します"
               u"。"
               "\n(disk full)"_s
            << journal << PromptIcon::Critical;
        row("journal replaced", {.kind = Kind::JournalReplaced, .path = file})
            << u"計測記録ファイルが削除されたか、別のファイルに置き換えられました。\n"
               "/race/Kaltero.db\nここまでの計測を新しいファイルに書き直し、記録を続けます。"_s
            << journal << PromptIcon::Warning;
        row("unwritten at the end", {.kind = Kind::UnwrittenAtEnd, .count = 12})
            << u"計測記録の 12 件の操作をまだ書き込めていません。\nもう一度書き込みますか？\n"
               "「いいえ」を押すと書き込まずに終了します (書き込めていない計測は、次の起動で"
               "再開を聞かれます)。"_s
            << journal << PromptIcon::Critical;
        row("unfinished race", {.kind = Kind::UnfinishedRace})
            << u"前回の計測は終了していません。再開しますか？"_s << journal << PromptIcon::Question;
        row("live port taken", {.kind = Kind::LivePortTaken, .port = 8080})
            << u"ライブ表示を始められません。ポート 8080 を開けません "
               u"(他のプログラムが使っています)。"
               "\n計測はそのまま続けます。"_s
            << u"ライブ表示"_s << PromptIcon::Warning;
        row("followed consoles refused",
            {.kind = Kind::FollowedConsolesRefused, .why = u"not a console name: pit/a"_s})
            << u"他のコンソールの計測をライブ表示に出せません。[中継] の設定を確かめてください。"
               u"\n(not a console name: pit/a)\n計測はそのまま続けます。"_s
            << u"ライブ表示"_s << PromptIcon::Warning;
        row("relay name refused", {.kind = Kind::RelayNameRefused, .why = u"a/#"_s})
            << u"コンソール名「a/#」は使えません (英数字・-・_ の64文字まで)。\n中継は行いません。"_s
            << u"中継"_s << PromptIcon::Warning;
        row("relay refused", {.kind = Kind::RelayRefused, .why = u"not authorised"_s})
            << u"ブローカーに接続を拒否されました。\n(not authorised)\n"
               "ユーザー・パスワード・証明書を確かめてください。計測はそのまま続けます。"_s
            << u"中継"_s << PromptIcon::Warning;
        row("car ports taken", {.kind = Kind::CarPortsTaken,
                                .cars = {{.slot = 0, .port = 7011}, {.slot = 4, .port = 7051}}})
            << u"次の車輌の受信ポートを開けません。他のプログラムが使用しています。\n"
               "１号車：ポート7011\n５号車：ポート7051\nこの車輌は計測されません。"_s
            << u"ポート確認"_s << PromptIcon::Critical;
        row("addresses not numeric",
            {.kind = Kind::CarAddressesNotNumeric, .cars = {{.slot = 2, .address = u"pit-pc"_s}}})
            << u"次の車輌のＩＰ番号が数字のアドレス（例 192.168.0.21）ではないため、"
               "報告を受け付けられません。周回は記録されません。\n３号車：pit-pc"_s
            << u"ＩＰ確認"_s << PromptIcon::Warning;
        row("check port taken", {.kind = Kind::CheckPortTaken, .port = 7001})
            << u"アドレス確認用のポート7001を開けません。他のプログラムが使用しています。\n"
               "車輌パソコンからのアドレス確認には答えられません。"_s
            << u"ポート確認"_s << PromptIcon::Critical;
    }
    void words() {
        QFETCH(Notice, notice);
        const wording::Words w = wording::words(notice);
        QTEST(w.text, "text");
        QTEST(w.title, "title");
        QTEST(w.icon, "icon");
    }

    // A lap repair refused, in the words the operator has always read.
    void repairRefusals_data() {
        QTest::addColumn<link::RepairRefusal>("refusal");
        QTest::addColumn<QString>("text");
        using R = link::RepairRefusal;
        QTest::newRow("no next lap") << R::NoNextLap << u"結合する次の周がありません。"_s;
        QTest::newRow("next running") << R::NextLapRunning << u"次の周はまだ走行中です。"_s;
        QTest::newRow("no lap") << R::NoLap << u"分割する周がありません。"_s;
        QTest::newRow("running") << R::LapRunning << u"この周はまだ走行中です。"_s;
        QTest::newRow("untimed") << R::Untimed << u"タイムのない周は分割できません。"_s;
        QTest::newRow("outside") << R::OutsideLap
                                 << u"分割する時間がこの周のタイムの中にありません。"_s;
    }
    void repairRefusals() {
        QFETCH(link::RepairRefusal, refusal);
        QTEST(wording::words(refusal), "text");
    }

    // Told without waiting, shown in a box, asked Yes/No: each the way the dialogs have it.
    void promptedOperatorUsesTheDialogs() {
        platform::ScriptedPrompts prompts;
        wording::PromptedOperator op(prompts);
        op.tell({.kind = Kind::CheckPortTaken, .port = 7001});
        op.show({.kind = Kind::AnotherConsole, .path = u"/race"_s});
        prompts.answerYesNo(true);
        QVERIFY(op.ask({.kind = Kind::UnfinishedRace}));
        using Call = platform::ScriptedPrompts::Kind;
        QCOMPARE(prompts.calls().size(), 3);
        QCOMPARE(prompts.calls()[0].kind, Call::Notice);
        QCOMPARE(prompts.calls()[1].kind, Call::Message);
        QCOMPARE(prompts.calls()[2].kind, Call::YesNo);
        QCOMPARE(prompts.calls()[2].text, u"前回の計測は終了していません。再開しますか？"_s);
    }
};

QTEST_GUILESS_MAIN(TestNoticeWords)
#include "test_notice_words.moc"
