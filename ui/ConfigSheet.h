// The configuration property sheet.
#pragma once

// Runs the sheet modally; returns when it closes.
void ShowConfigurationSheet();
