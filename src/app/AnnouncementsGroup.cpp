#include "app/AnnouncementsGroup.h"

#include "voice/Announcer.h"
#include "voice/Speaker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The switches' captions, in the order of TAnnouncementKind.
const char* const KindCaptions[AnnouncementKindCount] = {"Line-up",           "False start", "Fastest lap",
                                                         "Laps / time to go", "New leader",  "Finish order",
                                                         "Timing lost",       "Records"};
const char* const KindNames[AnnouncementKindCount] = {"LineUp",       "FalseStart", "FastestLap", "ToGo",
                                                      "LeaderChange", "Finish",     "TimingLost", "Record"};

template <typename T>
T* Named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QSlider* PercentSlider(const QString& name, int low, int high, QWidget* parent)
{
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
    slider->setRange(low, high);
    slider->setPageStep(10);
    return slider;
}

// The slider with its value beside it, wide enough for the widest value.
QHBoxLayout* WithValue(QSlider* slider, QLabel* value, const QString& widest)
{
    value->setFixedWidth(value->fontMetrics().horizontalAdvance(widest) + 4);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(slider, 1);
    row->addWidget(value);
    return row;
}

}  // namespace

TAnnouncementsGroup::TAnnouncementsGroup(TAnnouncer& announcer, QWidget* parent)
    : QGroupBox(QStringLiteral("Announcements"), parent), m_announcer(announcer)
{
    setObjectName(QStringLiteral("GroupBoxAnnouncements"));
    m_enabled =
        Named(new QCheckBox(QStringLiteral("Speak announcements"), this), QStringLiteral("CheckBoxSpeakAnnouncements"));
    m_voice = Named(new QComboBox(this), QStringLiteral("ComboBoxVoice"));
    m_rate = PercentSlider(QStringLiteral("SliderRate"), -100, 100, this);
    m_rateValue = Named(new QLabel(this), QStringLiteral("LabelRateValue"));
    m_volume = PercentSlider(QStringLiteral("SliderVolume"), 0, 100, this);
    m_volumeValue = Named(new QLabel(this), QStringLiteral("LabelVolumeValue"));
    auto* voiceLayout = new QFormLayout;
    voiceLayout->addRow(QStringLiteral("Voice"), m_voice);
    voiceLayout->addRow(QStringLiteral("Rate"), WithValue(m_rate, m_rateValue, QStringLiteral("+100")));
    voiceLayout->addRow(QStringLiteral("Volume"), WithValue(m_volume, m_volumeValue, QStringLiteral("100 %")));

    auto* kinds = new QGridLayout;
    for (int kind = 0; kind < AnnouncementKindCount; ++kind) {
        m_says[size_t(kind)] = Named(new QCheckBox(QLatin1String(KindCaptions[kind]), this),
                                     QStringLiteral("CheckBoxSay%1").arg(QLatin1String(KindNames[kind])));
        kinds->addWidget(m_says[size_t(kind)], kind % 4, kind / 4);
    }

    m_driver = Named(new QComboBox(this), QStringLiteral("ComboBoxSpokenDriver"));
    m_spokenForm = Named(new QLineEdit(this), QStringLiteral("EditSaidAs"));
    m_spokenForm->setPlaceholderText(QStringLiteral("as written"));
    auto* namesLayout = new QFormLayout;
    namesLayout->addRow(QStringLiteral("Driver"), m_driver);
    namesLayout->addRow(QStringLiteral("Said as"), m_spokenForm);

    m_test = Named(new QPushButton(QStringLiteral("Test"), this), QStringLiteral("ButtonAnnouncementsTest"));
    m_problem = Named(new QLabel(this), QStringLiteral("LabelAnnouncementsProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #C00000;"));
    m_problem->hide();
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_test);
    testRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(voiceLayout);
    layout->addLayout(kinds);
    layout->addLayout(namesLayout);
    layout->addLayout(testRow);
    layout->addWidget(m_problem);

    connect(m_rate, &QSlider::valueChanged, this, &TAnnouncementsGroup::ShowSliderValues);
    connect(m_volume, &QSlider::valueChanged, this, &TAnnouncementsGroup::ShowSliderValues);
    connect(m_driver, &QComboBox::currentIndexChanged, this, &TAnnouncementsGroup::ShowSpokenForm);
    connect(m_spokenForm, &QLineEdit::textEdited, this, &TAnnouncementsGroup::SpokenFormEdited);
    connect(m_test, &QPushButton::clicked, this, &TAnnouncementsGroup::TestClicked);
    ShowSliderValues();
    FollowSpeaker();
}

void TAnnouncementsGroup::ShowChoice(const TAnnouncementChoice& choice, const QList<TNamedDriver>& drivers)
{
    FollowSpeaker();
    m_enabled->setChecked(choice.Enabled);
    ListVoices(choice.Voice);
    m_rate->setValue(choice.RatePercent);
    m_volume->setValue(choice.VolumePercent);
    for (int kind = 0; kind < AnnouncementKindCount; ++kind)
        m_says[size_t(kind)]->setChecked(choice.Says[size_t(kind)]);
    m_spokenNames = choice.SpokenNames;
    ShowDrivers(drivers);
}

TAnnouncementChoice TAnnouncementsGroup::Choice() const
{
    TAnnouncementChoice choice;
    choice.Enabled = m_enabled->isChecked();
    choice.Voice = m_voice->currentData().toString();
    choice.RatePercent = m_rate->value();
    choice.VolumePercent = m_volume->value();
    for (int kind = 0; kind < AnnouncementKindCount; ++kind)
        choice.Says[size_t(kind)] = m_says[size_t(kind)]->isChecked();
    choice.SpokenNames = m_spokenNames;
    return choice;
}

void TAnnouncementsGroup::FollowSpeaker()
{
    TSpeaker* speaker = &m_announcer.Speaker();
    if (speaker != m_speaker) {
        if (m_speaker)
            disconnect(m_speaker, nullptr, this, nullptr);
        m_speaker = speaker;
        m_awaitingSample = false;
        m_sampleProblem.clear();
        // The voices come once the engine has loaded them.
        connect(speaker, &TSpeaker::EngineReady, this, [this] {
            ListVoices(m_voice->currentData().toString());
            ShowSpeakerState();
        });
        connect(speaker, &TSpeaker::Finished, this, &TAnnouncementsGroup::SampleFinished);
        ListVoices(m_voice->currentData().toString());
    }
    ShowSpeakerState();
}

void TAnnouncementsGroup::ListVoices(const QString& chosen)
{
    const QSignalBlocker quiet(m_voice);
    m_voice->clear();
    m_voice->addItem(QStringLiteral("(engine default)"), QString());
    for (const QString& voice : m_speaker->Voices())
        m_voice->addItem(voice, voice);
    if (chosen.isEmpty()) {
        m_voice->setCurrentIndex(0);
        return;
    }
    // A voice the engine does not offer (yet) stays the choice, so that
    // applying does not lose it.
    if (m_voice->findData(chosen) < 0)
        m_voice->addItem(chosen, chosen);
    m_voice->setCurrentIndex(m_voice->findData(chosen));
}

void TAnnouncementsGroup::ShowDrivers(const QList<TNamedDriver>& drivers)
{
    const QVariant shown = m_driver->currentData();
    {
        const QSignalBlocker quiet(m_driver);
        m_driver->clear();
        for (const TNamedDriver& driver : drivers)
            m_driver->addItem(driver.Name, driver.Number);
        // The driver being named stays chosen as long as there is one.
        m_driver->setCurrentIndex(std::max(0, m_driver->findData(shown)));
    }
    ShowSpokenForm();
}

void TAnnouncementsGroup::ShowSpokenForm()
{
    const bool chosen = m_driver->currentIndex() >= 0;
    m_spokenForm->setEnabled(chosen);
    m_spokenForm->setText(chosen ? m_spokenNames.value(m_driver->currentData().toInt()) : QString());
}

void TAnnouncementsGroup::SpokenFormEdited(const QString& text)
{
    if (m_driver->currentIndex() < 0)
        return;
    const int32_t driver = m_driver->currentData().toInt();
    // An empty form: the name is said as written.
    if (text.trimmed().isEmpty())
        m_spokenNames.remove(driver);
    else
        m_spokenNames.insert(driver, text.trimmed());
}

void TAnnouncementsGroup::ShowSliderValues()
{
    const int rate = m_rate->value();
    m_rateValue->setText(rate > 0 ? QStringLiteral("+%1").arg(rate) : QString::number(rate));
    m_volumeValue->setText(QStringLiteral("%1 %").arg(m_volume->value()));
}

void TAnnouncementsGroup::ShowSpeakerState()
{
    const bool hasEngine = m_speaker->HasEngine();
    m_test->setEnabled(hasEngine);
    // The value stays as chosen, for an engine that can change its pace.
    const bool keepsItsPace = m_speaker->EffectiveRate(100) == 0;
    m_rate->setEnabled(!keepsItsPace);
    m_rate->setToolTip(keepsItsPace ? QStringLiteral("This speech engine speaks at its own pace.") : QString());
    const QString text = hasEngine && !m_sampleProblem.isEmpty()
                             ? QStringLiteral("The sample could not be said: %1").arg(m_sampleProblem)
                             : m_speaker->Problem();
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
}

void TAnnouncementsGroup::TestClicked()
{
    m_sampleProblem.clear();
    m_awaitingSample = true;
    ShowSpeakerState();
    m_announcer.SaySample(Choice());
}

void TAnnouncementsGroup::SampleFinished(bool spoken, const QString& problem)
{
    if (!m_awaitingSample)
        return;
    m_awaitingSample = false;
    m_sampleProblem = spoken ? QString() : problem.isEmpty() ? QStringLiteral("the engine gave no reason.") : problem;
    ShowSpeakerState();
}
