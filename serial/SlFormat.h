#pragma once

// Fills the link's message formats without handing any text to printf: "%d" and "%s" take the next
// argument in turn, "%%" is a percent sign, and every other '%' stays as it is. A user's text (a device
// name) is therefore never read as a format.

#include <initializer_list>
#include <string>
#include <string_view>

std::string SlFormat(std::string_view Format, std::initializer_list<std::string_view> Arguments);
