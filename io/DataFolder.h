#pragma once

#include <QString>

// Where a run of the program keeps its files and finds the sample history.
//
// A copy run from its build folder keeps the workspace and the settings file
// beside the executable, as long as it can write there. An installed copy
// (its executable sits in the install's program folder, with the install's
// shared data folder next to it) keeps them in the user's application-data
// folder instead, even when it could write beside the executable (a run as
// root): one user's files never land in the system's program folder.

// The installed copy's shared data folder when `programFolder` belongs to an
// install, `shareFromProgram` being that folder relative to the program
// folder (e.g. "../share/vexel"); an empty text otherwise.
QString InstalledShareFolder(const QString &programFolder, const QString &shareFromProgram);

// The folder for the workspace and the settings file: `appDataFolder` for an
// installed copy or an unwritable program folder, else the program folder.
// The chosen application-data folder is created when missing.
QString ChooseDataFolder(const QString &programFolder, const QString &installedShare,
                         const QString &appDataFolder);

// The folder the Import dialog opens in: where the sample history lies.
QString ChooseImportFolder(const QString &programFolder, const QString &installedShare);

// The above for the running executable, with this build's install layout and
// the user's application-data folder.
QString ProgramDataFolder();
QString ProgramImportFolder();

bool FolderWritable(const QString &folder);
