#include "widgets/qt_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

namespace kaltero::widgets {

using platform::PromptIcon;

namespace {

QMessageBox::Icon toQt(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Critical:
            return QMessageBox::Critical;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString titleOrApplication(const QString& title) {
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

}  // namespace

void QtPrompts::message(const QString& text, const QString& title, PromptIcon icon) {
    QMessageBox box(toQt(icon), titleOrApplication(title), text, QMessageBox::Ok, window_);
    box.exec();
}

void QtPrompts::tell(const QString& text, const QString& title, PromptIcon icon) {
    // Not from inside whatever told it (a car's report, a journal write): a box is widget work.
    QTimer::singleShot(0, &told_, [this, text, title, icon] { show(text, title, icon); });
}

void QtPrompts::show(const QString& text, const QString& title, PromptIcon icon) {
    if (const QPointer<QMessageBox>& shown = open_.value(text); shown && shown->isVisible()) {
        return;
    }
    auto* box =
        new QMessageBox(toQt(icon), titleOrApplication(title), text, QMessageBox::Ok, window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    open_.removeIf([](const auto& entry) { return entry.value().isNull(); });
    open_.insert(text, box);
    box->show();
}

bool QtPrompts::askYesNo(const QString& text, const QString& title, PromptIcon icon) {
    QMessageBox box(toQt(icon), titleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                    window_);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompts::inputBox(const QString& prompt, const QString& title, const QString& preset) {
    QInputDialog dialog(window_);
    dialog.setWindowTitle(titleOrApplication(title));
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(preset);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtPrompts::saveFileName(const QString& title, const QString& filter,
                                const QString& initialName) {
    // Qt's dialog asks before overwriting an existing file: a report saved earlier is not
    // replaced by a slip of the mouse.
    QString chosenType;
    const QString name =
        QFileDialog::getSaveFileName(window_, title, initialName, toQtFilter(filter), &chosenType);
    return nameForType(name, chosenType);
}

QString QtPrompts::nameForType(const QString& name, const QString& chosenType) {
    // Only the CSV type changes what is written, so only it may complete a bare name; a text
    // report is saved under the name as the operator typed it.
    if (!name.isEmpty() && chosenType.endsWith(u"(*.csv)") && QFileInfo(name).suffix().isEmpty()) {
        return name + u".csv";
    }
    return name;
}

void QtPrompts::beep() {
    QApplication::beep();
}

QString QtPrompts::toQtFilter(const QString& filter) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        description.remove(trailingPatterns);
        const QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
        if (patterns.isEmpty()) {
            continue;
        }
        QStringList trimmed;
        for (const QString& pattern : patterns) {
            trimmed << pattern.trimmed();
        }
        const QString joined = trimmed.join(u' ');
        entries << (description.isEmpty() ? joined : description + u" (" + joined + u')');
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace kaltero::widgets
