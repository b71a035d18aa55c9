#pragma once

#include "engine/notice.h"
#include "live/race_json.h"

#include <QMetaObject>
#include <QString>
#include <memory>

namespace kaltero::core {
struct Console;
}

namespace kaltero::journal {
class Journal;
}

namespace kaltero::live {
class LiveService;
class RaceFeed;
}  // namespace kaltero::live

namespace kaltero::relay {
class RelayService;
}

namespace kaltero::platform {
class FolderLock;
}

namespace kaltero::relay {
class FollowedConsoles;
}

namespace kaltero::standby {
class Follower;
}

namespace kaltero::engine {

class RaceEngine;

// One console's session in its program folder, with or without a window: the settings, the
// folder claimed against a second console, the journal that lets a race resume, the live page.
// What it and its engine have to tell or ask goes to the operator as notices.
class Session {
public:
    Session(core::Console& console, RaceEngine& engine, Operator& op);
    ~Session();

    // The settings and the files' places of the program folder.
    void load(const QString& programFolder);
    // Claims the folder, opens the journal and starts the live page. False when another
    // console holds the folder: this one must end.
    bool open();
    // A race that was started and never stopped is offered to go on: rebuilt from its
    // operations (whatever follows the race sees them again), then timed again. Else a standby
    // (the settings name a console to follow) stands by for it instead of timing, with no car
    // link bound: that console's race followed from the broker into this one's race and journal.
    void offerResume();
    // Follows no more and times the followed race on from here, as a resume after a crash does,
    // and publishes it as this console's.
    void takeOver();
    // End: once the journal holds the race, or the operator chose to end anyway.
    void end();

    journal::Journal* journal() const { return journal_.get(); }
    // The live page while it serves; none when switched off or its port was taken.
    live::LiveService* live() const { return live_.get(); }
    // The console followed while standing by; none when this console times its own race.
    standby::Follower* follower() const { return follower_.get(); }
    // Publishing to the broker while the settings name one; none when they do not.
    relay::RelayService* relay() const { return relay_.get(); }

private:
    enum class Claim { Claimed, AnotherConsole, NotWritable };
    // One console per folder: a second one would share the journal and the car ports.
    Claim claimFolder();
    void openJournal();
    // The live page, when the settings switch it on; a port that cannot be bound is told once.
    void startLive();
    // The other consoles' races on the live page, when the relay settings name them; a name that is
    // no console name, or a broker setting refused, is told once and nothing is followed.
    void followConsoles();
    // Publishing, when the settings name a broker: from the journal, so it follows the race
    // once the journal does.
    void startRelay();
    // The unfinished race of this console's own, offered to go on; true when it does.
    bool resumeOwnRace();
    void standBy();
    // The wall clock and the race's tick count, for what follows the race off its thread.
    live::RaceMoment moment() const;
    // The race's changes as deltas, made once for the live page and the relay alike, the
    // first time either needs them.
    live::RaceFeed& feed();

    core::Console& console_;
    RaceEngine& engine_;
    Operator& operator_;
    QMetaObject::Connection engineTold_;
    std::unique_ptr<platform::FolderLock> lock_;
    std::unique_ptr<journal::Journal> journal_;
    std::unique_ptr<live::RaceFeed> feed_;
    std::unique_ptr<live::LiveService> live_;
    std::unique_ptr<relay::FollowedConsoles> followed_;
    std::unique_ptr<standby::Follower> follower_;
    std::unique_ptr<relay::RelayService> relay_;
};

}  // namespace kaltero::engine
