#include "store/persist/FileReplace.h"

#include "store/persist/PersistError.h"

#include "text/Unicode.h"

#include <windows.h>
// windows.h names its own ReplaceFileW so; ours is persist::ReplaceFile.
#undef ReplaceFile

#include <cerrno>
#include <cstdio>

namespace persist {

namespace {

std::wstring Wide(const std::string& utf8) {
    const std::string utf16 = ConvertText([&] { return text::Utf8ToUtf16Le(utf8); });
    return std::wstring(reinterpret_cast<const wchar_t*>(utf16.data()), utf16.size() / 2);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw PersistError("cannot " + what + " '" + path + "' (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

std::FILE* OpenFileForReading(const std::string& path) {
    try {
        return _wfopen(Wide(path).c_str(), L"rb");
    } catch (const PersistError&) {
        errno = EINVAL;  // not UTF-8: no file can have that name
        return nullptr;
    }
}

void ReplaceFile(const std::string& path, std::string_view bytes) {
    const std::wstring target = Wide(path);
    // A folder or a device is never replaced, nor a file marked read-only, as a save in place would refuse it.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            throw PersistError("cannot replace '" + path + "': it is a folder");
        }
        if (attributes & FILE_ATTRIBUTE_DEVICE) {
            throw PersistError("cannot replace '" + path + "': it is not a regular file");
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            throw PersistError("cannot replace '" + path + "': the file is read-only");
        }
    }
    const std::wstring temporary = target + L".tmp-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail("create a file beside", path);
    }
    std::size_t written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 20));
        ok = WriteFile(file, bytes.data() + written, chunk, &n, nullptr) && n > 0;
        written += n;
    }
    ok = ok && FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok || !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        SetLastError(error);
        Fail(ok ? "replace" : "write", path);
    }
}

void PublishNewFile(const std::string& temporary, const std::string& path, bool* existed) {
    if (existed) {
        *existed = false;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    if (MoveFileExW(Wide(temporary).c_str(), Wide(path).c_str(), MOVEFILE_WRITE_THROUGH)) {
        return;
    }
    const DWORD error = GetLastError();
    if (existed) {
        *existed = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    }
    Fail("create", path);
}

}  // namespace persist
