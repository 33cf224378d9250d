#include "app/platform/FileSystemType.h"

#include <QFile>

#include <sys/vfs.h>

#include <cstdint>

namespace {

// The file system types of statfs(2) that are served over a network, as linux/magic.h and the file systems' own
// headers number them.
struct NetworkType {
    std::uint32_t magic;
    const char* name;
};
constexpr NetworkType kNetworkTypes[] = {
    {0x6969, "NFS"},       {0x517B, "SMB/CIFS"}, {0xFF534D42, "SMB/CIFS"}, {0xFE534D42, "SMB/CIFS"},
    {0x564C, "NetWare"},   {0x73757245, "Coda"}, {0x5346414F, "AFS"},      {0x6B414653, "AFS"},
    {0x01021997, "9P"},    {0x00C36400, "Ceph"}, {0x0BD00BD0, "Lustre"},   {0x01161970, "GFS2"},
    {0x7461636F, "OCFS2"},
};

}  // namespace

QString NetworkFileSystemOf(const QString& path) {
    struct statfs info {};
    if (statfs(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    const auto magic = static_cast<std::uint32_t>(info.f_type);
    for (const NetworkType& type : kNetworkTypes) {
        if (type.magic == magic) {
            return QString::fromLatin1(type.name);
        }
    }
    return {};
}
