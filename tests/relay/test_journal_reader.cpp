// What the publisher reads of the journal: the race being timed from its first operation, each
// numbered by its place in the race, and the next race from its start.
#include "journal/journal.h"
#include "model/race_model.h"
#include "relay/journal_reader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

const QDateTime kStart{QDate(2026, 5, 1), QTime(10, 0)};

QList<qint64> seqs(const QList<relay::OpsMessage>& ops) {
    QList<qint64> out;
    for (const auto& m : ops) {
        out << m.seq;
    }
    return out;
}

}  // namespace

class TestJournalReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void follows_data() {
        QTest::addColumn<bool>("stopBeforeOpen");  // the first race is over when the reader comes
        QTest::addColumn<int>("firstRaceOps");     // operations of it the reader hands on
        QTest::newRow("race being timed: read from its start") << false << 3;
        QTest::newRow("race over: not read") << true << 0;
    }
    void follows() {
        QFETCH(bool, stopBeforeOpen);
        QFETCH(int, firstRaceOps);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Kaltero.db"_s);
        journal::Journal journal;
        QVERIFY(journal.open(file));
        model::RaceModel race;
        journal.follow(race);
        race.start(kStart, std::nullopt);
        race.typeAllCarMessage(u"one"_s);
        race.typeAllCarMessage(u"two"_s);
        if (stopBeforeOpen) {
            race.stop();
        }
        QVERIFY(journal.flush());

        relay::JournalReader reader;
        QString why;
        QVERIFY2(reader.open(file, &why), qPrintable(why));
        QCOMPARE(reader.unread(), qint64(firstRaceOps));
        const QList<relay::OpsMessage> first = reader.next(100);
        QCOMPARE(seqs(first), (QList<qint64>{1, 2, 3}).first(firstRaceOps));
        if (firstRaceOps > 0) {
            QCOMPARE(first.first().change.op, model::Op::Started);
            race.stop();
        }
        race.start(kStart.addSecs(3600), std::nullopt);
        race.typeAllCarMessage(u"three"_s);
        QVERIFY(journal.flush());
        // What is left of the first race, then the second from its start, a few at a time.
        QList<relay::OpsMessage> rest = reader.next(1);
        rest += reader.next(100);
        rest += reader.next(100);
        const QList<qint64> expected =
            firstRaceOps > 0 ? QList<qint64>{4, 1, 2} : QList<qint64>{1, 2};
        QCOMPARE(seqs(rest), expected);
        QCOMPARE(rest.last().change.op, model::Op::AllCarMessageTyped);
        QVERIFY(rest.first().race != rest.last().race || firstRaceOps == 0);
        QCOMPARE(reader.unread(), 0);
        QVERIFY(reader.next(100).isEmpty());
    }

    // Each car's last message and report in the race being read, as the journal holds them.
    void heard() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Kaltero.db"_s);
        journal::Journal journal;
        QVERIFY(journal.open(file));
        model::RaceModel race;
        journal.follow(race);
        race.start(kStart, std::nullopt);
        race.showMessage(3, u"BOX"_s);
        race.reportHandled(1, 500);
        race.reportHandled(1, 700);
        QVERIFY(journal.flush());
        relay::JournalReader reader;
        QString why;
        QVERIFY2(reader.open(file, &why), qPrintable(why));
        const QList<relay::OpsMessage> ops = reader.next(100);
        QVERIFY(!ops.isEmpty());
        const qint64 id = ops.first().race;
        QCOMPARE(reader.heard(), (QList<relay::HeardMessage>{{id, 1, u""_s, 700},
                                                             {id, 3, u"BOX"_s, std::nullopt}}));
    }
};

QTEST_GUILESS_MAIN(TestJournalReader)
#include "test_journal_reader.moc"
