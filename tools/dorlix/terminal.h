// The terminal side of the tool: the station's texts are GB2312 (code page
// 936) bytes; the terminal shows and types another character set (the
// locale's on POSIX, UTF-8 on Windows).
#pragma once
#include <string>
#include <vector>

namespace dorlixtool {

// The words after the program name, in the terminal's character set.
std::vector<std::string> TerminalArguments(int argc, char** argv);
// A station text as the terminal shows it. A byte that does not decode
// becomes "?", or "\xNN" with escape set, so that nothing is silently lost.
std::string ToTerminal(const std::string& gb, bool escape = false);
// How ToTerminal shows a byte that does not decode.
std::string UndecodedByte(unsigned char c, bool escape);
// A text typed in the terminal as station bytes; false when a character has
// no form in code page 936.
bool FromTerminal(const std::string& text, std::string& gb);
// Standard input and output carry bytes as they are (no line-end translation
// on Windows).
void BinaryStandardStreams();

} // namespace dorlixtool
