#include "data/KWLRCChangeAdd.h"

#include "common/AppInfo.h"

#include <QLabel>
#include <QLineEdit>

TFRCChangeAdd::TFRCChangeAdd(QSqlDatabase db, QWidget* parent) : TRecordDialog(QSize(350, 214), parent), m_edit(db)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    move(143, 109);

    m_championship = new QLabel(this);
    m_championship->setObjectName(QStringLiteral("LabelChampionship"));
    m_championship->setAlignment(Qt::AlignCenter);
    m_championship->setGeometry((350 - 281) / 2, 24, 281, 17);

    AddLabel(QStringLiteral("Race"), 40, 75);
    m_name = AddNameEdit(QStringLiteral("EditRace"), 80, 72, 201);
    connect(m_name, &QLineEdit::textEdited, this, [this] { m_edit.Altered(); });
    PlaceButtons(144, 80, 192);
}

bool TFRCChangeAdd::Execute(TRecordMode mode, int csnr, int rcnr)
{
    const bool begun = m_edit.Begin(mode, csnr, rcnr);
    setWindowTitle(
        Kobalap::SubCaption(mode == TRecordMode::Add ? QStringLiteral("Add Race") : QStringLiteral("Change Race")));
    m_championship->setText(m_edit.championshipName);
    m_name->setText(m_edit.name);
    m_name->setFocus();
    const bool written = Run(begun, m_edit.ReadError());
    m_edit.Cancel();
    return written;
}

void TFRCChangeAdd::OkClick()
{
    m_edit.name = m_name->text();
    const TRecordOk answer = m_edit.Ok();
    m_name->setText(m_edit.name);
    Finish(answer);
}
