// Temporary-file cleaner.
#include "clean/TempFiles.h"

void DeleteTempFiles() {}
