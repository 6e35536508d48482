// Temporary-file cleaner.
#pragma once

void DeleteTempFiles();
