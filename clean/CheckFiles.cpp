// Check-disk fragment cleaner.
#include "clean/CheckFiles.h"

void DeleteCheckFiles() {}
