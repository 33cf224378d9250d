#pragma once

#include "store/persist/AnsiCodePage.h"

#include <string>
#include <vector>

namespace rs5 {

// Removes "--codepage N" from the arguments and returns that code page, or the default (1251).
persist::AnsiCodePage TakeCodePageOption(std::vector<std::string>& arguments);

}  // namespace rs5
