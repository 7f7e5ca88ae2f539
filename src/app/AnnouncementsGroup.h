#pragma once

#include "voice/AnnouncementChoice.h"
#include "voice/SpokenNames.h"

#include <QGroupBox>
#include <QList>
#include <QPointer>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TAnnouncer;
class TSpeaker;

// The "Announcements" group of the Audio sub-page: whether the race is called
// out loud, in which voice, at which rate and volume, which kinds of phrase,
// and how drivers' names are said. It only shows and edits a working copy of
// the choice; the Settings page stores it and hands it to the announcer. Its
// "Test" says a sample in the voice on the page, and what keeps the program
// from speaking (no engine, no sound) is said in the group, never in a box.
class TAnnouncementsGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TAnnouncementsGroup(TAnnouncer& announcer, QWidget* parent = nullptr);

    // Shows the choice, with the drivers who may be given a spoken form.
    void ShowChoice(const TAnnouncementChoice& choice, const QList<TNamedDriver>& drivers);
    // The choice as the page shows it now.
    TAnnouncementChoice Choice() const;

private:
    // The announcer's speaker, followed anew at each showing: a test may
    // have put another in its place.
    void FollowSpeaker();
    void ListVoices(const QString& chosen);
    void ShowDrivers(const QList<TNamedDriver>& drivers);
    void ShowSpokenForm();
    void SpokenFormEdited(const QString& text);
    void ShowSliderValues();
    void ShowSpeakerState();
    void TestClicked();
    void SampleFinished(bool spoken, const QString& problem);

    TAnnouncer& m_announcer;
    QPointer<TSpeaker> m_speaker;
    // The spoken names as edited; the widgets hold the rest.
    QMap<int32_t, QString> m_spokenNames;
    bool m_awaitingSample = false;
    QString m_sampleProblem;

    QCheckBox* m_enabled = nullptr;
    QComboBox* m_voice = nullptr;
    QSlider* m_rate = nullptr;
    QLabel* m_rateValue = nullptr;
    QSlider* m_volume = nullptr;
    QLabel* m_volumeValue = nullptr;
    std::array<QCheckBox*, AnnouncementKindCount> m_says{};
    QComboBox* m_driver = nullptr;
    QLineEdit* m_spokenForm = nullptr;
    QPushButton* m_test = nullptr;
    QLabel* m_problem = nullptr;
};
