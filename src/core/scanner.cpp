// Placeholder until this stage is written.
#include "scanner.h"
