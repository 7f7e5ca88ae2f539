#pragma once

#include "support/EmulatorProcess.h"

// The Control Unit emulator (tools/carrera-emulator): a Carrera unit behind a
// pseudo-terminal. A test that uses it is given the program's path by CMake
// (kobalap_uses_carrera_emulator in tests/CMakeLists.txt).
#ifndef KOBALAP_CARRERA_EMULATOR
#error "KOBALAP_CARRERA_EMULATOR: the test is not set up with kobalap_uses_carrera_emulator"
#endif

class TCarreraEmulator : public TEmulatorProcess {
public:
    // arguments: the emulator's options (--step-ms 300, --long-status, ...);
    // script: command lines run before it is ready ("at <ms> ..." lines too).
    explicit TCarreraEmulator(const QStringList& arguments = {}, const QStringList& script = {})
        : TEmulatorProcess(QStringLiteral(KOBALAP_CARRERA_EMULATOR), arguments, script)
    {
    }
};
