#pragma once

#include "relay/ops_message.h"

#include <QList>
#include <QString>

namespace kaltero::relay {

// Reads the operations of the race being timed from the journal's file on a read-only
// connection of its own, so that the console's writes never wait for it (the journal is in WAL
// mode: readers never block the writer). It follows the race operation by operation, each
// numbered by its place in the race from 1, and goes on to the next race at its start. A race
// that was over before the reader opened is not read.
class JournalReader {
public:
    JournalReader();
    ~JournalReader();
    JournalReader(const JournalReader&) = delete;
    JournalReader& operator=(const JournalReader&) = delete;

    bool open(const QString& path, QString* why);
    // The next operations in order, at most `most`; empty while there are none yet.
    QList<OpsMessage> next(int most);
    // Operations in the journal not read yet.
    qint64 unread() const;
    // Each car's last message and report in the race being read, as the journal holds them now.
    QList<HeardMessage> heard() const;

private:
    qint64 firstRaceAfter(qint64 id) const;

    QString connection_;
    qint64 before_ = 0;  // races up to this one were over before the reader came
    qint64 race_ = 0;
    qint64 lastRow_ = 0;
    qint64 seq_ = 0;
};

}  // namespace kaltero::relay
