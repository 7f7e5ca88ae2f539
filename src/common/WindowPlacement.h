#pragma once

// Where a window stands: every sub-window opens with its caller's state and
// bounds, so that it lies exactly over the caller.
struct TWindowPlacement {
    int state = 0;  // 0 normal, 1 minimised, 2 maximised
    int left = 2;
    int top = 2;
    int width = 780;
    int height = 575;
};
