// Registry keys and value names, each spelled in one place.
#pragma once
#include <windows.h>

#define QR_HKLM HKEY_LOCAL_MACHINE
constexpr const char* kProductKey = "software\\Quillrest";
// What the program records while it runs, for every user (counters, remembered
// answers, times of the last downloads): the installer lets the interactive users write here
constexpr const char* kStateKey = "software\\Quillrest\\State";
// An administrator's fixed settings (Group Policy, Intune): read first, never written
constexpr const char* kPolicyKey = "Software\\Policies\\Hollowmere\\Quillrest";

// Foundation and boot window
constexpr const char* kLog = "Log";
constexpr const char* kLogBootCount = "LogBootCount";
constexpr const char* kDelaySeconds = "DelaySeconds";
constexpr const char* kMinimized = "Minimized";
constexpr const char* kTransparent = "Transparent";
constexpr const char* kCheckVersion = "CheckVersion";
constexpr const char* kDownloadAdBlockInfo = "DownloadAdBlockInfo";
constexpr const char* kLastAdBlockInfoCheck = "LastAdBlockInfoCheck";
constexpr const char* kAdBlockingProxyPort = "AdBlockingProxyPort";
constexpr const char* kDontShowAdBlockStart = "DontShowAdBlockStart";
constexpr const char* kWelcomeDismissed = "WelcomeDismissed";
constexpr const char* kDebugDelayPause = "DebugDelayPause";
constexpr const char* kSortingOrder = "SortingOrder";
constexpr const char* kIgnoreForLaunch = "IgnoreForLaunch";
constexpr const char* kInstallTime = "InstallTime";
constexpr const char* kLaunchPacing = "LaunchPacing";    // 0 fixed delay, 1 start once the computer is quiet
constexpr const char* kNotifyNewEntries = "NotifyNewEntries";    // 0: entries parked during the session are not announced
// Configuration sheet: written and read back to find out whether settings can be saved
constexpr const char* kRandom = "Random";

// Web addresses: each overrides one built-in address on the vendor's site
constexpr const char* kVersionURL = "VersionURL";
constexpr const char* kAdBlockInfoURL = "AdBlockInfoURL";
constexpr const char* kAdBlockListURL = "AdBlockListURL";    // the user's own list, either list format
constexpr const char* kMainLink = "MAIN_LINK";
constexpr const char* kUninstallLink = "UNINSTALL_LINK";
constexpr const char* kFeedbackLink = "FEEDBACK_LINK";

// Version check
constexpr const char* kDontShowUpdateCheck = "DontShowUpdateCheck";
constexpr const char* kLastVerWarning = "LastVerWarning";
constexpr const char* kNewVerMsg = "NewVerMsg";

// Cleaners
constexpr const char* kDeleteSafeTempFiles = "DeleteSafeTempFiles";
constexpr const char* kDeleteAllTempFiles = "DeleteAllTempFiles";
constexpr const char* kDelFileChk = "DelFileChk";
constexpr const char* kClearInetCache = "ClearInetCache";
constexpr const char* kDeleteCookies = "DeleteCookies";
constexpr const char* kKeepQRCookie = "KeepQRCookie";
constexpr const char* kSawMSCDEX = "SawMSCDEX";

// Counters
constexpr const char* kCounterBoots = "Boots";
constexpr const char* kCounterFilesLaunched = "FilesLaunched";
constexpr const char* kCounterJunkFiles = "JunkFilesDeleted";
constexpr const char* kCounterJunkBytes = "JunkFileBytesDeleted";
constexpr const char* kCounterInternetFiles = "DeletedInternetFiles";
constexpr const char* kCounterCookies = "DeletedCookies";
constexpr const char* kCounterAdsBlocked = "AdsBlocked";

// System places
constexpr const char* kRunKey = "software\\microsoft\\windows\\currentversion\\run";
constexpr const char* kRunServicesKey = "software\\microsoft\\windows\\currentversion\\runservices";
constexpr const char* kCaptureSubkey = "Quillrest";
constexpr const char* kOwnRunValue = "Quillrest";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillrest";
constexpr const char* kUninstallDisplayName = "DisplayName";
constexpr const char* kUninstallDisplayIcon = "DisplayIcon";
constexpr const char* kUninstallString = "UninstallString";
constexpr const char* kUninstallQuietString = "QuietUninstallString";
constexpr const char* kUninstallDisplayVersion = "DisplayVersion";
constexpr const char* kUninstallPublisher = "Publisher";
constexpr const char* kUninstallInstallLocation = "InstallLocation";
constexpr const char* kUninstallEstimatedSize = "EstimatedSize";    // KiB
constexpr const char* kUninstallNoModify = "NoModify";
constexpr const char* kUninstallNoRepair = "NoRepair";
constexpr const char* kPublisherName = "Hollowmere";
constexpr const char* kFileTypeKey = ".Quillrest";
constexpr const char* kFileTypeClass = "QuillrestLink";
constexpr const char* kCplsKey = "software\\microsoft\\windows\\currentversion\\control panel\\cpls";
constexpr const char* kProfileListKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr const char* kProfileList9xKey = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";
constexpr const char* kProfileImagePath = "ProfileImagePath";
constexpr const char* kUserShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kStartupShellFolder = "Startup";

// Named kernel objects
constexpr const char* kRunningMutex = "Quillrest_Running";
constexpr const char* kShutdownEvent = "Quillrest_Shutdown";
constexpr const char* kLogMutex = "QuillrestLog";
// Windows 2000 and later: seen from every session
constexpr const char* kUninstallSignal = "Global\\Quillrest_Uninstall";
constexpr const char* kResidentPresence = "Global\\Quillrest_Resident";
// Held by an install or uninstall for its whole run; Windows before 2000 have no global namespace
constexpr const char* kSetupMutex = "Global\\Quillrest_Setup";
constexpr const char* kSetupMutexOld = "Quillrest_Setup";

// Files
constexpr const char* kExeName = "Quillrest.exe";
constexpr const char* kAppletName = "Quillrest.cpl";
constexpr const char* kBatchName = "Quillrest_Uninstall.bat";
constexpr const char* kLogFileName = "QuillrestLog.txt";
constexpr const char* kBootReportFileName = "QuillrestBootReport.txt";
constexpr const char* kSetupLogFileName = "QuillrestSetup.log";    // a quiet run's, in the temp folder
constexpr const char* kProfileHiveFile = "NTUSER.DAT";
constexpr const char* kProfileHiveFile9x = "USER.DAT";

constexpr DWORD kDefaultAdBlockingPort = 8181;

// The system's own start-up switches (Windows 8 and later): one value per entry
constexpr const char* kStartupApprovedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
constexpr const char* kApprovedRun = "Run";
constexpr const char* kApprovedRun32 = "Run32";
constexpr const char* kApprovedStartupFolder = "StartupFolder";

// Ad blocking
constexpr const char* kAllowAdBlocking = "AllowAdBlocking";    // a policy only: 0 keeps ad blocking off
constexpr const char* kDontShowAdBlockInfoCheck = "DontShowAdBlockInfoCheck";
constexpr const char* kPreviousProxyConfigSettings = "PreviousProxyConfigSettings";    // prefix of the archive values
constexpr const char* kScriptDebuggerKey = "SOFTWARE\\Microsoft\\Internet Explorer\\AdvancedOptions\\BROWSE\\SCRIPT_DEBUGGER";
constexpr const char* kScriptDebuggerValue = "CheckedValue";
