#pragma once

#include <QString>

namespace sarvel {

// The program's fixed folder (formerly "C:\SARVEL") is ~/SARVEL; its contents keep their names.
QString dataDir();
// A file or folder inside the data folder, e.g. dataPath("TEMES/First.vkt").
QString dataPath(const QString& relative);
// The default kit, ~/SARVEL/TEMES/First.vkt.
QString defaultKitPath();
// The settings file "tirsen.ini" in the per-user configuration folder (~/.config/sarvel).
QString settingsPath();

// A path as stored in a kit or the settings file. One written the Windows way under
// "C:\SARVEL\" (any case, either separator) names the same file under the data folder,
// so kits made on Windows keep working: each folder and file name below it is matched as written
// when that exists, else without regard to letter case. Any other path is returned as it stands.
QString fromStoredPath(const QString& stored);

// The none-marker rule: "-", an empty value and any path naming no existing file all mean "no file".
// Takes a stored path (mapped with fromStoredPath).
bool namesExistingFile(const QString& stored);

} // namespace sarvel
