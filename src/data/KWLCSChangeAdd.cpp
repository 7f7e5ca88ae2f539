#include "data/KWLCSChangeAdd.h"

#include "common/AppInfo.h"
#include "common/NumericKeyFilter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {
// The race type list: "Timed" stands for true, "Lap" for false.
constexpr int TimedIndex = 0;
constexpr int LapIndex = 1;
}  // namespace

TFCSChangeAdd::TFCSChangeAdd(QSqlDatabase db, QWidget* parent) : TRecordDialog(QSize(394, 211), parent), m_edit(db)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    AddLabel(QStringLiteral("Championship"), 24, 27);
    m_name = AddNameEdit(QStringLiteral("EditChampionship"), 136, 24, 201);

    m_lengthLabel = AddLabel(QStringLiteral("Laps/Minutes"), 24, 59);
    m_lengthLabel->setObjectName(QStringLiteral("LabelLapsMinutes"));
    m_lapsMinutes = AddEdit(QStringLiteral("EditLapsMinutes"), 136, 56, 49);

    AddLabel(QStringLiteral("Races That Count"), 24, 91);
    m_racesThatCount = AddEdit(QStringLiteral("EditRacesThatCount"), 136, 88, 49);

    AddLabel(QStringLiteral("Race type"), 24, 123);
    m_raceType = new QComboBox(this);
    m_raceType->setObjectName(QStringLiteral("ComboRaceType"));
    m_raceType->addItems({QStringLiteral("Timed"), QStringLiteral("Lap")});
    m_raceType->setGeometry(136, 120, 97, 21);

    // Typing is held to digits; a pasted text that is no number is refused at OK.
    TNumericKeyFilter::Install(m_lapsMinutes);
    TNumericKeyFilter::Install(m_racesThatCount);
    for (QLineEdit* edit : {m_name, m_lapsMinutes, m_racesThatCount})
        connect(edit, &QLineEdit::textEdited, this, [this] { m_edit.Altered(); });
    connect(m_raceType, &QComboBox::currentIndexChanged, this, [this] { RaceTypeChanged(); });

    PlaceButtons(168, 112, 208);
}

bool TFCSChangeAdd::Execute(TRecordMode mode, int csnr)
{
    const bool begun = m_edit.Begin(mode, csnr);
    setWindowTitle(Kobalap::SubCaption(mode == TRecordMode::Add ? QStringLiteral("Add Championship")
                                                                : QStringLiteral("Change Championship")));
    m_filling = true;
    m_name->setText(m_edit.name);
    m_lapsMinutes->setText(m_edit.lapsMinutes);
    m_racesThatCount->setText(m_edit.racesThatCount);
    m_raceType->setCurrentIndex(m_edit.timed ? TimedIndex : LapIndex);
    m_raceType->setEnabled(!m_edit.TypeLocked());
    m_lengthLabel->setText(TChampionshipEdit::LengthCaption(m_edit.timed));
    m_filling = false;
    m_name->setFocus();
    const bool written = Run(begun, m_edit.ReadError());
    m_edit.Cancel();
    return written;
}

void TFCSChangeAdd::RaceTypeChanged()
{
    const bool timed = m_raceType->currentIndex() == TimedIndex;
    m_lengthLabel->setText(TChampionshipEdit::LengthCaption(timed));
    if (m_filling)
        return;
    m_edit.timed = timed;
    m_edit.Altered();
}

void TFCSChangeAdd::OkClick()
{
    m_edit.name = m_name->text();
    m_edit.lapsMinutes = m_lapsMinutes->text();
    m_edit.racesThatCount = m_racesThatCount->text();
    const TRecordOk answer = m_edit.Ok();
    m_name->setText(m_edit.name);  // the trimmed name, as it is stored
    Finish(answer);
}
