#pragma once

#include "support/EmulatorProcess.h"

// The lap counter emulator (tools/lapcounter-emulator): a home-made lap
// counter behind a pseudo-terminal or on TCP. A test that uses it is given the program's path by CMake
// (kobalap_uses_lapcounter_emulator in tests/CMakeLists.txt).
#ifndef KOBALAP_LAPCOUNTER_EMULATOR
#error "KOBALAP_LAPCOUNTER_EMULATOR: the test is not set up with kobalap_uses_lapcounter_emulator"
#endif

class TLapCounterEmulator : public TEmulatorProcess {
public:
    // arguments: the emulator's options (--tcp 0, --clock-ms 0, ...);
    // script: command lines run before it is ready ("at <ms> ..." lines too).
    explicit TLapCounterEmulator(const QStringList& arguments = {}, const QStringList& script = {})
        : TEmulatorProcess(QStringLiteral(KOBALAP_LAPCOUNTER_EMULATOR), arguments, script)
    {
    }
};
