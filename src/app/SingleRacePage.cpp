#include "app/SingleRacePage.h"

#include <QLabel>
#include <QVBoxLayout>

TSingleRacePage::TSingleRacePage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("Single races are not available yet."), this);
    note->setAlignment(Qt::AlignCenter);
    layout->addWidget(note);
}
