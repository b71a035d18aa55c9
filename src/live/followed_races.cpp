#include "live/followed_races.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace kaltero::live {

using namespace Qt::StringLiterals;

void FollowedRaces::follow(const QStringList& names) {
    names_ = names;
    names_.removeDuplicates();
    followed_.clear();
    for (const QString& name : std::as_const(names_)) {
        followed_.append({name, {}, {}, {}});
    }
}

FollowedRaces::Followed* FollowedRaces::find(const QString& name) {
    for (Followed& f : followed_) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

const FollowedRaces::Followed* FollowedRaces::find(const QString& name) const {
    return const_cast<FollowedRaces*>(this)->find(name);
}

bool FollowedRaces::takeRace(const QString& name, const QByteArray& payload) {
    Followed* f = find(name);
    if (!f || payload.size() > kMaxRaceBytes) {
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() ||
        !doc.object().value(u"cars"_s).isArray() || !doc.object().value(u"clock"_s).isObject()) {
        return false;
    }
    f->race = doc.object();
    f->came.start();
    return true;
}

bool FollowedRaces::takeStatus(const QString& name, const QByteArray& payload) {
    Followed* f = find(name);
    if (!f || (payload != "online" && payload != "offline")) {
        return false;
    }
    const QString status = QString::fromLatin1(payload);
    if (f->status == status) {
        return false;
    }
    f->status = status;
    return true;
}

QJsonObject FollowedRaces::console(const QString& name) const {
    const Followed* f = find(name);
    if (!f) {
        return {};
    }
    const bool hasRace = f->came.isValid();
    return {{u"name"_s, f->name},
            {u"status"_s, f->status},
            {u"ageMs"_s, hasRace ? QJsonValue(double(f->came.elapsed())) : QJsonValue()},
            {u"race"_s, hasRace ? QJsonValue(f->race) : QJsonValue()}};
}

QByteArray FollowedRaces::consolesJson() const {
    QJsonArray consoles;
    for (const Followed& f : followed_) {
        consoles.append(console(f.name));
    }
    return QJsonDocument(QJsonObject{{u"consoles"_s, consoles}}).toJson(QJsonDocument::Compact);
}

QByteArray FollowedRaces::consoleMessage(const QString& name) const {
    return QJsonDocument(QJsonObject{{u"type"_s, u"console"_s}, {u"console"_s, console(name)}})
        .toJson(QJsonDocument::Compact);
}

}  // namespace kaltero::live
