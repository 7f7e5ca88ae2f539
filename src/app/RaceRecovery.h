#pragma once

struct TAppContext;
struct TAppWindows;

// A race that a crash or a power cut interrupted, found by its journal at
// start-up. AskAboutInterruptedRace comes before anything else the program
// says: it names the race and asks whether to resume it, finish it with the
// laps it has, or discard it (the journal is then set aside, never deleted).
// TakeUpInterruptedRace does what was chosen once the main window is up, in
// the windows a race is run in. Both do nothing when no race was interrupted.
class TRaceRecovery {
public:
    TRaceRecovery(TAppContext& context, TAppWindows& windows);
    ~TRaceRecovery();
    TRaceRecovery(const TRaceRecovery&) = delete;
    TRaceRecovery& operator=(const TRaceRecovery&) = delete;

    void AskAboutInterruptedRace();
    void TakeUpInterruptedRace();

private:
    struct TFound;
    TAppContext& m_context;
    TAppWindows& m_windows;
    TFound* m_found = nullptr;
};
