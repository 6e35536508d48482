// Check-disk fragment cleaner.
#pragma once

void DeleteCheckFiles();
