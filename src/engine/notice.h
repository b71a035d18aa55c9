#pragma once

#include <QList>
#include <QString>

namespace kaltero::engine {

// What the console has to tell the operator, or ask them, as a value: the engine says what
// happened, the window (or the headless console) puts it into words.
struct Notice {
    enum class Kind {
        // The program folder and the journal, as the session opens and ends.
        FolderNotWritable,   // path: the folder; nothing is recorded, timing goes on
        AnotherConsole,      // path: the folder; this console must end
        JournalHeld,         // a question; path: the journal; Yes: try again
        JournalNotOpened,    // path, why; timing goes on unrecorded
        JournalNewer,        // path, why: written by a newer console, left as it is
        JournalNotWritable,  // path, why: a read-only or full medium
        JournalMovedAside,   // path: where the damaged journal is kept
        JournalWriteFailed,  // why; recording catches up once it can
        JournalReplaced,     // path: the journal written anew there
        UnwrittenAtEnd,      // a question; count: operations not on disk; Yes: try again
        UnfinishedRace,      // a question; Yes: the race goes on
        // The live page and the car link.
        LivePortTaken,           // port
        CarPortsTaken,           // cars: each car not timed and its port
        CarAddressesNotNumeric,  // cars: each car and the address it cannot be heard from
        CheckPortTaken,          // port: the address check's
        // Publishing to the broker.
        RelayNameRefused,  // why: the console name the settings give; nothing is published
        RelayRefused,      // why: the broker's or the connection's reason; it keeps trying
    };
    struct Car {
        int slot = 0;
        int port = 0;
        QString address = {};
    };

    Kind kind = Kind::JournalNotOpened;
    QString path = {};
    QString why = {};
    int port = 0;
    qsizetype count = 0;
    QList<Car> cars = {};
};

// The operator at the console, as the engine reaches them.
class Operator {
public:
    virtual ~Operator() = default;
    // Returns at once: the operator reads it when they can while the race goes on being timed.
    virtual void tell(const Notice& notice) = 0;
    // Returns once the operator has read it.
    virtual void show(const Notice& notice) = 0;
    // True for Yes.
    virtual bool ask(const Notice& question) = 0;
};

}  // namespace kaltero::engine
