#include "slot_state.h"

#include "core/full_width.h"

namespace kaltero::core {

QString fullWidthDigits(qint64 number) {
    QString text = QString::number(number);
    for (QChar& c : text) {
        if (c.isDigit()) {
            c = QChar(u'０' + (c.unicode() - u'0'));
        } else if (c == u'-') {
            c = QChar(u'－');
        }
    }
    return text;
}

QString recordFlagText(RecordFlag flag) {
    return flag == RecordFlag::Corrected ? QStringLiteral("C") : QStringLiteral("N");
}

QString allCarMessageSent(QStringView typed) {
    if (typed.isEmpty()) {
        return {};
    }
    return toFullWidth(QString(u"(全車へ:" + typed + u')'));
}

QString carCaption(int slot) {
    return fullWidthDigits(slot + 1) + u"号車";
}

}  // namespace kaltero::core
