#pragma once

#include <QString>

// The kind of network file system the file `path` lies on, as the user would know it ("NFS", "SMB/CIFS", …), or an
// empty text for a local file system and when it cannot be told (the file is missing, say).
QString NetworkFileSystemOf(const QString& path);
