#pragma once

#include <string>

namespace render {

// Code page 932 bytes as UTF-8, for the terminal and the PNG's text; undecodable bytes as '?'.
std::string Cp932ToUtf8(const std::string& bytes);

}  // namespace render
