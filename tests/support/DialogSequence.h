#pragma once

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers the modal dialogs that open one after another during `action`,
// each with the next handler. Dialogs a handler opens itself are its own
// business; a dialog a handler leaves open is cancelled and reported.
struct TDialogSequence {
    QStringList problems;

    TDialogSequence(const std::function<void()>& action, QList<std::function<void(QDialog*)>> handlers)
    {
        QWidget* base = QApplication::activeModalWidget();
        bool running = false;
        QTimer watcher;
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (running || !dialog || dialog == base || handlers.isEmpty())
                return;
            running = true;
            handlers.takeFirst()(dialog);
            if (dialog->isVisible()) {
                problems << dialog->objectName() + QStringLiteral(" left open");
                dialog->reject();
            }
            running = false;
        });
        watcher.start();
        action();
        if (!handlers.isEmpty())
            problems << QStringLiteral("%1 dialog(s) never opened").arg(handlers.size());
    }
};
