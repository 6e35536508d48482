// Temporary-file cleaner.
#pragma once
#include <set>
#include <string>
#include <vector>

struct TempFileCounts {
    long long safeFiles = 0;     // follow the temporary-file naming
    long long otherFiles = 0;
};

struct TempCleanResult {
    long long files = 0;         // files actually deleted
    long long bytes = 0;
    long long failed = 0;        // files that could not be deleted (left alone)
};

// The four candidate places, raw, in their fixed order.
std::vector<std::string> TempDirectoryCandidates();
// Existing candidates without trailing backslash, in long form, each once, byte-wise ordered.
std::set<std::string> TempDirectorySet(const std::vector<std::string>& candidates);
std::set<std::string> GetTempDirectories();

// Reads "DeleteSafeTempFiles" and "DeleteAllTempFiles", deletes and adds to the junk counters.
void DeleteTempFiles();
TempCleanResult CleanTempDirectories(const std::set<std::string>& directories, bool deleteSafe, bool deleteAll);

TempFileCounts CountTempFiles();
TempFileCounts CountTempFilesIn(const std::set<std::string>& directories);

// Test seam: replaces the four candidates (nullptr: the real ones).
void OverrideTempCandidatesForTest(const std::vector<std::string>* candidates);
