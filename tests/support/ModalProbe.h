#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

// Runs `action` and, when a modal dialog opens during it, hands that dialog
// to `respond` from inside the dialog's own event loop. A dialog that was
// already modal when the probe began (the window the action is taken in) is
// not the one it waits for. `respond` is to end
// the dialog; one it leaves open is cancelled so the test cannot hang, and
// leftOpen says so. opened is the dialog that came up, or null.
struct TModalProbe {
    QPointer<QDialog> opened;
    bool leftOpen = false;

    TModalProbe(const std::function<void()>& action, const std::function<void(QDialog*)>& respond)
    {
        const QWidget* before = QApplication::activeModalWidget();
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog == before)
                return;
            timer.stop();
            opened = dialog;
            respond(dialog);
            if (dialog->isVisible()) {
                leftOpen = true;
                dialog->reject();
            }
        });
        timer.start();
        action();
        timer.stop();
    }
};
