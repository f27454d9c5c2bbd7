#pragma once
#include <QString>

// A file's name as the user reads it. The name itself (see FsPath: bytes that
// are not UTF-8 kept as lone surrogates) stays the file's identity for opening
// and launching; this is only for showing it. Names from Windows archives are
// often Shift-JIS bytes, so a name that is not UTF-8 is read as CP932 when all
// of its bytes form CP932 characters; otherwise each stray byte shows as U+FFFD.
namespace ShownName {
QString of(const QString& name);
// True when the name holds bytes that are not UTF-8.
bool hasStrayBytes(const QString& name);
}
