#include "heats/KWLHTChangeResult.h"

#include "common/AppInfo.h"
#include "common/FittedLabel.h"
#include "common/IntegerText.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"
#include "common/Settings.h"
#include "data/StoreTransaction.h"
#include "heats/ResultEdits.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSqlQuery>

#include <algorithm>

namespace {

// Where things sit within one track line.
constexpr int CheckLeft = 12;
constexpr int LabelLeft = 38;
constexpr int LabelTop = 12;
constexpr int EditTop = 10;
constexpr int EditWidth = 40;
constexpr std::array<int, 5> EditLefts{368, 416, 464, 536, 584};
constexpr int LineHeight = 44;

// Where the lines sit within the dialog.
constexpr int Margin = 8;
constexpr int HeadingTop = 8;
constexpr int FirstLineTop = 30;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

const std::array<const char*, 5> EditNames{"EditMin", "EditSec", "EditMS", "EditLaps", "EditSections"};
const std::array<const char*, 5> Headings{"Min.", "Sec.", "ms", "Laps", "Sections"};
const std::array<const char*, 5> HeadingNames{"LabelMin", "LabelSec", "LabelMS", "LabelLaps", "LabelSections"};

QString Named(const char* name, int track) { return QLatin1String(name) + QString::number(track); }

TResultEdit* MakeEdit(int index, QWidget* parent)
{
    switch (TResultField(index)) {
    case TResultField::Minutes: return new TMinEdit(parent);
    case TResultField::Seconds: return new TSecEdit(parent);
    case TResultField::Milliseconds: return new TMSEdit(parent);
    case TResultField::Laps: return new TLapsEdit(parent);
    case TResultField::Sections: break;
    }
    return new TSectionsEdit(parent);
}

int TracksInUse(const TSettings& settings) { return std::clamp(settings.Tracks, 1, TSettings::TrackCount); }

}  // namespace

TFHTChangeResult::TFHTChangeResult(QSqlDatabase db, const TSettings& settings, QWidget* parent)
    : TModalShell(QStringLiteral("Change Heat Results"), parent), m_db(db), m_settings(settings)
{
    // The result is changed with OK or left with Cancel, nothing else.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    FormCreate();
}

void TFHTChangeResult::FormCreate()
{
    QFont headingFont = font();
    headingFont.setBold(true);
    QPalette green = palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    int right = 0;
    for (size_t i = 0; i < Headings.size(); ++i) {
        auto* heading = new QLabel(QLatin1String(Headings[i]), this);
        heading->setObjectName(QLatin1String(HeadingNames[i]));
        heading->setFont(headingFont);
        heading->setPalette(green);
        heading->move(Margin + EditLefts[i], HeadingTop);
        heading->adjustSize();
        right = std::max(right, heading->geometry().right());
    }

    QFont labelFont = font();
    labelFont.setPointSize(12);
    labelFont.setBold(true);
    for (int track = 1; track <= TSettings::TrackCount; ++track) {
        TTrackLine& line = m_lines[size_t(track - 1)];
        line.panel = new QWidget(this);
        line.panel->setObjectName(Named("PanelTrack", track));
        const int lineWidth = EditLefts.back() + EditWidth + 8;
        line.panel->setGeometry(Margin, FirstLineTop + (track - 1) * LineHeight, lineWidth, LineHeight);
        right = std::max(right, line.panel->geometry().right());

        line.check = new QCheckBox(line.panel);
        line.check->setObjectName(Named("CheckBoxTrack", track));
        line.check->setEnabled(false);  // it only shows whether the track has a driver
        line.check->adjustSize();
        line.check->move(CheckLeft, LabelTop);

        line.label = new TFittedLabel(QString(), line.panel);
        line.label->setObjectName(Named("LabelTrack", track));
        line.label->setGeometry(LabelLeft, LabelTop, EditLefts.front() - LabelLeft - 8,
                                QFontMetrics(labelFont).height());
        line.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // A long name shrinks rather than running under the fields.
        line.label->Fit(labelFont, {});

        for (int i = 0; i < EditCount; ++i) {
            TResultEdit* edit = MakeEdit(i, line.panel);
            edit->setObjectName(Named(EditNames[size_t(i)], track));
            edit->setAlignment(Qt::AlignRight);
            edit->setGeometry(EditLefts[size_t(i)], EditTop, EditWidth, edit->sizeHint().height());
            line.edits[size_t(i)] = edit;
        }
    }

    const int buttonsTop = FirstLineTop + TSettings::TrackCount * LineHeight + 8;
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("ButtonCancel"));
    m_cancel->setGeometry(right - ButtonWidth + 1, buttonsTop, ButtonWidth, ButtonHeight);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOK"));
    m_ok->setGeometry(m_cancel->x() - 8 - ButtonWidth, buttonsTop, ButtonWidth, ButtonHeight);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &TFHTChangeResult::OKBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &TFHTChangeResult::CancelBtnClick);

    setFixedSize(right + Margin + 1, buttonsTop + ButtonHeight + Margin);
}

bool TFHTChangeResult::Execute(THeatResultChoice& choice)
{
    m_choice = choice;
    if (!FormShow())
        return false;
    CentreOnActiveWindow();
    if (exec() != QDialog::Accepted)
        return false;
    for (int t = 0; t < TracksInUse(m_settings); ++t) {
        choice.Entry[size_t(t)].Time = m_choice.Entry[size_t(t)].Time;
        choice.Entry[size_t(t)].Laps = m_choice.Entry[size_t(t)].Laps;
        choice.Changed[size_t(t)] = m_choice.Changed[size_t(t)];
    }
    return true;
}

bool TFHTChangeResult::FormShow()
{
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Change Heat Results")));
    const int tracks = TracksInUse(m_settings);
    QWidget* firstEnabled = nullptr;
    for (int track = 1; track <= TSettings::TrackCount; ++track) {
        TTrackLine& line = m_lines[size_t(track - 1)];
        const THeatResultChoice::TEntry& entry = m_choice.Entry[size_t(track - 1)];
        const bool inUse = track <= tracks;
        const bool has = inUse && m_choice.Has[size_t(track - 1)];
        line.panel->setEnabled(inUse);
        line.check->setChecked(has);
        m_shownTexts[size_t(track - 1)] = {};
        for (TResultEdit* edit : line.edits)
            edit->SetSectionsPerLap(m_settings.SectionsPerLap);
        // A line beyond the tracks in use is shown empty, never with a
        // driver left over from a heat shown under more tracks.
        if (!has) {
            ShowEmptyLine(line, track);
            continue;
        }

        QSqlQuery query(m_db);
        QString error;
        if (!RunRead(m_db, query, QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB" WHERE DRVnr = ?)"),
                     {entry.DRVnr}, error)) {
            Messages::Error(error, {}, parentWidget());
            return false;
        }
        const QString name = query.next() ? query.value(0).toString() : QString();
        line.label->ShowText(QString::number(track) + QStringLiteral(": ") + name);

        const TResultTexts texts = ShownFieldTexts(entry, m_settings.SectionsPerLap);
        for (int i = 0; i < EditCount; ++i) {
            TResultEdit* edit = line.edits[size_t(i)];
            edit->setText(texts[size_t(i)]);
            m_shownTexts[size_t(track - 1)][size_t(i)] = edit->text();
            edit->setVisible(true);
            const bool isTime = i <= int(TResultField::Milliseconds);
            edit->setEnabled(isTime != m_choice.Timed);
            if (!firstEnabled && edit->isEnabledTo(this))
                firstEnabled = edit;
        }
    }
    (firstEnabled ? firstEnabled : static_cast<QWidget*>(m_ok))->setFocus();
    return true;
}

void TFHTChangeResult::ShowEmptyLine(TTrackLine& line, int track)
{
    line.label->ShowText(QString::number(track) + QStringLiteral(": -"));
    for (TResultEdit* edit : line.edits) {
        edit->clear();
        edit->setVisible(false);
    }
}

void TFHTChangeResult::OKBtnClick()
{
    const int tracks = TracksInUse(m_settings);
    std::array<TResultLineValues, 4> values{};
    for (int t = 0; t < tracks; ++t) {
        TTrackLine& line = m_lines[size_t(t)];
        TResultTexts texts;
        for (int i = 0; i < EditCount; ++i) {
            TResultEdit* edit = line.edits[size_t(i)];
            if (edit->text().isEmpty())
                edit->setText(QStringLiteral("0"));
            texts[size_t(i)] = edit->text();
        }
        values[size_t(t)] = ReadResultLine(texts, m_settings.SectionsPerLap);
        if (!values[size_t(t)].Valid) {
            // Pasted text passes the key filter; it is refused here, before
            // anything is taken over, so the user can correct it.
            TResultEdit* bad = line.edits[size_t(values[size_t(t)].BadField)];
            Messages::Error(ConversionErrorText(bad->text()), {}, this);
            bad->setFocus();
            bad->selectAll();
            return;
        }
    }
    for (int t = 0; t < tracks; ++t) {
        const size_t i = size_t(t);
        const TResultLineValues shown = ReadResultLine(m_shownTexts[i], m_settings.SectionsPerLap);
        m_choice.Changed[i] = m_choice.Has[i] && (values[i].Time != shown.Time || values[i].Laps != shown.Laps);
        // A driver's line left as it was keeps what is stored, also where
        // the fields could not show it; a line without a driver is zero.
        if (m_choice.Has[i] && !m_choice.Changed[i])
            continue;
        m_choice.Entry[i].Time = values[i].Time;
        m_choice.Entry[i].Laps = values[i].Laps;
    }
    accept();
}

void TFHTChangeResult::CancelBtnClick() { reject(); }

void TFHTChangeResult::CentreOnActiveWindow()
{
    QWidget* host = QApplication::activeWindow();
    if (!host || host == this || !host->isVisible())
        host = parentWidget();
    CentreOver(*this, host);
}
