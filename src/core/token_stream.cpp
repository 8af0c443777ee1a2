// Placeholder until this stage is written.
#include "token_stream.h"
