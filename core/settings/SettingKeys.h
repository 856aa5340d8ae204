#pragma once

#include "core/settings/SettingKey.h"

#include <QString>

// Every value the program keeps in its settings file. A new value is one line here; it is then
// read with SettingsStore::read(Setting::Name) and written with SettingsStore::write.
namespace Setting {

// The light barrier, as the configuration dialog sets it: the index of each list.
inline const SettingKey<int> ComPort {"Configuration", "COM", 0};
inline const SettingKey<int> ContactIndex {"Configuration", "ContactIdx", 1};
inline const SettingKey<int> AlgorithmIndex {"Configuration", "AlgIdx", 0};
inline const SettingKey<bool> AutoLock {"Configuration", "AutoLock", true};
// Set by hand only. Milliseconds; a negative value counts as 0.
inline const SettingKey<int> BarrierLockoutMs {"Configuration", "BarrierLockoutMs", 2000};
inline const SettingKey<int> BarrierMinimumRunMs {"Configuration", "BarrierMinimumRunMs", 1000};

// The protocol's colours, 0xBBGGRR.
inline const SettingKey<int> DefaultColor {"Configuration", "DefaultColor", 0xFFEAEA};
inline const SettingKey<int> ActiveColor {"Configuration", "ActiveColor", 0xB9FFFF};
inline const SettingKey<int> AcceptedColor {"Configuration", "AcceptedColor", 0xE9FFD2};
inline const SettingKey<int> UndefinedColor {"Configuration", "UndefinedColor", 0xECD9FF};

// Seconds added per pylon fault (FP) and per task fault (FS).
inline const SettingKey<double> FPSeconds {"Configuration", "FPSeconds", 2};
inline const SettingKey<double> FSSeconds {"Configuration", "FSSeconds", 10};

// Set by hand only: where the class files are kept; empty for the program's own choice.
inline const SettingKey<QString> DataFolder {"Configuration", "DataFolder", QString()};
// A second copy of the class files and the journal after every save, on a stick say; empty for none.
inline const SettingKey<QString> BackupFolder {"Configuration", "BackupFolder", QString()};
// The backup folder was a mount point when it was set: without its stick nothing is copied there.
inline const SettingKey<bool> BackupMountPoint {"Configuration", "BackupMountPoint", false};
// The class in use when the program last ended, opened again at the next start.
inline const SettingKey<int> LastClass {"Configuration", "LastClass", 1};
// Set by hand only: the event's name above every results list.
inline const SettingKey<QString> EventName {"Results", "EventName", QString()};

// The race day (RaceDaySettings): the event every heading names, its date as yyyy-MM-dd (empty or
// unreadable: today), the titles of Info1..Info3, the scoring mode (0 sum of both runs, 1 best run)
// and the club ranking (the Info field holding the club, 0 for none; how many best drivers count).
inline const SettingKey<QString> EventTitle {"Event", "Name", QString()};
inline const SettingKey<QString> EventPlace {"Event", "Place", QString()};
inline const SettingKey<QString> EventDate {"Event", "Date", QString()};
SettingKey<QString> InfoName(int info);
inline const SettingKey<int> ScoringModeIndex {"Configuration", "ScoringMode", 0};
inline const SettingKey<int> ClubInfoField {"Configuration", "ClubInfoField", 0};
inline const SettingKey<int> ClubBestDrivers {"Configuration", "ClubBestDrivers", 3};

// The live results server: switched on, its port, the address to listen on (empty: every one).
inline const SettingKey<bool> LiveEnabled {"Live", "Enabled", false};
inline const SettingKey<int> LivePort {"Live", "Port", 8080};
inline const SettingKey<QString> LiveAddress {"Live", "Address", QString()};

// The marshal posts' phones: switched on, and each post's name and six-digit PIN (post 1..8).
inline const SettingKey<bool> MarshalEnabled {"Marshal", "Enabled", false};
SettingKey<QString> MarshalPostName(int post);
SettingKey<QString> MarshalPostPin(int post);

// Where the operator last left the history window, as "x,y,width,height"; empty for the program's choice.
inline const SettingKey<QString> HistoryWindowPlace {"Windows", "History", QString()};

// "Class 01" .. "Class 10" in section "Class Names"; the default is the translated "Class 01".
SettingKey<QString> ClassName(int classIndex);

} // namespace Setting
