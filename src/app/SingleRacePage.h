#pragma once

#include <QWidget>

// The Single Race page: a race with up to four drivers, nothing stored.
class TSingleRacePage : public QWidget {
    Q_OBJECT
public:
    explicit TSingleRacePage(QWidget* parent = nullptr);
};
