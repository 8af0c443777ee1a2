// Placeholder until this stage is written.
#include "symbols.h"
