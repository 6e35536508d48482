// The boot report: what each boot launched and how long the computer took to settle,
// kept for the last 20 boots in one small text file.
#pragma once
#include "launch/BootRecord.h"
#include <string>
#include <vector>

constexpr size_t kBootReportKeep = 20;

// "QuillrestBootReport.txt" in the local application-data folder.
std::string BootReportPath();

enum class ReportState { Missing, Loaded, Damaged };
ReportState LoadBootReport(const std::string& path, std::vector<BootRecord>& boots);
// Adds one boot and keeps the last 20.  A damaged or foreign file is set aside
// as "<path>.bad" and the report starts afresh.
bool AppendBootRecord(const std::string& path, const BootRecord& boot);
