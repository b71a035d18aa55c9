#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace kaltero::live {

// The races of the other consoles this one shows beside its own, by console name, as their
// consoles last sent them (the same race object this page serves), with each console's state.
// Held on the live server's thread; what comes in is another machine's and is checked here:
// a race that is not a JSON object with its cars, or is larger than any race object a console
// makes, is ignored and the last good one kept.
//   take("pit-a", race R) -> {"name":"pit-a","status":"","ageMs":0,"race":R}
//   takeStatus("pit-a", "offline") -> status "offline", R still shown
class FollowedRaces {
public:
    // A 24-hour race of five cars is about 140 KB.
    static constexpr qsizetype kMaxRaceBytes = 1024 * 1024;

    // The consoles shown, in this order; names are the caller's, already checked.
    void follow(const QStringList& names);
    const QStringList& names() const { return names_; }

    // False when the name is not followed or the race is not one (see above).
    bool takeRace(const QString& name, const QByteArray& payload);
    // "online" or "offline"; anything else is ignored. False when nothing changed.
    bool takeStatus(const QString& name, const QByteArray& payload);

    // {"name":…,"status":"online"|"offline"|"","ageMs":ms since its race came, or null,
    //  "race":R or null}
    QJsonObject console(const QString& name) const;
    // {"consoles":[console, …]} in the order followed.
    QByteArray consolesJson() const;
    // {"console":console,"type":"console"}: one console's news for the open pages.
    QByteArray consoleMessage(const QString& name) const;

private:
    struct Followed {
        QString name;
        QString status;
        QJsonObject race;
        QElapsedTimer came;
    };
    Followed* find(const QString& name);
    const Followed* find(const QString& name) const;

    QStringList names_;
    QList<Followed> followed_;
};

}  // namespace kaltero::live
