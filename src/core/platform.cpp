// Placeholder until this stage is written.
#include "platform.h"
