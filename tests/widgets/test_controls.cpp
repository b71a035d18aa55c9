#include "widgets/colours.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
#include "widgets/two_state_button.h"

#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <limits>

using kaltero::widgets::Frame;
using kaltero::widgets::Gauge;
using kaltero::widgets::gaugeBlinkStep;
using kaltero::widgets::kGaugeRed;
using kaltero::widgets::kGaugeYellow;
using kaltero::widgets::TwoStateButton;

class TestControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gaugeHoldsItsRange_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("shown");
        QTest::newRow("inside") << 42.5 << 42.5;
        QTest::newRow("empty tank") << 0.0 << 0.0;
        QTest::newRow("full tank") << 100.0 << 100.0;
        QTest::newRow("more used than put in") << -12.0 << 0.0;
        QTest::newRow("more put in than fits") << 130.0 << 100.0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0;
    }
    void gaugeHoldsItsRange() {
        QFETCH(double, value);
        QFETCH(double, shown);
        Gauge gauge;
        gauge.setValue(50);
        gauge.setValue(value);
        QCOMPARE(gauge.value(), shown);
    }

    void gaugeFillsItsShareInTheForeground() {
        Gauge gauge;
        gauge.resize(202, 12);
        const QColor red(0xFF, 0x00, 0x00);
        gauge.setForeground(red);
        gauge.setValue(25);
        QCOMPARE(gauge.foreground(), red);
        const QImage image = gauge.grab().toImage();
        QCOMPARE(image.pixelColor(10, 6), red);
        QCOMPARE(image.pixelColor(45, 6), red);
        QVERIFY(image.pixelColor(60, 6) != red);  // a quarter of 200 pixels, not more
        QVERIFY(image.pixelColor(190, 6) != red);
    }

    void twoStateButtonFlipsAndIsSetBack() {
        TwoStateButton button;
        button.setText(QStringLiteral("ドライバ情報"));
        QSignalSpy clicked(&button, &TwoStateButton::clicked);
        QVERIFY(!button.state());
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(button.state());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toBool(), true);
        button.setState(false);  // the panel closed by its timer
        QVERIFY(!button.state());
        QCOMPARE(clicked.count(), 1);
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(button.state());  // the next press opens again
        QCOMPARE(clicked.at(1).at(0).toBool(), true);
    }

    void gaugeBlinksRedAndYellow() {
        QColor colour = kGaugeYellow;  // as left by the last update at 20 % or more
        QList<QColor> seen;
        for (int i = 0; i < 3; ++i) {
            colour = gaugeBlinkStep(colour);
            seen << colour;
        }
        QCOMPARE(seen, (QList<QColor>{kGaugeRed, kGaugeYellow, kGaugeRed}));
        QCOMPARE(gaugeBlinkStep(QColor(Qt::black)), kGaugeRed);
        QCOMPARE(kGaugeRed, QColor(0xFF, 0x00, 0x00));
        QCOMPARE(kGaugeYellow, QColor(0xFF, 0xFF, 0x00));
    }

    void frameShowsItsBackground() {
        Frame frame;
        frame.setCaption(QStringLiteral("１号車"));
        frame.resize(120, 80);
        const QColor lightYellow(0xFF, 0xFF, 0xC0);
        frame.setBackground(lightYellow);
        QCOMPARE(frame.background(), lightYellow);
        QCOMPARE(frame.caption(), QStringLiteral("１号車"));
        // The style may shade the inside of the frame a little; the colour must stay the same.
        const QColor inside = frame.grab().toImage().pixelColor(60, 50);
        QVERIFY2(std::abs(inside.red() - 0xFF) <= 8 && std::abs(inside.green() - 0xFF) <= 8 &&
                     std::abs(inside.blue() - 0xC0) <= 8,
                 qPrintable(inside.name()));
    }
};

QTEST_MAIN(TestControls)
#include "test_controls.moc"
