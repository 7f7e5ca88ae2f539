#include "data/KWLDriverChangeAdd.h"

#include "common/AppInfo.h"

#include <QLineEdit>

TFDRVAddChange::TFDRVAddChange(QSqlDatabase db, QWidget* parent) : TRecordDialog(QSize(317, 189), parent), m_edit(db)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    AddLabel(QStringLiteral("Name"), 40, 59);
    m_name = AddNameEdit(QStringLiteral("EditName"), 80, 56, 201);
    connect(m_name, &QLineEdit::textEdited, this, [this] { m_edit.Altered(); });
    PlaceButtons(128, 64, 176);
}

bool TFDRVAddChange::Execute(TRecordMode mode, int drvnr)
{
    const bool begun = m_edit.Begin(mode, drvnr);
    setWindowTitle(
        Kobalap::SubCaption(mode == TRecordMode::Add ? QStringLiteral("Add Driver") : QStringLiteral("Change Driver")));
    m_name->setText(m_edit.name);
    m_name->setFocus();
    const bool written = Run(begun, m_edit.ReadError());
    m_edit.Cancel();  // no pending row outlives the showing
    return written;
}

void TFDRVAddChange::OkClick()
{
    m_edit.name = m_name->text();
    Finish(m_edit.Ok());
}
