#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The recordsets ADO saved, kept in tests/data/formats.
inline std::filesystem::path FormatsDir() {
    return RS5_FORMATS_DIR;
}

inline std::vector<std::filesystem::path> SampleFiles(const char* folder, const char* extension) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(FormatsDir() / folder)) {
        if (entry.path().extension() == extension) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The samples were written on a Korean Windows: their 8-bit text is in code page 949.
inline constexpr unsigned kSampleCodePage = 949;
