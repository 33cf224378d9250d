// Port names on POSIX systems: the ports folder, the COMn convention and the list of ports present.

#include "serial/platform/PosixPortNames.h"
#include "serial/platform/SlPlatform.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace SlPlatform {

namespace {

// The n of "COMn", or 0 when Name is not such a name.
int ComNumber(const std::string& Name) {
    if (Name.size() < 4 || Name.size() > 12) {
        return 0;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(Name[i])) != "COM"[i]) {
            return 0;
        }
    }
    long number = 0;
    for (std::size_t i = 3; i < Name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(Name[i]))) {
            return 0;
        }
        number = number * 10 + (Name[i] - '0');
    }
    return number >= 1 && number <= 0xFFFFFF ? int(number) : 0;
}

// "ttyUSB10" after "ttyUSB9": names compare by their text, then by their trailing number.
bool NaturalLess(const std::string& Left, const std::string& Right) {
    const auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) {
            --digits;
        }
        const long number = digits < name.size() ? std::strtol(name.c_str() + digits, nullptr, 10) : -1;
        return std::make_pair(name.substr(0, digits), number);
    };
    return split(Left) < split(Right);
}

// A ttyS port exists in hardware when a driver serves it and the driver found a UART there.
bool HasDevice(const std::string& TtyName) {
    std::error_code error;
    const fs::path sys = fs::path("/sys/class/tty") / TtyName;
    if (!fs::exists(sys / "device" / "driver", error)) {
        return false;
    }
    std::ifstream type(sys / "type");
    int uartType = -1;
    return !(type >> uartType) || uartType != 0;
}

}  // namespace

namespace Posix {

std::string PortsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home ? home : "") / ".config";
    }
    return (base / "zarudedu-rs5" / "ports").string();
}

std::string DevicePath(const std::string& Name) {
    const int number = ComNumber(Name);
    if (number == 0) {
        return Name;
    }
    const fs::path link = fs::path(PortsFolder()) / ("com" + std::to_string(number));
    std::error_code error;
    if (fs::is_symlink(link, error)) {
        return link.string();
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace Posix

std::vector<std::string> ListPortNames() {
    std::vector<std::string> folderNames;
    std::error_code error;
    for (fs::directory_iterator it(Posix::PortsFolder(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (ComNumber(name) != 0 && it->is_symlink(error)) {
            std::string upper = name;
            std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
            folderNames.push_back(upper);
        }
    }
    std::sort(folderNames.begin(), folderNames.end(), NaturalLess);

    std::vector<std::string> devices;
    error.clear();
    for (fs::directory_iterator it("/dev", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const bool usb = name.starts_with("ttyUSB") || name.starts_with("ttyACM");
        if (name.size() > 4 && (usb || (name.starts_with("ttyS") && HasDevice(name)))) {
            devices.push_back(name);
        }
    }
    std::sort(devices.begin(), devices.end(), NaturalLess);

    std::vector<std::string> names = folderNames;
    for (const std::string& device : devices) {
        names.push_back("/dev/" + device);
    }
    return names;
}

}  // namespace SlPlatform
