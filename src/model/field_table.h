#pragma once

#include "core/slot_state.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <tuple>
#include <type_traits>

namespace kaltero::model {

// An instant as it outlives the process: UTC milliseconds since the epoch, whatever the time
// zone; none for an invalid time.
QVariant instantArg(const QDateTime& time);
// The instant back, shown in local time. Older journals stored a local time text without its
// offset: read as local time of this machine, the best guess there is.
std::optional<QDateTime> instantFrom(const QVariant& value);

// One field of a record as an operation carries it: its key and the member that holds it. A
// record's fields are one table, `Fields<R>::table()`, from which both the writing (argsOf) and
// the reading (recordFrom) are made, so the two can never disagree.
template <class Record, class T>
struct Field {
    const char* key;  // nullptr: the value's own fields stand beside the record's
    T Record::*member;
    const char* oldKey;  // the key earlier releases wrote it under; nullptr: none
};

template <class Record, class T>
constexpr Field<Record, T> field(const char* key, T Record::*member, const char* oldKey = nullptr) {
    return {key, member, oldKey};
}

// A record's table: its own `fields()`, or a specialisation for a value type of the race.
template <class T>
struct Fields {};
template <class T>
requires requires {
    T::fields();
}
struct Fields<T> {
    static constexpr auto table() { return T::fields(); }
};

template <class T>
concept HasFields = requires {
    Fields<T>::table();
};

// A record whose earlier journals meant more by a field than it now holds puts the read right
// in its table's `afterRead`.
template <class T>
concept SettlesAfterRead = requires(T& record) {
    Fields<T>::afterRead(record);
};

// An optional field other than an instant is left out when it holds none: journals of earlier
// releases without it read as none.
template <class T>
inline constexpr bool kLeftOutWhenNone = false;
template <class T>
inline constexpr bool kLeftOutWhenNone<std::optional<T>> = !std::is_same_v<T, QDateTime>;

template <HasFields T>
QVariantMap argsOf(const T& record);
template <HasFields T>
T recordFrom(const QVariantMap& args);

// A list of records, written as a list of their args.
template <class T>
inline constexpr bool kRecordList = false;
template <HasFields T>
inline constexpr bool kRecordList<QList<T>> = true;

namespace fields {

inline void read(const QVariant& v, qint32& out) {
    out = v.toInt();
}
inline void read(const QVariant& v, bool& out) {
    out = v.toBool();
}
inline void read(const QVariant& v, float& out) {
    out = v.toFloat();
}
inline void read(const QVariant& v, QString& out) {
    out = v.toString();
}
inline void read(const QVariant& v, QStringList& out) {
    out = v.toStringList();
}
inline void read(const QVariant& v, QVariantMap& out) {
    out = v.toMap();
}
// Instants: UTC milliseconds, or the local time text of earlier releases; none as null.
inline void read(const QVariant& v, QDateTime& out) {
    out = instantFrom(v).value_or(QDateTime());
}
inline void read(const QVariant& v, std::optional<QDateTime>& out) {
    out = instantFrom(v);
}
template <HasFields T>
void read(const QVariant& v, T& out) {
    out = recordFrom<T>(v.toMap());
}
template <HasFields T>
void read(const QVariant& v, QList<T>& out) {
    out.clear();
    for (const QVariant& item : v.toList()) {
        out.append(recordFrom<T>(item.toMap()));
    }
}
// Values with a form of their own (change_args.cpp): the event as a list of its four texts, a
// driver table as rows that carry figures only once the driver has them.
void read(const QVariant& v, core::EventData& out);
void read(const QVariant& v, QList<core::DriverFigures>& out);
QVariant write(const core::EventData& event);
QVariant write(const QList<core::DriverFigures>& rows);

template <class T>
QVariant write(const T& value) {
    if constexpr (HasFields<T>) {
        return argsOf(value);
    } else if constexpr (kRecordList<T>) {
        QVariantList list;
        for (const auto& item : value) {
            list.append(argsOf(item));
        }
        return list;
    } else if constexpr (std::is_same_v<T, QDateTime>) {
        return instantArg(value);
    } else if constexpr (std::is_same_v<T, std::optional<QDateTime>>) {
        return value ? instantArg(*value) : QVariant();
    } else {
        return QVariant::fromValue(value);
    }
}

template <class R, class T>
void writeField(QVariantMap& args, const Field<R, T>& f, const R& record) {
    const T& value = record.*f.member;
    if constexpr (kLeftOutWhenNone<T>) {
        if (value) {
            args.insert(QLatin1StringView(f.key), write(*value));
        }
    } else if (f.key == nullptr) {
        args.insert(write(value).toMap());
    } else {
        args.insert(QLatin1StringView(f.key), write(value));
    }
}

template <class R, class T>
void readField(const QVariantMap& args, const Field<R, T>& f, R& record) {
    T& value = record.*f.member;
    if (f.key == nullptr) {
        if constexpr (!kLeftOutWhenNone<T>) {
            read(QVariant(args), value);
        }
        return;
    }
    // Under its old key only in the journals of earlier releases.
    const QLatin1StringView key(f.key);
    const bool old =
        !args.contains(key) && f.oldKey != nullptr && args.contains(QLatin1StringView(f.oldKey));
    const QVariant v = args.value(old ? QLatin1StringView(f.oldKey) : key);
    if constexpr (kLeftOutWhenNone<T>) {
        value.reset();
        if (old || args.contains(key)) {
            read(v, value.emplace());
        }
    } else {
        read(v, value);
    }
}

}  // namespace fields

template <HasFields T>
QVariantMap argsOf(const T& record) {
    QVariantMap args;
    std::apply([&](const auto&... f) { (fields::writeField(args, f, record), ...); },
               Fields<T>::table());
    return args;
}

template <HasFields T>
T recordFrom(const QVariantMap& args) {
    T record{};
    std::apply([&](const auto&... f) { (fields::readField(args, f, record), ...); },
               Fields<T>::table());
    if constexpr (SettlesAfterRead<T>) {
        Fields<T>::afterRead(record);
    }
    return record;
}

}  // namespace kaltero::model
