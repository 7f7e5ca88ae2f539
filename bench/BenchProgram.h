#pragma once

#include "BenchMain.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/KWLMainForm.h"
#include "hardware/SimulatedTrack.h"

// The whole program started headless on the simulated track in a prepared
// working directory, its main window up, for timing what a window does.
struct TBenchProgram {
    TInstantCounter instant;
    TAppContext context;
    TAppWindows windows;

    explicit TBenchProgram(const QString& folder)
    {
        context.workingDirectory = folder;
        context.simulated = true;
        context.clock.SetCounter(instant);
        context.port = std::make_unique<TSimulatedTrack>(context.clock, context.settings, context.masks, 1u);
        context.port->Open();
        if (CreateWindowsAndShow(context, windows) != -1)
            qFatal("start-up failed");
        QApplication::processEvents();
    }
    TWindowPlacement Placement() const { return windows.MainForm->Placement(); }
};
