// The configuration property sheet.
#pragma once

// Runs the sheet modally, opened on its first page or on the Launch Order
// page; returns when it closes.  `readOnly`: the process may not change
// machine-wide settings, so the sheet only shows them.
void ShowConfigurationSheet(bool onLaunchOrder = false, bool readOnly = false);
