#include "app/SettingsColours.h"

#include "common/SettingColour.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QMouseEvent>

namespace {

constexpr int PanelWidth = 90;
constexpr int PanelHeight = 22;

QLabel* Head(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QString RowName(int index) { return index == TSettings::TrackX ? QStringLiteral("X") : QString::number(index + 1); }

}  // namespace

TColourPanel::TColourPanel(QWidget* parent) : QLabel(QStringLiteral("AbCdE 0123"), parent)
{
    setAlignment(Qt::AlignCenter);
    setFixedSize(PanelWidth, PanelHeight);
    setCursor(Qt::PointingHandCursor);
    SetValue(0);
}

void TColourPanel::SetValue(uint32_t value)
{
    m_value = value;
    const QColor colour = ColourOfSetting(value);
    // The sample text stays readable on dark and light colours alike.
    const QColor text = colour.lightness() < 110 ? Qt::white : Qt::black;
    setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid #404040; }")
                      .arg(colour.name(), text.name()));
}

void TColourPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
    QLabel::mouseReleaseEvent(event);
}

TSettingsColours::TSettingsColours(QWidget* parent) : QGroupBox(QStringLiteral("Colors Timer Window"), parent)
{
    setObjectName(QStringLiteral("GroupBoxColors"));
    m_chooser = [](const QColor& current, QWidget* owner) { return QColorDialog::getColor(current, owner); };

    auto* grid = new QGridLayout(this);
    grid->addWidget(Head(QStringLiteral("Track"), this), 0, 0);
    grid->addWidget(Head(QStringLiteral("Foreground"), this), 0, 1);
    grid->addWidget(Head(QStringLiteral("Background"), this), 0, 2);
    for (int i = 0; i < TSettings::ColourCount; ++i) {
        grid->addWidget(Head(RowName(i), this), i + 1, 0);
        auto* foreground = new TColourPanel(this);
        foreground->setObjectName(QStringLiteral("PanelForeground%1").arg(RowName(i)));
        connect(foreground, &TColourPanel::Clicked, this, [this, foreground] { Choose(foreground); });
        grid->addWidget(foreground, i + 1, 1);
        m_foreground[size_t(i)] = foreground;
        if (i == TSettings::TrackX)
            continue;  // X has no background of its own
        auto* background = new TColourPanel(this);
        background->setObjectName(QStringLiteral("PanelBackground%1").arg(RowName(i)));
        connect(background, &TColourPanel::Clicked, this, [this, background] { Choose(background); });
        grid->addWidget(background, i + 1, 2);
        m_background[size_t(i)] = background;
    }
}

void TSettingsColours::SetColours(const std::array<uint32_t, TSettings::ColourCount>& foreground,
                                  const std::array<uint32_t, TSettings::TrackCount>& background)
{
    for (size_t i = 0; i < m_foreground.size(); ++i)
        m_foreground[i]->SetValue(foreground[i]);
    for (size_t i = 0; i < m_background.size(); ++i)
        m_background[i]->SetValue(background[i]);
}

std::array<uint32_t, TSettings::ColourCount> TSettingsColours::Foreground() const
{
    std::array<uint32_t, TSettings::ColourCount> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = m_foreground[i]->Value();
    return values;
}

std::array<uint32_t, TSettings::TrackCount> TSettingsColours::Background() const
{
    std::array<uint32_t, TSettings::TrackCount> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = m_background[i]->Value();
    return values;
}

void TSettingsColours::Choose(TColourPanel* panel)
{
    const QColor chosen = m_chooser(ColourOfSetting(panel->Value()), window());
    if (chosen.isValid())
        panel->SetValue(SettingOfColour(chosen));
}
