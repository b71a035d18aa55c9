#include "console/race_clock.h"

#include "console/input_conventions.h"
#include "core/console_context.h"
#include "core/number_text.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/race_length.h"
#include "timing/time_text.h"
#include "widgets/colours.h"
#include "widgets/field_events.h"
#include "widgets/frame.h"
#include "widgets/widget_build.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace kaltero::console {

using namespace timing;
using widgets::label;

RaceClock::RaceClock(core::Console& console, engine::RaceEngine& engine, QWidget* parent)
    : c_(console) {
    build(parent);
    QObject::connect(&engine, &engine::RaceEngine::clockTicked, frame_,
                     [this](const QDateTime& now) { showClock(now); });
    QObject::connect(&c_.race, &model::RaceModel::changed, frame_,
                     [this](const model::Change& change) { show(change); });
    followRaceLength(Txt_RunH);
    followRaceLength(Txt_RunN);
}

void RaceClock::build(QWidget* parent) {
    frame_ = widgets::frame(QStringLiteral("走行時間"), parent, QStringLiteral("Frm_Comment_4"));
    auto* clocks = new QGridLayout(frame_);
    Txt_RunH = widgets::textBox(frame_, QStringLiteral("Txt_RunH"), 50);
    Txt_RunN = widgets::textBox(frame_, QStringLiteral("Txt_RunN"), 50);
    Txt_RunH->setText(QStringLiteral("0"));
    Txt_RunN->setText(QStringLiteral("0"));
    auto* length = new QHBoxLayout;
    length->addWidget(Txt_RunH);
    length->addWidget(label(QStringLiteral("時間"), frame_));
    length->addWidget(Txt_RunN);
    length->addWidget(label(QStringLiteral("分"), frame_));
    length->addStretch();
    clocks->addLayout(length, 0, 0);
    Lbl_StTime = label({}, frame_, QStringLiteral("Lbl_StTime"));
    Lbl_ZanTime = label(QStringLiteral("残り 約00:00:00"), frame_, QStringLiteral("Lbl_ZanTime"));
    Lbl_SysTime = label(QStringLiteral("am 00:00:00"), frame_, QStringLiteral("Lbl_SysTime"));
    widgets::setBigFont(Lbl_ZanTime, 16);
    widgets::setBigFont(Lbl_SysTime, 16);
    Lbl_ZanTime->setAutoFillBackground(true);
    QPalette dark = Lbl_ZanTime->palette();
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::red);
    Lbl_ZanTime->setPalette(dark);
    clocks->addWidget(Lbl_StTime, 1, 0);
    clocks->addWidget(Lbl_ZanTime, 2, 0);
    clocks->addWidget(Lbl_SysTime, 3, 0);
}

void RaceClock::followRaceLength(QLineEdit* box) {
    widgets::onFieldEvents(box, {.gotFocus = [this, box] { onRaceLengthEntering(box); },
                                 .lostFocus = [this, box] { onRaceLengthEntered(box); }});
    typeOverAndMoveOn(box);
    // The race length as typed is the race's; its end moves only when a box is left.
    QObject::connect(box, &QLineEdit::textChanged, box, [this] {
        c_.race.editRaceLength(Txt_RunH->text(), Txt_RunN->text(), std::nullopt);
    });
}

void RaceClock::show(const model::Change& change) {
    switch (change.op) {
        case model::Op::Started:
            // A Start carries the race length with the rest of the set-up.
            widgets::showText(Txt_RunH, c_.state.RunH);
            widgets::showText(Txt_RunN, c_.state.RunN);
            [[fallthrough]];
        case model::Op::Resumed:
            Lbl_StTime->setText(startTimeText(c_.state.RaceStartTime));
            break;
        case model::Op::RaceLengthEdited:
            widgets::showText(Txt_RunH, c_.state.RunH);
            widgets::showText(Txt_RunN, c_.state.RunN);
            break;
        case model::Op::Stopped:
            Lbl_StTime->clear();
            break;
        default:
            break;
    }
}

void RaceClock::showClock(const QDateTime& now) {
    const auto& st = c_.state;
    Lbl_SysTime->setText(clockText(now.time()));
    if (!st.EndTimeSet) {
        return;
    }
    const qint64 seconds = secondsToEnd(now, st.RaceEndTime);
    // Red while the race runs to its end, white once it runs over.
    widgets::setTextColour(Lbl_ZanTime,
                           now < st.RaceEndTime ? QColor(0xFF, 0, 0) : widgets::kWhite);
    Lbl_ZanTime->setText(remainTimeText(seconds));
}

void RaceClock::onRaceLengthEntering(QLineEdit* box) {
    const qint32 value = core::roundToInt32(core::leadingNumber(box->text())).value_or(0);
    (box == Txt_RunH ? RunHOld : RunNOld) = value;
}

void RaceClock::onRaceLengthEntered(QLineEdit* box) {
    const auto& st = c_.state;
    if (!isRaceLengthText(box->text())) {
        c_.prompts.beep();
        box->setText(QStringLiteral("0"));
        box->setFocus();
        return;
    }
    const qint32 old = box == Txt_RunH ? RunHOld : RunNOld;
    if (core::roundToInt32(core::leadingNumber(box->text())) == old || !c_.race.timing()) {
        return;
    }
    c_.race.editRaceLength(st.RunH, st.RunN, raceEndTime(st.RunH, st.RunN, st.RaceStartTime));
}

}  // namespace kaltero::console
