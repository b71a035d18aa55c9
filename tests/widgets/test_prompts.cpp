#include "platform/scripted_prompts.h"
#include "widgets/qt_prompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using kaltero::platform::PromptIcon;
using kaltero::platform::ScriptedPrompts;
using kaltero::widgets::QtPrompts;

namespace {

// Runs act on the next modal dialog once it is up, as an operator would answer it.
void whenDialogShows(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start();
}

}  // namespace

class TestPrompts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Kaltero")); }

    void scriptedAnswersInOrderAndRecords() {
        ScriptedPrompts prompts;
        prompts.answerYesNo(true);
        prompts.answerYesNo(false);
        prompts.answerInput(QStringLiteral("10"));
        prompts.answerSaveFile(QStringLiteral("/tmp/race.txt"));
        QCOMPARE(prompts.pendingAnswers(), 4);

        prompts.message(QStringLiteral("入力が不正です。"), QString(), PromptIcon::Critical);
        QVERIFY(prompts.askYesNo(QStringLiteral("１号車の計測を中止しますか？"),
                                 QStringLiteral("Stop確認"), PromptIcon::Critical));
        QVERIFY(!prompts.askYesNo(QStringLiteral("終了します。よろしいですか？"),
                                  QStringLiteral("終了確認"), PromptIcon::Information));
        QCOMPARE(prompts.inputBox(QStringLiteral("今何周目ですか？"), QStringLiteral("Ｌａｐ修正"),
                                  QStringLiteral("12")),
                 QStringLiteral("10"));
        QCOMPARE(prompts.saveFileName(QStringLiteral("走行結果保存"),
                                      QStringLiteral("テキストデータ (*.txt)|*.txt"), QString()),
                 QStringLiteral("/tmp/race.txt"));
        prompts.beep();
        prompts.beep();

        QCOMPARE(prompts.pendingAnswers(), 0);
        QCOMPARE(prompts.beeps(), 2);
        QCOMPARE(prompts.calls().size(), 5);
        using Kind = ScriptedPrompts::Kind;
        QCOMPARE(prompts.calls().at(0).kind, Kind::Message);
        QCOMPARE(prompts.calls().at(0).icon, PromptIcon::Critical);
        QCOMPARE(prompts.calls().at(1).title, QStringLiteral("Stop確認"));
        QCOMPARE(prompts.calls().at(2).icon, PromptIcon::Information);
        QCOMPARE(prompts.calls().at(3).kind, Kind::Input);
        QCOMPARE(prompts.calls().at(3).preset, QStringLiteral("12"));
        QCOMPARE(prompts.calls().at(4).kind, Kind::SaveFile);
        QCOMPARE(prompts.calls().at(4).filter, QStringLiteral("テキストデータ (*.txt)|*.txt"));
        QCOMPARE(prompts.texts().size(), 4);
        QVERIFY(prompts.errors().isEmpty());
    }

    void scriptedDetectsUnexpectedQuestions_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("yes/no") << 0;
        QTest::newRow("input box") << 1;
        QTest::newRow("save dialog") << 2;
    }
    void scriptedDetectsUnexpectedQuestions() {
        QFETCH(int, which);
        ScriptedPrompts prompts;
        prompts.answerYesNo(true);  // queued for another kind of question: no help
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("unexpected")));
        if (which == 0) {
            QVERIFY(prompts.askYesNo(QStringLiteral("a"), QString(), PromptIcon::None));
            QVERIFY(!prompts.askYesNo(QStringLiteral("b"), QString(), PromptIcon::None));
        } else if (which == 1) {
            QCOMPARE(prompts.inputBox(QStringLiteral("今何周目ですか？"), QString(), QString()),
                     QString());
        } else {
            QCOMPARE(prompts.saveFileName(QString(), QString(), QString()), QString());
        }
        // The unanswered question is recorded like any other, and flagged.
        QVERIFY(!prompts.calls().isEmpty());
        const QStringList errors = prompts.takeErrors();
        QVERIFY(!errors.isEmpty());
        QVERIFY(prompts.errors().isEmpty());  // taken: the destructor lets the run go on
    }

    void nameForType_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("saved");
        QTest::newRow("bare name, text type: as typed") << "race"
                                                        << "テキストデータ (*.txt)"
                                                        << "race";
        QTest::newRow("bare name, CSV type") << "race"
                                             << "CSV (*.csv)"
                                             << "race.csv";
        QTest::newRow("own extension, CSV type") << "race.txt"
                                                 << "CSV (*.csv)"
                                                 << "race.txt";
        QTest::newRow("bare name, every file") << "race"
                                               << "全てのファイル (*.*)"
                                               << "race";
        QTest::newRow("cancelled") << ""
                                   << "CSV (*.csv)"
                                   << "";
    }
    void nameForType() {
        QFETCH(QString, typed);
        QFETCH(QString, type);
        QTEST(QtPrompts::nameForType(typed, type), "saved");
    }

    void filterTranslation_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("report dialog") << "テキストデータ (*.txt)|*.txt|全てのファイル (*.*)|*.*"
                                       << "テキストデータ (*.txt);;全てのファイル (*.*)";
        QTest::newRow("pattern outside the description wins") << "Text (*.doc)|*.txt"
                                                              << "Text (*.txt)";
        QTest::newRow("description without patterns") << "Text|*.txt"
                                                      << "Text (*.txt)";
        QTest::newRow("several patterns") << "Data|*.txt;*.csv"
                                          << "Data (*.txt *.csv)";
        QTest::newRow("dangling description dropped") << "Text|*.txt|All"
                                                      << "Text (*.txt)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void filterTranslation() {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtPrompts::toQtFilter(filter), qt);
    }

    void qtYesNoDefaultsToNo_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("yes");
        QTest::newRow("Enter takes the default") << "enter" << false;
        QTest::newRow("Escape is No") << "escape" << false;
        QTest::newRow("Yes pressed") << "yes" << true;
    }
    void qtYesNoDefaultsToNo() {
        QFETCH(QString, answer);
        QFETCH(bool, yes);
        QtPrompts prompts;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool defaultIsNo = false;
        whenDialogShows([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box);
            title = box->windowTitle();
            icon = box->icon();
            defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
            if (answer == u"enter") {
                QTest::keyClick(box, Qt::Key_Return);
            } else if (answer == u"escape") {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->button(QMessageBox::Yes)->click();
            }
        });
        const bool result = prompts.askYesNo(QStringLiteral("１号車の計測を中止しますか？"),
                                             QStringLiteral("Stop確認"), PromptIcon::Critical);
        QCOMPARE(result, yes);
        QVERIFY(defaultIsNo);
        QCOMPARE(title, QStringLiteral("Stop確認"));
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void qtMessageWithoutTitleShowsTheApplication() {
        QtPrompts prompts;
        QString title;
        int buttons = 0;
        whenDialogShows([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box);
            title = box->windowTitle();
            buttons = static_cast<int>(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        prompts.message(QStringLiteral("入力が不正です。"), QString(), PromptIcon::Critical);
        QCOMPARE(title, QStringLiteral("Kaltero"));
        QCOMPARE(buttons, 1);
    }

    // What is told returns at once, whatever the operator does; the box comes up after the
    // event that told it, holds nothing while open, and the same text is not stacked.
    void qtToldMessageWaitsForNoOne() {
        QtPrompts prompts;
        const auto boxes = [] {
            QList<QMessageBox*> open;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    open << box;
                }
            }
            return open;
        };
        const QString full = QStringLiteral("計測記録を書き込めません。");
        prompts.tell(full, QStringLiteral("計測記録"), PromptIcon::Critical);
        QVERIFY(boxes().isEmpty());  // not from inside whatever told it
        QTRY_COMPARE(boxes().size(), 1);
        const QMessageBox* box = boxes().first();
        QCOMPARE(box->text(), full);
        QVERIFY(!box->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        prompts.tell(full, QStringLiteral("計測記録"), PromptIcon::Critical);
        prompts.tell(QStringLiteral("ポートを開けません。"), QString(), PromptIcon::Warning);
        QTRY_COMPARE(boxes().size(), 2);
        QTest::qWait(50);
        QCOMPARE(boxes().size(), 2);
        for (QMessageBox* open : boxes()) {
            open->button(QMessageBox::Ok)->click();
        }
        QTRY_VERIFY(boxes().isEmpty());
        prompts.tell(full, QStringLiteral("計測記録"), PromptIcon::Critical);
        QTRY_COMPARE(boxes().size(), 1);  // told again once the operator closed it
        boxes().first()->button(QMessageBox::Ok)->click();
    }

    void qtInputBox_data() {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("result");
        QTest::newRow("OK gives the text") << true << "10";
        QTest::newRow("Cancel gives nothing") << false << "";
    }
    void qtInputBox() {
        QFETCH(bool, accept);
        QFETCH(QString, result);
        QtPrompts prompts;
        QString shownPreset;
        whenDialogShows([&](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input);
            shownPreset = input->textValue();
            input->setTextValue(QStringLiteral("10"));
            accept ? input->accept() : input->reject();
        });
        QCOMPARE(prompts.inputBox(QStringLiteral("今何周目ですか？"), QStringLiteral("Ｌａｐ修正"),
                                  QStringLiteral("12")),
                 result);
        QCOMPARE(shownPreset, QStringLiteral("12"));
    }
};

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
