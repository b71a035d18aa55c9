#include "engine/session.h"

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "journal/journal.h"
#include "link/lap_closing.h"
#include "live/live_service.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/folder_lock.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFileInfo>

namespace kaltero::engine {

using namespace Qt::StringLiterals;

namespace {
const QString kTitle = QStringLiteral("計測記録");
}  // namespace

Session::Session(core::Console& console, RaceEngine& engine)
    : console_(console), engine_(engine), journal_(std::make_unique<journal::Journal>()) {
    // A race rebuilt from the journal, and laps the operator repairs, get their figures from
    // the same rule the link uses.
    console_.race.setFigureRule(
        [this](const QList<core::Lap>& laps, const core::CarSlot& car, qint32 remain) {
            return link::figuresOfLap(laps, car, remain, console_.settings);
        });
}

Session::~Session() {
    live_.reset();
    journal_.reset();
}

void Session::load(const QString& programFolder) {
    console_.paths = core::pathsIn(programFolder);
    console_.settings = core::ReadSettings(console_.paths.SettingsFile);
}

bool Session::open() {
    switch (claimFolder()) {
        case Claim::Claimed:
            openJournal();
            break;
        case Claim::AnotherConsole:
            return false;
        case Claim::NotWritable:
            break;
    }
    startLive();
    return true;
}

Session::Claim Session::claimFolder() {
    // The lock dies with its console: a file left by a console that was killed claims nothing,
    // on any medium, and is never taken for a running one.
    lock_ = std::make_unique<platform::FolderLock>();
    const platform::FolderLock::Claim claim = lock_->claim(console_.paths.JournalFile + u".lock");
    if (claim == platform::FolderLock::Claim::Held) {
        return Claim::Claimed;
    }
    const QString folder =
        QDir::toNativeSeparators(QFileInfo(console_.paths.JournalFile).absolutePath());
    if (claim == platform::FolderLock::Claim::NotWritable) {
        // A read-only folder or a full medium: no other console, but nothing can be recorded.
        console_.prompts.tell(
            u"このフォルダに書き込めません (読み取り専用か、空きがありません)。\n" + folder +
                u"\n計測は記録されずに続けます。",
            kTitle, platform::PromptIcon::Critical);
        return Claim::NotWritable;
    }
    console_.prompts.message(u"このフォルダのKalteroは既に動いています。\n" + folder +
                                 u"\n二つ目のKalteroは起動しません。",
                             QStringLiteral("Kaltero"), platform::PromptIcon::Critical);
    return Claim::AnotherConsole;
}

void Session::openJournal() {
    QString movedTo;
    QString why;
    const QString file = QDir::toNativeSeparators(console_.paths.JournalFile);
    // A backup tool or a viewer holding the file: the operator may close it and try again.
    while (!journal_->open(console_.paths.JournalFile, &movedTo, &why) &&
           journal_->heldByAnother()) {
        if (!console_.prompts.askYesNo(
                u"計測記録ファイルを他のプログラムが使用しています。\n" + file +
                    u"\nそのプログラムを閉じてから「はい」を押してください。\n"
                    u"「いいえ」を押すと、計測は記録されずに続けます。",
                kTitle, platform::PromptIcon::Warning)) {
            return;
        }
    }
    if (!journal_->isOpen()) {
        // The file is kept as it is: only the reason differs.
        QString reason = u"計測記録ファイルを開けません。"_s;
        switch (journal_->openFault()) {
            case journal::Journal::OpenFault::Newer:
                reason = u"新しい版の計測記録です。この版のKalteroでは書き込みません。"_s;
                break;
            case journal::Journal::OpenFault::NotWritable:
                reason = u"計測記録ファイルに書き込めません (読み取り専用か、空きがありません)。"_s;
                break;
            default:
                break;
        }
        console_.prompts.message(
            reason + u"計測は記録されずに続けます。\n" + file + u"\n(" + why + u')', kTitle,
            platform::PromptIcon::Critical);
        return;
    }
    if (!movedTo.isEmpty()) {
        console_.prompts.message(u"計測記録ファイルが壊れているため使えません。\n" +
                                     QDir::toNativeSeparators(movedTo) +
                                     u"\nとして残し、新しい記録を始めます。",
                                 kTitle, platform::PromptIcon::Critical);
    }
    journal_->prune(console_.settings.JournalDays, console_.clock.now().toMSecsSinceEpoch());
    // Told while a car's report or Start waits on the write: the operator reads it when the
    // window can show it, and no car waits for the operator.
    QObject::connect(journal_.get(), &journal::Journal::writeFailed, [this](const QString& why) {
        console_.prompts.tell(
            u"計測記録を書き込めません。計測はそのまま続け、書き込めるようになりしだい記録します。"
            u"\n(" +
                why + u')',
            kTitle, platform::PromptIcon::Critical);
    });
    QObject::connect(journal_.get(), &journal::Journal::fileReplaced, [this](const QString& path) {
        console_.prompts.tell(
            u"計測記録ファイルが削除されたか、別のファイルに置き換えられました。\n" +
                QDir::toNativeSeparators(path) +
                u"\nここまでの計測を新しいファイルに書き直し、記録を続けます。",
            kTitle, platform::PromptIcon::Warning);
    });
}

void Session::startLive() {
    if (!console_.settings.LiveOn) {
        return;
    }
    live_ = std::make_unique<live::LiveService>(
        console_.race, console_.settings,
        [this] {
            return live::RaceMoment{console_.clock.now().toMSecsSinceEpoch(), console_.TickCnt()};
        },
        console_.settings.LiveKey);
    if (!live_->start(console_.settings.LivePort)) {
        live_.reset();
        console_.prompts.tell(
            u"ライブ表示を始められません。ポート " + QString::number(console_.settings.LivePort) +
                u" を開けません (他のプログラムが使っています)。\n計測はそのまま続けます。",
            QStringLiteral("ライブ表示"), platform::PromptIcon::Warning);
    }
}

void Session::end() {
    // What the journal could not write yet is lost with the program: the operator decides.
    while (journal_->isOpen() && !journal_->flush()) {
        if (!console_.prompts.askYesNo(
                u"計測記録の " + QString::number(journal_->waiting()) +
                    u" 件の操作をまだ書き込めていません。\nもう一度書き込みますか？\n"
                    u"「いいえ」を押すと書き込まずに終了します (書き込めていない計測は、"
                    u"次の起動で再開を聞かれます)。",
                kTitle, platform::PromptIcon::Critical)) {
            break;
        }
    }
}

void Session::offerResume() {
    if (!journal_->isOpen()) {
        return;
    }
    const QList<model::Change> ops = journal_->unfinishedRace();
    const bool resume =
        !ops.isEmpty() &&
        console_.prompts.askYesNo(QStringLiteral("前回の計測は終了していません。再開しますか？"),
                                  kTitle, platform::PromptIcon::Question);
    if (!ops.isEmpty() && !resume) {
        journal_->abandonUnfinished();
    }
    if (resume) {
        // Rebuilt before the journal follows: these operations are on disk already.
        for (const model::Change& c : ops) {
            console_.race.replay(c);
        }
        journal_->resumeUnfinished();
    }
    journal_->follow(console_.race);
    if (resume) {
        engine_.resume();
    }
}

}  // namespace kaltero::engine
