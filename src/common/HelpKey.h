#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// F1 anywhere in the program opens the manual at the section of whatever the
// user is looking at: the page of the main window that is shown, or the window
// in front. One filter for the whole application, so a new window needs only a
// line in the table in HelpKey.cpp, not code of its own.
class THelpKey : public QObject {
public:
    explicit THelpKey(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The manual's section for `widget`: the nearest of it and its parents whose
// class has a section; a tab widget on the way stands for its current page.
// Empty when none has (the manual then opens at its start).
QString HelpAnchorFor(const QWidget* widget);

// The manual beside the program, at `anchor` when given. Tells the user when
// it cannot be opened.
void OpenManual(const QString& anchor, QWidget* parent = nullptr);

// Tests replace the browser: `open` gets the manual's URL instead and says
// whether it opened; an empty function restores QDesktopServices (after
// checking the file is there, since a browser shows a missing file as a page).
void SetManualOpener(std::function<bool(const QUrl&)> open);
