#pragma once

#include <QList>
#include <QString>

class QWidget;

// The one door through which the program shows a message box. Four kinds,
// with OK, Yes/No, Retry/Cancel or Resume/Finish/Discard. Tests queue answers instead of clicking: while answers
// are queued (or a test has switched on scripted mode) no real box is shown;
// every message is recorded so the test can check what the user saw.
enum class TMessageKind { Warning, Error, Information, Confirmation };
enum class TMessageButtons { Ok, YesNo, RetryCancel, ResumeFinishDiscard };
enum class TMessageAnswer { Ok, Yes, No, Retry, Cancel, Resume, Finish, Discard };

struct TShownMessage {
    TMessageKind kind;
    QString text;
    QString detail;
    TMessageButtons buttons;
    TMessageAnswer answer;
};

namespace Messages {

TMessageAnswer Show(TMessageKind kind, const QString& text, TMessageButtons buttons = TMessageButtons::Ok,
                    const QString& detail = {}, QWidget* parent = nullptr);

void Warning(const QString& text, const QString& detail = {}, QWidget* parent = nullptr);
void Error(const QString& text, const QString& detail = {}, QWidget* parent = nullptr);
void Information(const QString& text, QWidget* parent = nullptr);
// A Yes/No question; true only for Yes.
bool Confirm(const QString& text, QWidget* parent = nullptr);
// An error that trying again may cure; true only for Retry.
bool ErrorRetry(const QString& text, const QString& detail = {}, QWidget* parent = nullptr);
// What to do with a race that was interrupted: Resume, Finish or Discard.
TMessageAnswer ResumeFinishDiscard(const QString& text, const QString& detail = {}, QWidget* parent = nullptr);

// --- for tests
// Scripted mode: messages never show a real box. A message without a queued
// answer is recorded as unexpected and answered No (Yes/No), Cancel (Retry/Cancel) or Ok.
void BeginScript();
void EndScript();
void QueueAnswer(TMessageAnswer answer);
int PendingAnswers();
QList<TShownMessage> Shown();
// Messages that found no queued answer, or a queued answer that was not one
// of the buttons offered, described for a test failure.
QStringList Problems();

}  // namespace Messages
