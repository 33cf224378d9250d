#pragma once

#include <QString>

#include <stdexcept>

// The user's data folder, the working directory of a program started with --data-folder (as from the desktop
// menu): $XDG_DATA_HOME/zarudedu-rs5, that is ~/.local/share/zarudedu-rs5 by default.
namespace DataFolder {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
};

inline constexpr char16_t kCannotCreate[] = u"Не удалось создать папку данных %1";
inline constexpr char16_t kCannotEnter[] = u"Не удалось перейти в папку данных %1";

// $XDG_DATA_HOME/zarudedu-rs5 when XDG_DATA_HOME is an absolute path (a relative one is ignored, as the desktop's
// base directory rules say), else $HOME/.local/share/zarudedu-rs5. On Windows the platform's local data folder.
QString DefaultPath();

// Where the file dialogs of a program in the data folder start: the user's documents folder when it exists, else the
// home folder.
QString DocumentsFolder();

// Makes `folder` the working directory. On the first start, when the folder is missing or holds nothing (a
// temporary file of an interrupted first start aside), it is created (owner-only permissions, as are missing
// parents) with an empty working database "sys.mdb" in it, the part an installer plays beside the program.
// Otherwise nothing in it is touched: a folder that holds other files but no "sys.mdb" behaves as any folder
// without one. Raises Error, or the store's TableError when the database cannot be made, with the working
// directory unchanged.
void Enter(const QString& folder);

}  // namespace DataFolder
