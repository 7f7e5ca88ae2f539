#pragma once

#include <memory>

struct TAppContext;
class TPortDriver;

// The port driver the program runs on: the simulated track with --simulate,
// the Control Unit on its device with --carrera, the lap counter on its
// device or address with --lapcounter, else the track interface
// chosen in kobalap.conf (read here into the context), the machine's
// parallel port when none is chosen. Not yet opened.
std::unique_ptr<TPortDriver> MakePortDriver(TAppContext& context);

// The end of every run that got as far as the port: all output lines off, so
// no track is left powered, and the port given back.
void ShutDown(TAppContext& context);

// The whole program: command line, port driver (before any window), the
// application, the windows in their order, the event loop. Returns the exit code.
int RunKobalap(int argc, char** argv);
