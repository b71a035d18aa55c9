#include "widgets/run_buttons.h"

#include "widgets/widget_build.h"

#include <QGridLayout>
#include <QPushButton>

namespace kaltero::widgets {

RunButtons::RunButtons(QWidget* parent) : layout(new QGridLayout) {
    Btn_Start = button(QStringLiteral("Start"), parent, QStringLiteral("Btn_Start"));
    setBigFont(Btn_Start, 16);
    Btn_Start->setMinimumHeight(60);
    // The line break puts "保存" under "走行結果".
    Btn_Write = button(QStringLiteral("走行結果\n保存"), parent, QStringLiteral("Btn_Write"));
    Btn_End = button(QStringLiteral("End"), parent, QStringLiteral("Btn_End"));
    Btn_Drivers = button(QStringLiteral("ドライバ編集"), parent, QStringLiteral("Btn_Drivers"));
    Btn_Cource = button(QStringLiteral("コース名編集"), parent, QStringLiteral("Btn_Cource"));
    Btn_Car = button(QStringLiteral("車輌情報編集"), parent, QStringLiteral("Btn_Car"));
    Btn_Mess = button(QStringLiteral("環境設定"), parent, QStringLiteral("Btn_Mess"));
    Btn_Live = button(QStringLiteral("ライブ表示"), parent, QStringLiteral("Btn_Live"));
    Btn_PitWall = button(QStringLiteral("ピットウォール"), parent, QStringLiteral("Btn_PitWall"));
    layout->addWidget(Btn_Start, 0, 0, 2, 1);
    layout->addWidget(Btn_Write, 0, 1);
    layout->addWidget(Btn_End, 1, 1);
    layout->addWidget(Btn_Car, 2, 0);
    layout->addWidget(Btn_Cource, 2, 1);
    layout->addWidget(Btn_Drivers, 3, 0);
    layout->addWidget(Btn_Mess, 3, 1);
    layout->addWidget(Btn_Live, 4, 0);
    layout->addWidget(Btn_PitWall, 4, 1);
}

}  // namespace kaltero::widgets
