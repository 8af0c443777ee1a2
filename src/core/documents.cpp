// Placeholder until this stage is written.
#include "documents.h"
