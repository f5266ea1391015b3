#pragma once

#include <string>

namespace render {

// Code page 932 bytes as UTF-8, for the terminal and the PNG's text; undecodable bytes as '?'.
std::string Cp932ToUtf8(const std::string& bytes);

// Text for a terminal: control characters (C0, DEL, C1) and bytes that are not UTF-8 become
// \xNN, so that a title or a file name cannot move the cursor or change the terminal's state.
std::string EscapeForTerminal(const std::string& utf8);

}  // namespace render
