#pragma once

#include "platform/prompts.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QMessageBox;

namespace kaltero::widgets {

// The operator's dialogs as real Qt dialogs (QMessageBox, QInputDialog, QFileDialog), modal over
// the given window, so that anything that drives Qt widgets can answer them. What is told (tell)
// is a box that blocks nothing, opened after the event that told it: the car link goes on
// while it is open, and the same text is not stacked twice while one is open.
class QtPrompts final : public platform::Prompts {
public:
    explicit QtPrompts(QWidget* window = nullptr) : window_(window) {}
    void setWindow(QWidget* window) { window_ = window; }

    void message(const QString& text, const QString& title, platform::PromptIcon icon) override;
    void tell(const QString& text, const QString& title, platform::PromptIcon icon) override;
    bool askYesNo(const QString& text, const QString& title, platform::PromptIcon icon) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& preset) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& initialName) override;
    void beep() override;

    // "Text (*.txt)|*.txt|All (*.*)|*.*" -> "Text (*.txt);;All (*.*)". The patterns after each
    // "|" are the ones that count; ";" between patterns becomes a blank.
    static QString toQtFilter(const QString& filter);
    // The name the save dialog gives back for the type chosen: a bare name with the CSV type
    // gets ".csv"; any other name, or another type, stays as typed.
    //   "race" + "CSV (*.csv)" -> "race.csv";  "race" + "テキストデータ (*.txt)" -> "race"
    static QString nameForType(const QString& name, const QString& chosenType);

private:
    void show(const QString& text, const QString& title, platform::PromptIcon icon);

    QPointer<QWidget> window_;
    QObject told_;  // pending boxes die with the prompts
    QHash<QString, QPointer<QMessageBox>> open_;
};

}  // namespace kaltero::widgets
