// Downloads with a deadline of our own: URLDownloadToFileA can block for ever on a
// server that accepts and never answers, and reports success for HTTP error pages.
#pragma once
#include <windows.h>
#include <string>

constexpr DWORD kDownloadDeadlineMs = 60000;

// Downloads `url` to `path` on a worker thread while the calling thread keeps
// dispatching its window messages.  True only when the download reported
// success within `deadlineMs` and left a non-empty file at `path`; any other
// answer removes what it left there.  A worker that misses the deadline is
// abandoned (it cleans up after itself, but may still write `path` later).
bool DownloadToFile(const std::string& url, const std::string& path, DWORD deadlineMs = kDownloadDeadlineMs);
