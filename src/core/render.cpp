// Placeholder until this stage is written.
#include "render.h"
