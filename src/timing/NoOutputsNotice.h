#pragma once

// Whether the race about to start must be told that the track interface has
// no outputs: the power and the start lights are not switched, the lights
// show on the screen only, and the cars must be stopped by hand. Said at the
// first start of the run only: every later race runs the same way, and a race
// director who has read it once needs no box before each heat.
class TNoOutputsNotice {
public:
    // True once, at the first start on an interface without outputs.
    bool Due(bool hasOutputs)
    {
        if (hasOutputs || m_told)
            return false;
        m_told = true;
        return true;
    }

private:
    bool m_told = false;
};
