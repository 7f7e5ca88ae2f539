#include "heats/KWLHTChangeAdd.h"

#include "common/AppInfo.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"
#include "common/Settings.h"
#include "data/StoreTransaction.h"
#include "timing/RaceRules.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QVBoxLayout>

TFHTAddChange::TFHTAddChange(QSqlDatabase db, const TSettings& settings, QWidget* parent)
    : TModalShell(QStringLiteral("Add Heat"), parent), m_db(db), m_settings(settings)
{
    setObjectName(QStringLiteral("FHTAddChange"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* tracks = new QGridLayout;
    for (int t = 1; t <= 4; ++t) {
        const size_t i = size_t(t - 1);
        m_boxes[i] = new QCheckBox(this);
        m_boxes[i]->setObjectName(QStringLiteral("CheckBox%1").arg(t));
        connect(m_boxes[i], &QCheckBox::clicked, this, [this, t] { TrackBoxClick(t); });
        m_labels[i] = new QLabel(QStringLiteral("Track %1").arg(t), this);
        m_labels[i]->setObjectName(QStringLiteral("LabelTrack%1").arg(t));
        QFont font = m_labels[i]->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.25);
        m_labels[i]->setFont(font);
        m_drivers[i] = new QComboBox(this);
        m_drivers[i]->setObjectName(QStringLiteral("ComboBoxDriverTrack%1").arg(t));
        m_drivers[i]->setMinimumWidth(220);
        // A hidden drop-down keeps its place, so the rows do not jump.
        QSizePolicy policy = m_drivers[i]->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        m_drivers[i]->setSizePolicy(policy);
        tracks->addWidget(m_boxes[i], t - 1, 0);
        tracks->addWidget(m_labels[i], t - 1, 1);
        tracks->addWidget(m_drivers[i], t - 1, 2);
    }
    tracks->setColumnStretch(2, 1);

    m_rotation = new QCheckBox(QStringLiteral("Generate Track Rotation"), this);
    m_rotation->setObjectName(QStringLiteral("CheckBox5"));
    QFont bold = m_rotation->font();
    bold.setBold(true);
    m_rotation->setFont(bold);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(ok, &QPushButton::clicked, this, &TFHTAddChange::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &TFHTAddChange::CancelBtnClick);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tracks);
    layout->addSpacing(8);
    layout->addWidget(m_rotation);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFHTAddChange::Execute(THeatTrackChoice& choice)
{
    m_choice = &choice;
    m_edited = choice;
    FormShow();
    // Over the window it was opened from: the heats window.
    adjustSize();
    QWidget* host = QApplication::activeWindow();
    CentreOver(*this, host && host != this ? host : parentWidget());
    const bool ok = exec() == QDialog::Accepted;
    if (ok)
        choice = m_edited;
    m_choice = nullptr;
    return ok;
}

void TFHTAddChange::FormShow()
{
    const bool adding = m_edited.Mode == THeatTrackChoice::TMode::Add;
    const int tracks = TimedTrackCount(m_settings);
    m_edited.Rotate = false;

    // Every driver may be chosen, also one who is not in the championship.
    m_driverNumbers.clear();
    QHash<int32_t, QString> names;
    QStringList ordered{QString()};
    QSqlQuery query(m_db);
    QString error;
    if (RunRead(m_db, query,
                QStringLiteral(R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY "Driver Name")"), {},
                error)) {
        while (query.next()) {
            m_driverNumbers.insert(query.value(1).toString(), query.value(0).toInt());
            names.insert(query.value(0).toInt(), query.value(1).toString());
            ordered << query.value(1).toString();
        }
    } else {
        Messages::Error(error, {}, parentWidget());
    }

    setWindowTitle(Kobalap::SubCaption(adding ? QStringLiteral("Add Heat") : QStringLiteral("Change Heat")));
    m_rotation->setVisible(adding);
    m_rotation->setChecked(false);
    for (int t = 1; t <= 4; ++t) {
        const size_t i = size_t(t - 1);
        const bool enabled = t <= tracks;
        m_boxes[i]->setEnabled(enabled);
        m_labels[i]->setEnabled(enabled);
        m_drivers[i]->setEnabled(enabled);
        if (adding && enabled)
            m_edited.Used[i] = true;
        // A fresh choice: every name empty, in change mode the heat's drivers.
        m_drivers[i]->clear();
        m_drivers[i]->addItems(ordered);
        m_drivers[i]->setCurrentIndex(0);
        if (!adding && m_edited.Used[i])
            m_drivers[i]->setCurrentText(names.value(m_edited.DRVnr[i]));
        m_boxes[i]->setChecked(m_edited.Used[i]);
        m_drivers[i]->setVisible(m_edited.Used[i]);
    }
}

void TFHTAddChange::TrackBoxClick(int track)
{
    const size_t i = size_t(track - 1);
    m_edited.Used[i] = m_boxes[i]->isChecked();
    m_drivers[i]->setVisible(m_edited.Used[i]);
}

void TFHTAddChange::OKBtnClick()
{
    m_edited.Rotate = m_edited.Mode == THeatTrackChoice::TMode::Add && m_rotation->isChecked();
    std::array<QString, 4> chosen;
    for (size_t i = 0; i < 4; ++i)
        chosen[i] = m_drivers[i]->currentText();
    if (ResolveTrackChoice(m_edited, chosen, m_driverNumbers, TimedTrackCount(m_settings)))
        accept();
    else
        reject();
}

void TFHTAddChange::CancelBtnClick() { reject(); }
