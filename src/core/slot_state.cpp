#include "slot_state.h"

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

QString carCaption(int slot) {
    return fullWidthDigits(slot + 1) + u"号車";
}

}  // namespace kaltero::core
