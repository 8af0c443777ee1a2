// Placeholder until this stage is written.
#include "pipeline.h"
