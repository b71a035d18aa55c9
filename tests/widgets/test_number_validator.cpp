#include "widgets/number_validator.h"

#include <QTest>

using kaltero::widgets::NumberValidator;

class TestNumberValidator : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void judgesTypedText_data() {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("state");
        constexpr int no = QValidator::Invalid;
        constexpr int maybe = QValidator::Intermediate;
        constexpr int yes = QValidator::Acceptable;
        // The no-communication seconds: 1 to 99.
        QTest::newRow("seconds 42") << 1.0 << 99.0 << 0 << "42" << yes;
        QTest::newRow("seconds bounds") << 1.0 << 99.0 << 0 << "99" << yes;
        QTest::newRow("seconds 100 can never fit") << 1.0 << 99.0 << 0 << "100" << no;
        QTest::newRow("seconds 0 may still become 05") << 1.0 << 99.0 << 0 << "0" << maybe;
        QTest::newRow("seconds no sign") << 1.0 << 99.0 << 0 << "-1" << no;
        QTest::newRow("seconds no point") << 1.0 << 99.0 << 0 << "1.5" << no;
        QTest::newRow("seconds empty cell") << 1.0 << 99.0 << 0 << "" << yes;
        QTest::newRow("seconds blank") << 1.0 << 99.0 << 0 << " 5" << no;
        QTest::newRow("seconds full-width digit") << 1.0 << 99.0 << 0 << "５" << no;
        QTest::newRow("seconds exponent") << 1.0 << 99.0 << 0 << "1e1" << no;
        // Tank capacity and economy: -999.99 to 999.99, two places.
        QTest::newRow("tank 60.25") << -999.99 << 999.99 << 2 << "60.25" << yes;
        QTest::newRow("tank negative bound") << -999.99 << 999.99 << 2 << "-999.99" << yes;
        QTest::newRow("tank three places") << -999.99 << 999.99 << 2 << "1.234" << no;
        QTest::newRow("tank past the top") << -999.99 << 999.99 << 2 << "1000" << no;
        QTest::newRow("tank past the bottom") << -999.99 << 999.99 << 2 << "-1000" << no;
        QTest::newRow("tank lone sign") << -999.99 << 999.99 << 2 << "-" << maybe;
        QTest::newRow("tank lone point") << -999.99 << 999.99 << 2 << "." << maybe;
        QTest::newRow("tank trailing point") << -999.99 << 999.99 << 2 << "12." << yes;
        QTest::newRow("tank leading point") << -999.99 << 999.99 << 2 << ".5" << yes;
        QTest::newRow("tank plus sign") << -999.99 << 999.99 << 2 << "+5" << no;
        QTest::newRow("tank comma") << -999.99 << 999.99 << 2 << "1,5" << no;
        // Course length: -99999999 to 99999999.
        QTest::newRow("length top") << -99999999.0 << 99999999.0 << 0 << "99999999" << yes;
        QTest::newRow("length one digit more")
            << -99999999.0 << 99999999.0 << 0 << "100000000" << no;
        // A range wholly below zero: "-5" may still become "-50".
        QTest::newRow("negative range") << -99.0 << -10.0 << 0 << "-5" << maybe;
        QTest::newRow("negative range past bottom") << -99.0 << -10.0 << 0 << "-100" << no;
    }
    void judgesTypedText() {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(int, decimals);
        QFETCH(QString, input);
        QFETCH(int, state);
        const NumberValidator validator(minimum, maximum, decimals);
        int pos = static_cast<int>(input.size());
        QCOMPARE(static_cast<int>(validator.validate(input, pos)), state);
    }
};

QTEST_MAIN(TestNumberValidator)
#include "test_number_validator.moc"
