#pragma once

#include "common/ModalShell.h"
#include "heats/HeatChoices.h"

#include <QHash>
#include <QSqlDatabase>
#include <array>

struct TSettings;
class QCheckBox;
class QComboBox;
class QLabel;

// Putting drivers on the tracks of a heat by hand: a tick box and a
// drop-down of every driver per track, and in add mode "Generate Track
// Rotation". The names chosen live only in the drop-downs while the dialog
// is open; nothing is stored here, the heats window writes the choice.
class TFHTAddChange : public TModalShell {
    Q_OBJECT
public:
    TFHTAddChange(QSqlDatabase db, const TSettings& settings, QWidget* parent = nullptr);

    // Shows the dialog for the choice (its Mode, and in change mode its
    // Used and DRVnr of the heat). True for OK with at least one driver
    // chosen; the choice then holds the drivers. Any way of ending with no
    // driver chosen counts as Cancel.
    bool Execute(THeatTrackChoice& choice);

    QCheckBox* TrackBox(int track) const { return m_boxes[size_t(track - 1)]; }
    QComboBox* DriverChoice(int track) const { return m_drivers[size_t(track - 1)]; }
    QCheckBox* RotationBox() const { return m_rotation; }

private:
    void FormShow();
    void TrackBoxClick(int track);
    void OKBtnClick();
    void CancelBtnClick();

    QSqlDatabase m_db;
    const TSettings& m_settings;
    THeatTrackChoice* m_choice = nullptr;  // the one being edited while the dialog is open
    THeatTrackChoice m_edited;
    QHash<QString, int32_t> m_driverNumbers;
    std::array<QCheckBox*, 4> m_boxes{};
    std::array<QLabel*, 4> m_labels{};
    std::array<QComboBox*, 4> m_drivers{};
    QCheckBox* m_rotation = nullptr;
};
