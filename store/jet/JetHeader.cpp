#include "store/jet/JetHeader.h"

#include <cstring>
#include <fstream>

namespace jet {
namespace {

// The first page starts with 00 01 00 00 and the engine's name.
constexpr char kJetSignature[] = "\x00\x01\x00\x00Standard Jet DB";
constexpr char kAceSignature[] = "\x00\x01\x00\x00Standard ACE DB";
constexpr std::size_t kSignatureSize = sizeof kJetSignature - 1;

}  // namespace

bool IsJetFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char start[kSignatureSize] = {};
    if (!file.read(start, kSignatureSize)) {
        return false;
    }
    return std::memcmp(start, kJetSignature, kSignatureSize) == 0 ||
           std::memcmp(start, kAceSignature, kSignatureSize) == 0;
}

}  // namespace jet
