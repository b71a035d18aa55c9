#include "console/standby_view.h"

#include "core/console_context.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "standby/follower.h"
#include "widgets/frame.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace kaltero::console {

using standby::Follower;
using standby::Mirror;
using namespace Qt::StringLiterals;

namespace {

QString sourceText(const Follower& f) {
    switch (f.sourceState()) {
        case Follower::Source::Online:
            return u"オンライン"_s;
        case Follower::Source::Offline:
            return u"オフライン"_s;
        default:
            return u"状態不明"_s;
    }
}

QString brokerText(const Follower& f) {
    if (!f.following()) {
        return u"追従していません"_s +
               (f.refusal().isEmpty() ? QString() : u" (" + f.refusal() + u')');
    }
    if (f.brokerConnected()) {
        return u"ブローカー接続中"_s;
    }
    return u"ブローカー未接続"_s + (f.refusal().isEmpty() ? QString() : u" (" + f.refusal() + u')');
}

QString raceText(const Mirror& m) {
    switch (m.state()) {
        case Mirror::State::Following:
            return u"追従中：操作 "_s + QString::number(m.heldSeq()) + u" 件";
        case Mirror::State::Missed:
            return u"操作 "_s + QString::number(m.heldSeq() + 1) + u"〜" +
                   QString::number(m.missedTo() - 1) +
                   u" を受け取れませんでした。次のレースの開始から追従します。";
        default:
            return u"レースの開始を待っています"_s;
    }
}

}  // namespace

StandbyView::StandbyView(core::Console& console, const Follower& follower,
                         std::function<void()> takeOver, QWidget* parent)
    : c_(console),
      follower_(follower),
      takeOver_(std::move(takeOver)),
      Time_Standby(console.clock.makeTimer()) {
    build(parent);
    QObject::connect(&follower_, &Follower::changed, frame_, [this] { show(); });
    QObject::connect(Btn_TakeOver, &QPushButton::clicked, frame_, [this] { onTakeOver(); });
    Time_Standby->setInterval(1000);
    Time_Standby->onTimeout([this] { show(); });
    Time_Standby->start();
    show();
}

StandbyView::~StandbyView() = default;

void StandbyView::build(QWidget* parent) {
    frame_ = widgets::frame(u"待機"_s, parent, u"Frm_Standby"_s);
    auto* row = new QHBoxLayout(frame_);
    Lbl_Standby = widgets::label({}, frame_, u"Lbl_Standby"_s);
    Lbl_StandbyRace = widgets::label({}, frame_, u"Lbl_StandbyRace"_s);
    Lbl_StandbyLag = widgets::label({}, frame_, u"Lbl_StandbyLag"_s);
    Btn_TakeOver = widgets::button(u"引き継ぎ"_s, frame_, u"Btn_TakeOver"_s);
    row->addWidget(Lbl_Standby, 2);
    row->addWidget(Lbl_StandbyRace, 2);
    row->addWidget(Lbl_StandbyLag, 1);
    row->addWidget(Btn_TakeOver);
}

void StandbyView::show() {
    Lbl_Standby->setText(u"追従先 "_s + follower_.source() + u"：" + sourceText(follower_) + u"　" +
                         brokerText(follower_));
    Lbl_StandbyRace->setText(raceText(follower_.mirror()));
    const auto lap = follower_.lastLapMs();
    Lbl_StandbyLag->setText(
        lap ? u"最後の周回から "_s +
                  QString::number((c_.clock.now().toMSecsSinceEpoch() - *lap) / 1000) + u" 秒"
            : u"周回はまだありません"_s);
}

void StandbyView::onTakeOver() {
    // A race with operations missing would be timed on without them: the operator is told.
    const bool missed = follower_.mirror().state() == Mirror::State::Missed;
    const QString question =
        missed ? u"追従中のレースには受け取れなかった操作があります。\n"
                 u"このまま引き継ぐと、その操作の無いレースを計測します。引き継ぎますか？"_s
               : u"計測をこのコンソールに引き継ぎます。\n"
                 u"車輌パソコンの報告がこのコンソールに届くことを確かめてください。"
                 u"引き継ぎますか？"_s;
    if (!c_.prompts.askYesNo(
            question, u"引き継ぎ"_s,
            missed ? platform::PromptIcon::Critical : platform::PromptIcon::Question)) {
        return;
    }
    Time_Standby->stop();
    takeOver_();
}

}  // namespace kaltero::console
