#pragma once

#include <QSettings>
#include <QString>

// The per-user profile, one file in the program's own configuration folder:
// "<config>/aurivue/<key>.conf", where <config> is the user's configuration folder
// ($XDG_CONFIG_HOME or ~/.config, as Qt resolves it) and <key> the profile key name given as the
// application's organisation name ("Aurivue 2.0"). Use it wherever the profile is read or written.
class UserProfile : public QSettings {
 public:
  UserProfile();
};

// The file UserProfile reads and writes.
QString UserProfilePath();

// Earlier versions kept the profile in a folder of its own named after the key, "<config>/<key>/
// <application name>.conf". Moves that file to UserProfilePath() once, when no profile is there
// yet, and removes the old folder when it is left empty. True when a profile was moved.
bool AdoptEarlierProfile();
