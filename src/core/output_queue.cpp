// Placeholder until this stage is written.
#include "output_queue.h"
