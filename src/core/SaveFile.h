#pragma once
#include <QByteArray>
#include <QString>

// How long a replaced file is made to last. Synced waits until the data and
// the rename are on the disk, as every settings file needs; Unsynced takes the
// same steps and leaves the disk to the system, for scratch files that are
// read back at once and thrown away (the settings fuzz target's).
enum class Durability : bool { Synced, Unsynced };

// Replaces a file atomically with the given bytes; throws VarError::cannotCreate.
// The bytes go first to a temporary file beside it (see SaveTemp), which is
// locked for as long as the save writes it.
void saveFileAtomically(const QString& path, const QByteArray& bytes, Durability durability = Durability::Synced);

// The temporary files of saves. Their name is one no person would choose:
// hidden, the name of the file being replaced, and a mark of this program with
// six letters or digits (".appcfgs.cfg.vardolin-tmp-Ab12Cd"), made so that it
// never takes over an existing file. A save holds an exclusive lock (flock) on
// its file until the file is renamed into place or removed.
namespace SaveTemp {
// Whether `fileName` (a bare name) is such a temporary file of a save of `name`.
bool isTempOf(const QString& fileName, const QString& name);
// Removes the file at `path` if it is a regular file of this user that no save
// holds, i.e. one whose lock it can take; anything else stays. The name is
// the caller's to judge. True when the file was removed.
bool removeIfAbandoned(const QByteArray& path);
}
