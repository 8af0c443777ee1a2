// Placeholder until this stage is written.
#include "token.h"
