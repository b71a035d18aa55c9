// Report -> reply round trip through the running console, against a minimal UDP echo on the
// same event loop, measured interleaved in one run on 127.0.0.1. The console keeps its journal
// as in a race; reports that close no lap must write nothing to it. Then the same with a modal
// message open over the window, as when the operator leaves one standing.
//
//   bench_round_trip [pairs]      (default 3000 pairs after 300 to warm up)

#include "echo_pairs.h"
#include "journal/journal.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

using kaltero::testing::LiveConsole;

namespace {

// Bytes of the journal on disk: the database and its write-ahead log.
qint64 journalBytes(const LiveConsole& live) {
    const QString db = QDir(live.dir.path()).filePath(QStringLiteral("Kaltero.db"));
    return QFileInfo(db).size() + QFileInfo(db + u"-wal").size();
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int pairs = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 3000;
    QTextStream out(stdout);

    // 10 s without a report makes a lap; the exchange never pauses that long, so every
    // report takes the common path: parse, show, build the reply, send, rank.
    LiveConsole live(10);
    if (!live.ready()) {
        out << "the console window did not open" << Qt::endl;
        return 1;
    }
    const kaltero::journal::Journal* journal = live.program.journal();
    if (journal == nullptr || !journal->isOpen()) {
        out << "the console's journal did not open" << Qt::endl;
        return 1;
    }
    live.registerSlots({0, 1});
    live.pressStart();
    live.program.journal()->flush();
    const qint64 journalBefore = journalBytes(live);

    const kaltero::bench::EchoPairs samples = kaltero::bench::measureEchoPairs(pairs);
    const qsizetype journalWaiting = journal->waiting();
    const qint64 journalWritten = journalBytes(live) - journalBefore;
    if (!kaltero::bench::printEchoPairs(out, samples, 1.2)) {
        return 1;
    }
    out << "  journal on: " << journalWritten << " bytes written, " << journalWaiting
        << " operations waiting (aim: 0 and 0)\n";

    kaltero::bench::EchoPairs withMessage;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("計測記録"),
                    QStringLiteral("計測記録を書き込めません。"), QMessageBox::Ok,
                    live.program.window());
    QTimer::singleShot(0, &box, [&] {
        withMessage = kaltero::bench::measureEchoPairs(pairs);
        box.done(QMessageBox::Ok);
    });
    box.exec();
    out << "with a modal message open over the window:\n";
    if (!kaltero::bench::printEchoPairs(out, withMessage, 1.2)) {
        return 1;
    }
    out.flush();
    return 0;
}
