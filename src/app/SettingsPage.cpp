#include "app/SettingsPage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
QWidget* SubPage(const QString& name, const char* background, QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(name);
    page->setAutoFillBackground(true);
    page->setStyleSheet(QStringLiteral("QWidget#%1 { background: %2; }").arg(name, QLatin1String(background)));
    return page;
}
}  // namespace

TSettingsPage::TSettingsPage(TAppContext&, TKWL_MainForm&, QWidget* parent) : QWidget(parent)
{
    m_subPages = new QTabWidget(this);
    m_subPages->setObjectName(QStringLiteral("SettingsPages"));
    // The sub-page colours, $00BBGGRR in the settings' notation.
    m_subPages->addTab(SubPage(QStringLiteral("SettingsChampionship"), "#00DDDD", m_subPages), QStringLiteral("Championship"));
    m_subPages->addTab(SubPage(QStringLiteral("SettingsIO"), "#80FF80", m_subPages), QStringLiteral("I/O"));
    m_subPages->addTab(SubPage(QStringLiteral("SettingsTrack"), "#CD8183", m_subPages), QStringLiteral("Track"));
    m_subPages->addTab(SubPage(QStringLiteral("SettingsAudio"), "#6298D5", m_subPages), QStringLiteral("Audio"));

    auto* apply = new QPushButton(QStringLiteral("Apply && Save"), this);
    apply->setObjectName(QStringLiteral("ButtonSETApply"));
    auto* defaults = new QPushButton(QStringLiteral("Load Defaults"), this);
    defaults->setObjectName(QStringLiteral("ButtonSETLoadDefaults"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply);
    buttons->addWidget(defaults);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_subPages);
    layout->addLayout(buttons);
}
