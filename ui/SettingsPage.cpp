// A property page whose controls each show one DWORD setting of the product key.
#include "ui/SettingsPage.h"
#include "app/Policy.h"
#include "app/Settings.h"
#include "res/resource.h"

namespace {
bool g_readOnly = false;
}

void SetSheetReadOnly(bool readOnly)
{
    g_readOnly = readOnly;
}

bool SheetReadOnly()
{
    return g_readOnly;
}

void ShowManagedControls(const win::Dialog& dialog, const std::vector<ManagedControl>& controls, bool othersManaged)
{
    bool managed = othersManaged;
    for (const ManagedControl& control : controls) {
        const bool fixed = FixedByPolicy(control.setting);
        dialog.EnableItem(control.control, !fixed && !g_readOnly);
        managed = managed || fixed;
    }
    dialog.ShowItem(IDC_MANAGED, managed);
}

SettingsPage::SettingsPage(int templateId, const char* traceName, const BoundSetting* settings, size_t count,
                           unsigned reads, SettingsCommit commit)
    : PropertyPage(templateId), traceName_(traceName), settings_(settings), count_(count), reads_(reads),
      commit_(commit)
{
    for (size_t i = 0; i < count_; ++i)
        values_.push_back(settings_[i].defaultValue);
    if (reads_ & kReadWhenBuilt)
        ReadSettings();
}

void SettingsPage::ReadSettings()
{
    // A read-only sheet does not write the defaults either.
    for (size_t i = 0; i < count_; ++i)
        values_[i] = g_readOnly ? ProductDword(settings_[i].name, settings_[i].defaultValue)
                                : ProductDwordOrDefault(settings_[i].name, settings_[i].defaultValue);
}

void SettingsPage::WriteSettings() const
{
    if (g_readOnly)
        return;
    for (size_t i = 0; i < count_; ++i)
        if (!FixedByPolicy(settings_[i].name))
            SetProductDword(settings_[i].name, values_[i]);
}

void SettingsPage::ShowManaged() const
{
    std::vector<ManagedControl> controls;
    for (size_t i = 0; i < count_; ++i)
        controls.push_back({settings_[i].control, settings_[i].name});
    ShowManagedControls(*this, controls);
}

bool SettingsPage::OnInit()
{
    const bool result = PropertyPage::OnInit();
    ShowManaged();
    return result;
}

void SettingsPage::LoadSettings()
{
    if (reads_ & kReadWhenShown)
        ReadSettings();
}

void SettingsPage::DoDataExchange(win::DataExchange& dx)
{
    for (size_t i = 0; i < count_; ++i) {
        const BoundSetting& setting = settings_[i];
        if (setting.maximum != 0)
            dx.UInt(setting.control, values_[i], setting.minimum, setting.maximum);
        else
            dx.Check(setting.control, values_[i]);
    }
}

void SettingsPage::ShowSettings()
{
    win::DataExchange dx(*this, false);
    DoDataExchange(dx);
}

void SettingsPage::OnSetActive()
{
    if (!(reads_ & kReadWhenShown))
        return;
    ReadSettings();
    ShowSettings();
    ShowManaged();
}

void SettingsPage::OnApply()
{
    if (commit_ == SettingsCommit::OnOK)
        WriteSettings();
}

bool SettingsPage::OnKillActive()
{
    if (!PropertyPage::OnKillActive())
        return false;
    if (commit_ == SettingsCommit::WhenLeft)
        WriteSettings();
    return true;
}
