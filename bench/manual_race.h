#pragma once

#include "bench_common.h"
#include "car_end.h"
#include "console_fixture.h"
#include "journal/journal.h"

#include <QFileInfo>

#include <functional>
#include <memory>
#include <vector>

namespace kaltero::bench {

// A console on the manual clock timing car PCs on this machine over real UDP. The clock jumps
// over each silence, so laps come round as fast as the console answers; the journal is the
// console's own, in the console's folder.
struct ManualRace : testing::ConsoleFixture {
    // A silence one second longer than the ten that count a lap.
    static constexpr qint64 kSilenceMs = 11'000;

    // Slots with their car PCs on this machine, ready to Start.
    explicit ManualRace(QList<int> slots) {
        for (int s : slots) {
            model.setAddress(s, QStringLiteral("127.0.0.1"), false);
            ui().Car[s]->Lbl_IP->setText(QStringLiteral("127.0.0.1"));
        }
        addCars(slots);
    }
    // The console started again on a folder prepared with a journal; the unfinished race in
    // it goes on when resume is true.
    ManualRace(QList<int> slots, const Prepare& prepare, const QDateTime& start, bool resume)
        : testing::ConsoleFixture(prepare, start, resume) {
        addCars(slots);
    }

    void start() { ui().Btn_Start->click(); }

    bool ready() const {
        return program.window() != nullptr && program.journal() != nullptr &&
               program.journal()->isOpen() &&
               std::all_of(cars.begin(), cars.end(), [](const auto& c) { return c->ready(); });
    }

    // The journal follows the race (as the console runs) or not (the same console without it).
    void followJournal(bool on) {
        journal::Journal* j = program.journal();
        QObject::disconnect(&model, &model::RaceModel::changed, j, nullptr);
        if (on) {
            j->follow(model);
        }
    }

    // Every car is silent long enough to count a lap, then each car's report closes it; after
    // it each car sends `moreReports` reports that close nothing, and `between` runs on this
    // thread before the next car reports. The round trips of the lap-closing reports in ns, in
    // car order; -1 where no reply came or it was not the new lap's record.
    std::vector<qint64> lapRound(int moreReports = 0, const std::function<void()>& between = {}) {
        clock.advance(kSilenceMs);
        // The car is back well after a second: what the journal groups is committed by then.
        program.journal()->flush();
        const QByteArray held = CarEnd::lapReport(laps);
        const QByteArray next = CarEnd::lapReport(laps + 1);
        const auto withMessage = [this](const QByteArray& report, std::size_t car) {
            return message ? QByteArray(report + message(car)) : report;
        };
        std::vector<qint64> ns(cars.size(), -1);
        for (std::size_t i = 0; i < cars.size(); ++i) {
            serveWhile([&] {
                QByteArray reply;
                const qint64 t = cars[i]->exchange(withMessage(held, i), &reply);
                ns[i] = reply.mid(1, 3) == next ? t : -1;
                for (int r = 0; r < moreReports; ++r) {
                    cars[i]->exchange(withMessage(next, i));
                }
            });
            if (between) {
                between();
            }
        }
        ++laps;
        return ns;
    }

    // Bytes of the journal on disk: the database and its write-ahead log.
    qint64 journalBytes() const {
        const QString db = QDir(dir.path()).filePath(QStringLiteral("Kaltero.db"));
        return QFileInfo(db).size() + QFileInfo(db + u"-wal").size();
    }

    void addCars(const QList<int>& slots) {
        for (int s : slots) {
            cars.push_back(std::make_unique<CarEnd>(s));
        }
    }

    std::vector<std::unique_ptr<CarEnd>> cars;
    int laps = 0;  // laps each car has closed
    // The free message each report of car i (in cars' order) carries after its lap number;
    // none when unset. Called on the car's thread, once per report.
    std::function<QByteArray(std::size_t car)> message;
};

}  // namespace kaltero::bench
