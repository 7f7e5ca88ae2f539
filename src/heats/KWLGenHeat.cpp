#include "heats/KWLGenHeat.h"

#include "heats/MethodPicture.h"

#include <QHBoxLayout>
#include <QShowEvent>

TFKWLGenHeats::TFKWLGenHeats(QWidget* parent) : TModalShell(QStringLiteral("Generate Heats"), parent)
{
    // Only a close box: the pictures are the dialog's buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    m_imageMethodA = new TMethodPicture(TMethodPicture::TKind::GroupsWithRotation, QSize(278, 216), this);
    m_imageMethodA->setObjectName(QStringLiteral("ImageMethodA"));
    m_imageMethodB = new TMethodPicture(TMethodPicture::TKind::SlidingWindow, QSize(245, 216), this);
    m_imageMethodB->setObjectName(QStringLiteral("ImageMethodB"));
    connect(m_imageMethodA, &TMethodPicture::Clicked, this, &TFKWLGenHeats::ImageMethodAClick);
    connect(m_imageMethodB, &TMethodPicture::Clicked, this, &TFKWLGenHeats::ImageMethodBClick);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(m_imageMethodA);
    layout->addWidget(m_imageMethodB);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TGenerationMethod TFKWLGenHeats::Choose()
{
    exec();
    return m_method;
}

void TFKWLGenHeats::FormShow() { m_method = TGenerationMethod::None; }

void TFKWLGenHeats::ImageMethodAClick()
{
    m_method = TGenerationMethod::A;
    accept();
}

void TFKWLGenHeats::ImageMethodBClick()
{
    m_method = TGenerationMethod::B;
    accept();
}

void TFKWLGenHeats::showEvent(QShowEvent* event)
{
    // Every showing starts without a choice, so closing it picks nothing
    // even after an earlier pick. A restore from minimised is no new showing.
    if (!event->spontaneous())
        FormShow();
    TModalShell::showEvent(event);
    // Space or Enter on a focused picture picks it, which writes a whole set
    // of heats; a stray Enter as the chooser opens must not. The chooser
    // itself holds the focus until the user tabs to a picture.
    if (!event->spontaneous())
        setFocus(Qt::OtherFocusReason);
}
