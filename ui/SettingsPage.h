// A property page whose controls each show one DWORD setting of the product key.
#pragma once
#include "win/Dialog.h"
#include <cstddef>
#include <vector>

// A sheet opened without the rights to change machine-wide settings (Windows
// Vista and later, not elevated) only shows them: every control that would write
// one is disabled, and neither OK nor leaving a page writes anything.
void SetSheetReadOnly(bool readOnly);
bool SheetReadOnly();

// A control and the setting it shows.
struct ManagedControl {
    int control;
    const char* setting;
};
// Disables each control whose setting a policy fixes (it shows the policy's
// value), or every one on a read-only sheet, and shows the dialog's line "Some settings are managed by your
// administrator." (IDC_MANAGED) while any is, or while `othersManaged` says the
// dialog has managed settings of another kind.
void ShowManagedControls(const win::Dialog& dialog, const std::vector<ManagedControl>& controls,
                         bool othersManaged = false);

// One control and its setting: a check box, or, where `maximum` is not 0, an
// edit that takes a whole number from `minimum` to `maximum`.
struct BoundSetting {
    int control;
    const char* name;
    DWORD defaultValue;
    DWORD minimum;
    DWORD maximum;
};

// When a page reads its settings (read-or-default): with the sheet, every time
// it is shown (the page's first showing included), or both.
enum SettingsReads : unsigned { kReadWhenBuilt = 1, kReadWhenShown = 2 };
// When a page writes its settings: on the sheet's OK (pages that were opened),
// or whenever it is left, OK included, so that a later Cancel keeps them.
enum class SettingsCommit { OnOK, WhenLeft };

class SettingsPage : public win::PropertyPage {
public:
    const char* TraceName() const override { return traceName_; }

protected:
    template <size_t N>
    SettingsPage(int templateId, const char* traceName, const BoundSetting (&settings)[N], unsigned reads,
                 SettingsCommit commit)
        : SettingsPage(templateId, traceName, settings, N, reads, commit)
    {
    }
    SettingsPage(int templateId, const char* traceName, const BoundSetting* settings, size_t count, unsigned reads,
                 SettingsCommit commit);

    bool OnInit() override;
    void LoadSettings() override;
    void DoDataExchange(win::DataExchange& dx) override;
    // Pages that read when shown read and show their settings again.
    void OnSetActive() override;
    void OnApply() override;
    bool OnKillActive() override;

    // Puts the values into the controls.
    void ShowSettings();

private:
    void ReadSettings();
    // Settings a policy fixes keep the user's own value: they are not written.
    void WriteSettings() const;
    void ShowManaged() const;

    const char* traceName_;
    const BoundSetting* settings_;
    size_t count_;
    unsigned reads_;
    SettingsCommit commit_;
    std::vector<DWORD> values_;
};
