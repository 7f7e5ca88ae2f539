#include "common/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QQueue>

namespace Messages {
namespace {

struct TScript {
    bool active = false;
    QQueue<TMessageAnswer> answers;
    QList<TShownMessage> shown;
    QStringList problems;
};

TScript& Script()
{
    static TScript script;
    return script;
}

bool Offered(TMessageButtons buttons, TMessageAnswer answer)
{
    switch (buttons) {
    case TMessageButtons::Ok: return answer == TMessageAnswer::Ok;
    case TMessageButtons::YesNo: return answer == TMessageAnswer::Yes || answer == TMessageAnswer::No;
    case TMessageButtons::RetryCancel: return answer == TMessageAnswer::Retry || answer == TMessageAnswer::Cancel;
    case TMessageButtons::ResumeFinishDiscard:
        return answer == TMessageAnswer::Resume || answer == TMessageAnswer::Finish ||
               answer == TMessageAnswer::Discard;
    }
    return false;
}

TMessageAnswer ShowBox(TMessageKind kind, const QString& text, TMessageButtons buttons, const QString& detail,
                       QWidget* parent)
{
    QMessageBox box(parent);
    switch (kind) {
    case TMessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QStringLiteral("Warning"));
        break;
    case TMessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QStringLiteral("Error"));
        break;
    case TMessageKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QStringLiteral("Information"));
        break;
    case TMessageKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QStringLiteral("Confirm"));
        break;
    }
    box.setText(text);
    if (!detail.isEmpty())
        box.setInformativeText(detail);  // the cause, visible at once rather than behind a button
    if (buttons == TMessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);  // Enter pressed by accident destroys nothing
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? TMessageAnswer::Yes : TMessageAnswer::No;
    }
    if (buttons == TMessageButtons::RetryCancel) {
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Retry ? TMessageAnswer::Retry : TMessageAnswer::Cancel;
    }
    if (buttons == TMessageButtons::ResumeFinishDiscard) {
        QPushButton* resume = box.addButton(QStringLiteral("Resume"), QMessageBox::AcceptRole);
        QPushButton* finish = box.addButton(QStringLiteral("Finish"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
        box.setDefaultButton(resume);
        // No way out but a choice: closing the box must not decide for the race director.
        box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
        do
            box.exec();
        while (!box.clickedButton());
        if (box.clickedButton() == finish)
            return TMessageAnswer::Finish;
        return box.clickedButton() == discard ? TMessageAnswer::Discard : TMessageAnswer::Resume;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return TMessageAnswer::Ok;
}

}  // namespace

TMessageAnswer Show(TMessageKind kind, const QString& text, TMessageButtons buttons, const QString& detail,
                    QWidget* parent)
{
    TScript& script = Script();
    if (!script.active && script.answers.isEmpty())
        return ShowBox(kind, text, buttons, detail, parent);

    // Unanswered, a box takes its safe way out.
    // (an interrupted race is resumed: nothing is decided for it)
    TMessageAnswer answer = buttons == TMessageButtons::Ok                    ? TMessageAnswer::Ok
                            : buttons == TMessageButtons::YesNo               ? TMessageAnswer::No
                            : buttons == TMessageButtons::ResumeFinishDiscard ? TMessageAnswer::Resume
                                                                              : TMessageAnswer::Cancel;
    if (script.answers.isEmpty()) {
        script.problems << QStringLiteral("unexpected message: \"%1\"").arg(text);
    } else {
        const TMessageAnswer queued = script.answers.dequeue();
        if (Offered(buttons, queued))
            answer = queued;
        else
            script.problems << QStringLiteral("queued answer is not a button of \"%1\"").arg(text);
    }
    script.shown.append({kind, text, detail, buttons, answer});
    return answer;
}

void Warning(const QString& text, const QString& detail, QWidget* parent)
{
    Show(TMessageKind::Warning, text, TMessageButtons::Ok, detail, parent);
}
void Error(const QString& text, const QString& detail, QWidget* parent)
{
    Show(TMessageKind::Error, text, TMessageButtons::Ok, detail, parent);
}
void Information(const QString& text, QWidget* parent)
{
    Show(TMessageKind::Information, text, TMessageButtons::Ok, {}, parent);
}
bool Confirm(const QString& text, QWidget* parent)
{
    return Show(TMessageKind::Confirmation, text, TMessageButtons::YesNo, {}, parent) == TMessageAnswer::Yes;
}

bool ErrorRetry(const QString& text, const QString& detail, QWidget* parent)
{
    return Show(TMessageKind::Error, text, TMessageButtons::RetryCancel, detail, parent) == TMessageAnswer::Retry;
}

TMessageAnswer ResumeFinishDiscard(const QString& text, const QString& detail, QWidget* parent)
{
    return Show(TMessageKind::Warning, text, TMessageButtons::ResumeFinishDiscard, detail, parent);
}

void BeginScript()
{
    Script() = TScript{};
    Script().active = true;
}

void EndScript() { Script() = TScript{}; }
void QueueAnswer(TMessageAnswer answer) { Script().answers.enqueue(answer); }
int PendingAnswers() { return int(Script().answers.size()); }
QList<TShownMessage> Shown() { return Script().shown; }
QStringList Problems() { return Script().problems; }

}  // namespace Messages
