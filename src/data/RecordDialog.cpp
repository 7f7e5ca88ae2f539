#include "data/RecordDialog.h"

#include "common/MessageBoxes.h"
#include "data/Schema.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TRecordDialog::TRecordDialog(const QSize& clientSize, QWidget* parent) : QDialog(parent)
{
    setModal(true);
    setFixedSize(clientSize);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("ButtonCancel"));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TRecordDialog::PlaceButtons(int top, int okLeft, int cancelLeft)
{
    m_ok->setGeometry(okLeft, top, 75, 25);
    m_cancel->setGeometry(cancelLeft, top, 75, 25);
}

QLabel* TRecordDialog::AddLabel(const QString& text, int left, int top)
{
    auto* label = new QLabel(text, this);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* TRecordDialog::AddEdit(const QString& objectName, int left, int top, int width)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(objectName);
    edit->setGeometry(left, top, width, 21);
    return edit;
}

QLineEdit* TRecordDialog::AddNameEdit(const QString& objectName, int left, int top, int width)
{
    QLineEdit* edit = AddEdit(objectName, left, top, width);
    edit->setMaxLength(Schema::MaxNameLength);
    return edit;
}

bool TRecordDialog::Run(bool begun, const QString& readError)
{
    if (!begun) {
        // A row that is no longer there needs no words: there is nothing to
        // change and the caller's list shows what is stored.
        if (!readError.isEmpty())
            Messages::Error(readError, {}, parentWidget());
        return false;
    }
    return exec() == QDialog::Accepted;
}

void TRecordDialog::Finish(const TRecordOk& answer)
{
    switch (answer.notice) {
    case TRecordOk::Notice::None: break;
    case TRecordOk::Notice::Information: Messages::Information(answer.text, this); break;
    case TRecordOk::Notice::Error: Messages::Error(answer.text, {}, this); break;
    }
    if (answer.keepOpen)
        return;
    if (answer.written)
        accept();
    else
        reject();
}
