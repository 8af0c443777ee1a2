// Placeholder until this stage is written.
#include "defines.h"
