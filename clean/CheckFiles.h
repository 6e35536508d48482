// Check-disk fragment cleaner.
#pragma once

// Reads "DelFileChk"; deletes FILEnnnn.CHK fragments older than 60 days from drive C:
// (its root and FOUND.nnn directories) and adds to the junk counters.
void DeleteCheckFiles();
