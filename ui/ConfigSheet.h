// The configuration property sheet.
#pragma once

// Runs the sheet modally, opened on its first page or on the Launch Order
// page; returns when it closes.
void ShowConfigurationSheet(bool onLaunchOrder = false);
