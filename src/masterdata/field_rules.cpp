#include "field_rules.h"

#include "core/number_text.h"

#include <cmath>
#include <limits>

namespace kaltero::masterdata {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

qsizetype skipBlanks(QStringView line, qsizetype pos) {
    while (pos < line.size() && isBlank(line[pos])) {
        ++pos;
    }
    return pos;
}

// Commas, line breaks and TABs would break the record or the list columns apart.
QString withoutSeparators(QStringView cell) {
    QString text = cell.toString();
    for (QChar& c : text) {
        if (c == u',' || c == u'\r' || c == u'\n' || c == u'\t') {
            c = u' ';
        }
    }
    return text;
}

}  // namespace

QStringList splitFields(QStringView line) {
    QStringList fields;
    qsizetype pos = 0;
    while (true) {
        pos = skipBlanks(line, pos);
        bool quoted = false;
        if (pos < line.size() && line[pos] == u'"') {
            const qsizetype close = line.indexOf(u'"', pos + 1);
            if (close >= 0) {
                const qsizetype after = skipBlanks(line, close + 1);
                if (after == line.size() || line[after] == u',') {
                    fields.append(line.sliced(pos + 1, close - pos - 1).toString());
                    pos = after;
                    quoted = true;
                }
            }
        }
        if (!quoted) {
            qsizetype end = line.indexOf(u',', pos);
            if (end < 0) {
                end = line.size();
            }
            fields.append(line.sliced(pos, end - pos).toString());
            pos = end;
        }
        if (pos >= line.size()) {
            return fields;
        }
        ++pos;  // the comma
    }
}

float singleNumber(QStringView text) {
    const double value = core::leadingNumber(text);
    // Converting a double beyond the range of float is undefined; such a value is no single.
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return 0.0F;
    }
    return static_cast<float>(value);
}

qint32 longNumber(QStringView text) {
    return core::roundToInt32(core::leadingNumber(text)).value_or(0);
}

QString nameCell(QStringView cell) {
    const QString text = withoutSeparators(cell);
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') {
        ++first;
    }
    while (last > first && text[last - 1] == u' ') {
        --last;
    }
    return text.sliced(first, last - first);
}

QString plainCell(QStringView cell) {
    return withoutSeparators(cell);
}

qint32 longCell(QStringView cell) {
    QString text = cell.toString();
    text.remove(u',');
    return longNumber(text);
}

QString shownName(QString name) {
    name.replace(u'\t', u' ');
    return name;
}

QString singleText(float value) {
    return core::generalNumber(value == 0.0F ? 0.0F : value);
}

QList<QStringList> paddedGridRows(QList<QStringList> rows, qsizetype columns) {
    while (rows.size() < kEditorRows) {
        rows.append(QStringList(columns));
    }
    return rows;
}

QString cellAt(const QStringList& row, qsizetype column) {
    return column < row.size() ? row[column] : QString();
}

}  // namespace kaltero::masterdata
