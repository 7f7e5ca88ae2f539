#pragma once

#include <QAction>
#include <QPushButton>
#include <QWidget>
#include <functional>

// Makes a page's buttons and gives its grid a context menu: each button may
// also be offered in the menu, with the same action.
class TPageButtons {
public:
    TPageButtons(QWidget* owner, QWidget* grid) : m_owner(owner), m_grid(grid)
    {
        m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    QPushButton* Add(const QString& name, const QString& caption, const QString& hint, std::function<void()> handler,
                     bool inMenu = true)
    {
        auto* button = new QPushButton(caption, m_owner);
        button->setObjectName(name);
        button->setToolTip(hint);
        QObject::connect(button, &QPushButton::clicked, m_owner, handler);
        if (inMenu) {
            auto* action = new QAction(caption, m_grid);
            action->setObjectName(name + QStringLiteral("Menu"));
            QObject::connect(action, &QAction::triggered, m_owner, handler);
            m_grid->addAction(action);
        }
        return button;
    }

private:
    QWidget* m_owner;
    QWidget* m_grid;
};
