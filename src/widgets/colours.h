#pragma once

#include <QColor>

class QWidget;

namespace kaltero::widgets {

// The colours the console speaks with.
inline const QColor kSetUpColour{0xFF, 0xFF, 0xC0};    // light yellow: a slot set up; idle message
inline const QColor kClearedColour{0x00, 0xC0, 0x00};  // green: a cleared slot
inline const QColor kBlinkColour{0xC0, 0xC0, 0x00};    // olive: a choice still missing
inline const QColor kMessageColour{0xFF, 0x80, 0xFF};  // pink: a message from the car
inline const QColor kWhite{0xFF, 0xFF, 0xFF};
// Fuel gauge: yellow while enough fuel is left, alternating with red while it blinks.
inline const QColor kGaugeYellow{0xFF, 0xFF, 0x00};
inline const QColor kGaugeRed{0xFF, 0x00, 0x00};
// Countdown captions: black while the countdown runs, grey while it is off.
inline const QColor kCountdownOn{0x00, 0x00, 0x00};
inline const QColor kCountdownOff{0xC0, 0xC0, 0xC0};
// The pit wall: amber near a limit (black text), red past it (white text).
inline const QColor kNearLimit{0xFF, 0xA0, 0x00};
inline const QColor kPastLimit{0xE0, 0x00, 0x00};
// The pit wall: green once the car in the pit has stood the minimum stop (black text).
inline const QColor kMinimumMet{0x00, 0xC0, 0x00};

// One blink step of the gauge: red becomes yellow, any other colour red.
QColor gaugeBlinkStep(const QColor& current);

// A label's background and text colours, through its palette.
void setBackground(QWidget* widget, const QColor& colour);
QColor background(const QWidget* widget);
void setTextColour(QWidget* widget, const QColor& colour);

}  // namespace kaltero::widgets
