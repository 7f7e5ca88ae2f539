#include "hardware/zlportio.h"
