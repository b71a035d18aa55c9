#include "engine/session.h"

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "journal/journal.h"
#include "link/lap_closing.h"
#include "live/live_service.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/folder_lock.h"
#include "platform/udp_link.h"
#include "relay/followed_consoles.h"
#include "relay/relay_service.h"
#include "standby/follower.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kaltero::engine {

using Kind = Notice::Kind;

Session::Session(core::Console& console, RaceEngine& engine, Operator& op)
    : console_(console),
      engine_(engine),
      operator_(op),
      journal_(std::make_unique<journal::Journal>()) {
    // A race rebuilt from the journal, and laps the operator repairs, get their figures from
    // the same rule the link uses.
    console_.race.setFigureRule(
        [this](const QList<core::Lap>& laps, const core::CarSlot& car, qint32 remain) {
            return link::figuresOfLap(laps, car, remain, console_.settings);
        });
    engineTold_ = QObject::connect(&engine_, &RaceEngine::told,
                                   [this](const Notice& notice) { operator_.tell(notice); });
}

Session::~Session() {
    QObject::disconnect(engineTold_);
    relay_.reset();
    follower_.reset();
    live_.reset();
    feed_.reset();
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
    const QString folder = QFileInfo(console_.paths.JournalFile).absolutePath();
    if (claim == platform::FolderLock::Claim::NotWritable) {
        // A read-only folder or a full medium: no other console, but nothing can be recorded.
        operator_.tell({.kind = Kind::FolderNotWritable, .path = folder});
        return Claim::NotWritable;
    }
    operator_.show({.kind = Kind::AnotherConsole, .path = folder});
    return Claim::AnotherConsole;
}

void Session::openJournal() {
    QString movedTo;
    QString why;
    const QString& file = console_.paths.JournalFile;
    // A backup tool or a viewer holding the file: the operator may close it and try again.
    while (!journal_->open(file, &movedTo, &why) && journal_->heldByAnother()) {
        if (!operator_.ask({.kind = Kind::JournalHeld, .path = file})) {
            return;
        }
    }
    if (!journal_->isOpen()) {
        // The file is kept as it is: only the reason differs.
        Kind kind = Kind::JournalNotOpened;
        switch (journal_->openFault()) {
            case journal::Journal::OpenFault::Newer:
                kind = Kind::JournalNewer;
                break;
            case journal::Journal::OpenFault::NotWritable:
                kind = Kind::JournalNotWritable;
                break;
            default:
                break;
        }
        operator_.show({.kind = kind, .path = file, .why = why});
        return;
    }
    if (!movedTo.isEmpty()) {
        operator_.show({.kind = Kind::JournalMovedAside, .path = movedTo});
    }
    journal_->prune(console_.settings.JournalDays, console_.clock.now().toMSecsSinceEpoch());
    // Told while a car's report or Start waits on the write: the operator reads it when the
    // window can show it, and no car waits for the operator.
    QObject::connect(journal_.get(), &journal::Journal::writeFailed, [this](const QString& why) {
        operator_.tell({.kind = Kind::JournalWriteFailed, .why = why});
    });
    QObject::connect(journal_.get(), &journal::Journal::fileReplaced, [this](const QString& path) {
        operator_.tell({.kind = Kind::JournalReplaced, .path = path});
    });
}

void Session::startLive() {
    if (!console_.settings.LiveOn) {
        return;
    }
    live_ = std::make_unique<live::LiveService>(feed(), console_.settings.LiveKey);
    if (!live_->start(console_.settings.LivePort)) {
        live_.reset();
        feed_.reset();  // made again if the relay, started later, needs it
        operator_.tell({.kind = Kind::LivePortTaken, .port = console_.settings.LivePort});
        return;
    }
    followConsoles();
}

void Session::followConsoles() {
    const core::RelaySettings& relay = console_.settings.relay;
    if (relay.broker.isEmpty() || relay.shown.isEmpty()) {
        return;
    }
    relay::BrokerSettings broker = relay::RelayService::brokerSettings(relay);
    // A connection of its own beside the publisher's; a second console on the machine (its
    // name refused, or the same) has another.
    broker.clientId = QStringLiteral("kaltero-%1-view-%2")
                          .arg(core::consoleNameFromHost(relay.consoleName))
                          .arg(QCoreApplication::applicationPid());
    followed_ = std::make_unique<relay::FollowedConsoles>(*live_);
    QString why;
    if (!followed_->start(broker, relay.shown, &why)) {
        followed_.reset();
        operator_.tell({.kind = Kind::FollowedConsolesRefused, .why = why});
    }
}

live::RaceMoment Session::moment() const {
    return {console_.clock.now().toMSecsSinceEpoch(), console_.TickCnt()};
}

live::RaceFeed& Session::feed() {
    if (!feed_) {
        feed_ = std::make_unique<live::RaceFeed>(console_.race, console_.settings,
                                                 [this] { return moment(); });
    }
    return *feed_;
}

void Session::end() {
    // What the journal could not write yet is lost with the program: the operator decides.
    while (journal_->isOpen() && !journal_->flush()) {
        if (!operator_.ask({.kind = Kind::UnwrittenAtEnd, .count = journal_->waiting()})) {
            break;
        }
    }
}

void Session::offerResume() {
    const bool resumed = journal_->isOpen() && resumeOwnRace();
    // A standby that did not go on with a race of its own follows the console it stands by for.
    if (!resumed && !console_.settings.relay.follow.isEmpty()) {
        standBy();
    } else if (journal_->isOpen()) {
        startRelay();
    }
}

bool Session::resumeOwnRace() {
    const QList<model::Change> ops = journal_->unfinishedRace();
    const bool resume = !ops.isEmpty() && operator_.ask({.kind = Kind::UnfinishedRace});
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
    return resume;
}

void Session::startRelay() {
    const core::RelaySettings& relay = console_.settings.relay;
    if (relay.broker.isEmpty()) {
        return;
    }
    if (!relay.refusedName.isEmpty()) {
        operator_.tell({.kind = Kind::RelayNameRefused, .why = relay.refusedName});
        return;
    }
    relay_ = std::make_unique<relay::RelayService>(feed(), console_.settings,
                                                   console_.paths.JournalFile);
    QObject::connect(journal_.get(), &journal::Journal::written, relay_.get(),
                     &relay::RelayService::journalWritten);
    // A refusal is told once; the link keeps trying, and the window shows how it stands.
    QObject::connect(relay_.get(), &relay::RelayService::stateChanged,
                     [this, told = QString()](const relay::RelayState& s) mutable {
                         if (!s.refused.isEmpty() && s.refused != told) {
                             operator_.tell({.kind = Kind::RelayRefused, .why = s.refused});
                         }
                         told = s.refused;
                     });
}

void Session::standBy() {
    const core::RelaySettings& relay = console_.settings.relay;
    // The source's car PCs report to it: this console answers no car until it takes over.
    console_.sockets.check->close();
    follower_ = std::make_unique<standby::Follower>(console_.race);
    // The standings as the source shows them, worked out as its car link does after a report.
    QObject::connect(&follower_->mirror(), &standby::Mirror::applied, [this] {
        if (console_.state.LastCarIdx >= 1) {
            engine_.link().UpdateStandings();
        }
    });
    // A persistent session of its own, apart from the one it publishes with after a take-over.
    relay::BrokerSettings broker = relay::RelayService::brokerSettings(relay);
    broker.clientId = u"kaltero-" + relay.consoleName + u"-standby";
    follower_->start(broker, relay.follow);
}

void Session::takeOver() {
    if (!follower_) {
        return;
    }
    // Also when following never started (a broker refused): the race held is timed on.
    follower_->stop();
    // The race followed is in the journal already, recorded as it came.
    if (console_.race.timing()) {
        engine_.resume();
    } else {
        engine_.bindAddressCheck();
    }
    if (journal_->isOpen()) {
        startRelay();
    }
}

}  // namespace kaltero::engine
