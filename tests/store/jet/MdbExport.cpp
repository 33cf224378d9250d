#include "tests/store/jet/MdbExport.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

struct PipeCloser {
    void operator()(FILE* pipe) const { pclose(pipe); }
};

}  // namespace

std::vector<std::vector<std::string>> MdbExportRows(const std::string& file, const std::string& table) {
    const std::string command =
        "MDBICONV= mdb-export -H -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " + Quoted(file) + " " + Quoted(table);
    const std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) {
        throw std::runtime_error("cannot run mdb-export");
    }
    std::string output;
    char buffer[65536];
    while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        output.append(buffer, read);
    }

    // CSV: fields separated by commas, quoted ones with quotes doubled inside, rows ended by a line end.
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < output.size(); ++i) {
        const char c = output[i];
        if (quoted) {
            if (c == '"' && i + 1 < output.size() && output[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    return rows;
}
