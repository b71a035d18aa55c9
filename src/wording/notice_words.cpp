#include "wording/notice_words.h"

#include "core/slot_state.h"

#include <QDir>
#include <QStringList>

namespace kaltero::wording {

using Kind = engine::Notice::Kind;
using platform::PromptIcon;
using namespace Qt::StringLiterals;

namespace {

const QString kJournalTitle = u"計測記録"_s;
const QString kPortTitle = u"ポート確認"_s;
const QString kRelayTitle = u"中継"_s;

// The journal could not be had: why, where, and what the system said.
Words notOpened(const QString& reason, const engine::Notice& n) {
    return {reason + u"計測は記録されずに続けます。\n" + QDir::toNativeSeparators(n.path) + u"\n(" +
                n.why + u')',
            kJournalTitle, PromptIcon::Critical};
}

// The program folder and the journal, as the session opens and ends.
Words sessionWords(const engine::Notice& n) {
    const QString path = QDir::toNativeSeparators(n.path);
    switch (n.kind) {
        case Kind::FolderNotWritable:
            return {u"このフォルダに書き込めません (読み取り専用か、空きがありません)。\n" + path +
                        u"\n計測は記録されずに続けます。",
                    kJournalTitle, PromptIcon::Critical};
        case Kind::AnotherConsole:
            return {u"このフォルダのKalteroは既に動いています。\n" + path +
                        u"\n二つ目のKalteroは起動しません。",
                    u"Kaltero"_s, PromptIcon::Critical};
        case Kind::JournalHeld:
            return {u"計測記録ファイルを他のプログラムが使用しています。\n" + path +
                        u"\nそのプログラムを閉じてから「はい」を押してください。\n"
                        u"「いいえ」を押すと、計測は記録されずに続けます。",
                    kJournalTitle, PromptIcon::Warning};
        case Kind::JournalNewer:
            return notOpened(u"新しい版の計測記録です。この版のKalteroでは書き込みません。"_s, n);
        case Kind::JournalNotWritable:
            return notOpened(
                u"計測記録ファイルに書き込めません (読み取り専用か、空きがありません)。"_s, n);
        case Kind::JournalMovedAside:
            return {u"計測記録ファイルが壊れているため使えません。\n" + path +
                        u"\nとして残し、新しい記録を始めます。",
                    kJournalTitle, PromptIcon::Critical};
        case Kind::UnwrittenAtEnd:
            return {u"計測記録の " + QString::number(n.count) +
                        u" 件の操作をまだ書き込めていません。\nもう一度書き込みますか？\n"
                        u"「いいえ」を押すと書き込まずに終了します (書き込めていない計測は、"
                        u"次の起動で再開を聞かれます)。",
                    kJournalTitle, PromptIcon::Critical};
        case Kind::UnfinishedRace:
            return {u"前回の計測は終了していません。再開しますか？"_s, kJournalTitle,
                    PromptIcon::Question};
        default:
            return notOpened(u"計測記録ファイルを開けません。"_s, n);
    }
}

// "３号車：ポート7031" or "３号車：pit-pc", one car a line.
QString carLines(const QList<engine::Notice::Car>& cars, bool ports) {
    QStringList lines;
    for (const engine::Notice::Car& car : cars) {
        lines << core::carCaption(car.slot) + u"：" +
                     (ports ? u"ポート" + QString::number(car.port) : car.address);
    }
    return lines.join(u'\n');
}

}  // namespace

Words words(const engine::Notice& n) {
    switch (n.kind) {
        case Kind::JournalWriteFailed:
            return {
                u"計測記録を書き込めません。計測はそのまま続け、書き込めるようになりしだい"
                u"記録します。\n(" +
                    n.why + u')',
                kJournalTitle, PromptIcon::Critical};
        case Kind::JournalReplaced:
            return {u"計測記録ファイルが削除されたか、別のファイルに置き換えられました。\n" +
                        QDir::toNativeSeparators(n.path) +
                        u"\nここまでの計測を新しいファイルに書き直し、記録を続けます。",
                    kJournalTitle, PromptIcon::Warning};
        case Kind::LivePortTaken:
            return {u"ライブ表示を始められません。ポート " + QString::number(n.port) +
                        u" を開けません (他のプログラムが使っています)。\n計測はそのまま続けます。",
                    u"ライブ表示"_s, PromptIcon::Warning};
        case Kind::FollowedConsolesRefused:
            return {
                u"他のコンソールの計測をライブ表示に出せません。[中継] "
                u"の設定を確かめてください。\n(" +
                    n.why + u")\n計測はそのまま続けます。",
                u"ライブ表示"_s, PromptIcon::Warning};
        case Kind::CarPortsTaken:
            return {u"次の車輌の受信ポートを開けません。他のプログラムが使用しています。\n" +
                        carLines(n.cars, true) + u"\nこの車輌は計測されません。",
                    kPortTitle, PromptIcon::Critical};
        case Kind::CarAddressesNotNumeric:
            return {
                u"次の車輌のＩＰ番号が数字のアドレス（例 192.168.0.21）ではないため、"
                u"報告を受け付けられません。周回は記録されません。\n" +
                    carLines(n.cars, false),
                u"ＩＰ確認"_s, PromptIcon::Warning};
        case Kind::CheckPortTaken:
            return {u"アドレス確認用のポート" + QString::number(n.port) +
                        u"を開けません。他のプログラムが使用しています。\n"
                        u"車輌パソコンからのアドレス確認には答えられません。",
                    kPortTitle, PromptIcon::Critical};
        case Kind::RelayNameRefused:
            return {u"コンソール名「" + n.why +
                        u"」は使えません (英数字・-・_ の64文字まで)。\n中継は行いません。",
                    kRelayTitle, PromptIcon::Warning};
        case Kind::RelayRefused:
            return {
                u"ブローカーに接続を拒否されました。\n(" + n.why +
                    u")\nユーザー・パスワード・証明書を確かめてください。計測はそのまま続けます。",
                kRelayTitle, PromptIcon::Warning};
        default:
            return sessionWords(n);
    }
}

QString words(link::RepairRefusal refusal) {
    using R = link::RepairRefusal;
    switch (refusal) {
        case R::NoNextLap:
            return u"結合する次の周がありません。"_s;
        case R::NextLapRunning:
            return u"次の周はまだ走行中です。"_s;
        case R::NoLap:
            return u"分割する周がありません。"_s;
        case R::LapRunning:
            return u"この周はまだ走行中です。"_s;
        case R::Untimed:
            return u"タイムのない周は分割できません。"_s;
        case R::OutsideLap:
            return u"分割する時間がこの周のタイムの中にありません。"_s;
    }
    return {};
}

}  // namespace kaltero::wording
