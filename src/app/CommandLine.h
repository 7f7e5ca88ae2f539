#pragma once

#include <QString>
#include <QStringList>

// The options the program knows. Everything else is configured in the
// program itself.
struct TCommandLine {
    bool simulate = false;
    // --carrera DEVICE: the Carrera Control Unit on DEVICE for this run.
    QString carreraDevice;
    // --lapcounter DEVICE|HOST:PORT: a DIY lap counter on a serial device or
    // on the network for this run.
    QString lapCounter;
    // Work in the club's own data folder (as the desktop entry starts it)
    // instead of the working directory.
    bool dataFolder = false;
    bool help = false;
    bool version = false;
    QString error;  // an unknown argument, for the usage message; Qt's own options are no error
};

TCommandLine ParseCommandLine(const QStringList& arguments);  // arguments without the program name
QString UsageText();
QString VersionText();
