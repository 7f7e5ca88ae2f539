#pragma once

// How heats are generated for a race, as picked in the chooser dialog:
// None when the dialog was closed without a pick (nothing is generated),
// A for groups that rotate over the tracks, B for a sliding window over one
// random order of all drivers.
enum class TGenerationMethod { None, A, B };
