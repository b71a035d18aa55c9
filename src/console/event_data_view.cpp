#include "console/event_data_view.h"

#include "console/input_conventions.h"
#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/widget_build.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kaltero::console {

using widgets::frame;
using widgets::textBox;

EventDataView::EventDataView(core::Console& console, QWidget* parent) : c_(console) {
    build(parent);
    for (QLineEdit* box : {Txt_Event, Txt_Date, Txt_Kion}) {
        typeOverAndMoveOn(box);
        QObject::connect(box, &QLineEdit::textChanged, box, [this] { sendEdit(); });
    }
    moveOnWithEnter(Cmb_Tenki);
    moveOnWithEnter(Cmb_Course);
    QObject::connect(Cmb_Tenki, &QComboBox::currentTextChanged, Cmb_Tenki, [this] { sendEdit(); });
    QObject::connect(
        &c_.race, &model::RaceModel::changed, Txt_Event, [this](const model::Change& change) {
            if (change.op == model::Op::EventDataEdited || change.op == model::Op::Started) {
                show();
            }
        });
}

void EventDataView::build(QWidget* parent) {
    layout_ = new QGridLayout;
    auto* event = frame(QStringLiteral("ｲﾍﾞﾝﾄ名"), parent, QStringLiteral("Frm_Comment_0"));
    (new QVBoxLayout(event))
        ->addWidget(Txt_Event = textBox(event, QStringLiteral("Txt_Event"), 200));
    auto* date = frame(QStringLiteral("日付"), parent, QStringLiteral("Frm_Comment_1"));
    (new QVBoxLayout(date))->addWidget(Txt_Date = textBox(date, QStringLiteral("Txt_Date"), 100));
    auto* weather = frame(QStringLiteral("天気"), parent, QStringLiteral("Frm_Comment_2"));
    Cmb_Tenki = widgets::named(new QComboBox(weather), QStringLiteral("Cmb_Tenki"));
    Cmb_Tenki->addItems(
        {QStringLiteral("晴"), QStringLiteral("曇"), QStringLiteral("雨"), QStringLiteral("雪")});
    Cmb_Tenki->setCurrentIndex(-1);
    (new QVBoxLayout(weather))->addWidget(Cmb_Tenki);
    auto* temperature = frame(QStringLiteral("気温"), parent, QStringLiteral("Frm_Comment_3"));
    auto* degrees = new QHBoxLayout(temperature);
    degrees->addWidget(Txt_Kion = textBox(temperature, QStringLiteral("Txt_Kion"), 50));
    degrees->addWidget(widgets::label(QStringLiteral("度"), temperature));
    auto* course = frame(QStringLiteral("コース名"), parent, QStringLiteral("Frm_Comment_5"));
    Cmb_Course = widgets::named(new widgets::ChoiceList(course), QStringLiteral("Cmb_Course"));
    (new QVBoxLayout(course))->addWidget(Cmb_Course);
    layout_->addWidget(event, 0, 0, 1, 2);
    layout_->addWidget(date, 1, 0);
    layout_->addWidget(weather, 1, 1);
    layout_->addWidget(temperature, 2, 0);
    layout_->addWidget(course, 2, 1);
}

void EventDataView::onLoad() {
    const QDate today = c_.clock.now().date();
    Txt_Date->setText(
        QStringLiteral("%1/%2/%3").arg(today.year()).arg(today.month()).arg(today.day()));
}

void EventDataView::sendEdit() {
    c_.race.editEventData(
        {Txt_Event->text(), Txt_Date->text(), Cmb_Tenki->currentText(), Txt_Kion->text()});
}

void EventDataView::show() {
    const core::EventData& event = c_.state.event;
    widgets::showText(Txt_Event, event.name);
    widgets::showText(Txt_Date, event.date);
    widgets::showEntry(Cmb_Tenki, event.weather);
    widgets::showText(Txt_Kion, event.temperature);
}

}  // namespace kaltero::console
