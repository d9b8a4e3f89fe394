#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Records the arguments as the platform hands them over (on Windows they
// are not used: the parameters are cut from the command-line text).
void setCommandLine(int argc, const char* const* argv);

// Parameter `index` of the command line: 0 is the program's own file name,
// 1 on the arguments as the shell passed them (on Windows, the tokens of the
// command-line text, see commandLineToken); a missing one is empty.
std::string commandLineParam(int32_t index);

// The parameters after the program's name: on POSIX systems the arguments
// as the shell passed them, on Windows the tokens of the command-line text
// up to the first empty one (as commandLineParam gives them).
std::vector<std::string> commandLineArguments();

// Token `index` of one command-line text, cut by these rules:
// bytes 0x01 to 0x20 and pairs of double quotes separate tokens, a double
// quote opens a stretch that runs to the next one (or the end), and a token
// that begins and ends with a double quote loses those two quotes. This is
// how a platform that hands over the command line as one text is read.
std::string commandLineToken(std::string_view commandLine, int32_t index);

}  // namespace vantrel
