#pragma once

#include <QWidget>

class QTabWidget;
class TKWL_MainForm;
struct TAppContext;

// The Settings page: sub-pages Championship, I/O, Track and Audio, with
// "Apply & Save" and "Load Defaults" below them.
class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    TSettingsPage(TAppContext& context, TKWL_MainForm& mainForm, QWidget* parent = nullptr);
    QTabWidget* SubPages() const { return m_subPages; }

private:
    QTabWidget* m_subPages = nullptr;
};
