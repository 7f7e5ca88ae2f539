#pragma once

// The shared records and routines in one include: settings and their files,
// race times and lap values, the race clock, and the sensor and output lines.
#include "common/AppInfo.h"
#include "common/DigitFilter.h"
#include "common/LapValue.h"
#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/RaceTime.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
