// Placeholder until this stage is written.
#include "report.h"
