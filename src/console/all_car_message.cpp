#include "console/all_car_message.h"

#include "console/input_conventions.h"
#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/udp_link.h"
#include "widgets/frame.h"
#include "widgets/widget_build.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kaltero::console {

AllCarMessage::AllCarMessage(core::Console& console, QWidget* parent) : c_(console) {
    build(parent);
    typeOverAndMoveOn(Txt_AllOutMess);
    QObject::connect(Txt_AllOutMess, &QLineEdit::textChanged, Txt_AllOutMess,
                     [this] { onTyped(); });
    QObject::connect(
        &c_.race, &model::RaceModel::changed, Txt_AllOutMess, [this](const model::Change& change) {
            // Start carries the message of the set-up the race starts with.
            if (change.op == model::Op::AllCarMessageTyped || change.op == model::Op::Started) {
                widgets::showText(Txt_AllOutMess, c_.state.AllCarTyped);
            }
        });
}

void AllCarMessage::build(QWidget* parent) {
    host_ = widgets::frame(QStringLiteral(" Host IP 情報"), parent, QStringLiteral("Frm_HostIP"));
    (new QVBoxLayout(host_))
        ->addWidget(Lbl_LocalIP = widgets::label({}, host_, QStringLiteral("Lbl_LocalIP")));
    message_ = widgets::frame(QStringLiteral("全車一斉メッセージ"), parent,
                              QStringLiteral("Frm_AllOutMess"));
    (new QVBoxLayout(message_))
        ->addWidget(Txt_AllOutMess = widgets::textBox(message_, QStringLiteral("Txt_AllOutMess")));
}

void AllCarMessage::onLoad() {
    Lbl_LocalIP->setText(u"IP : " + platform::UdpLink::localIP());
}

void AllCarMessage::onTyped() {
    c_.race.typeAllCarMessage(Txt_AllOutMess->text());
}

}  // namespace kaltero::console
