// tovi-bank: the question bank maintainer's tool. Shows a bank's facts,
// exports a table as CSV, builds a bank from CSV, searches a bank as the
// program does and scrambles or unscrambles bank files.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace bankcli {

// Runs one command line (arguments after the program name, UTF-8). Output
// goes to `out`, messages to `err`. Returns the exit code: 0 done, 1 failed,
// 2 the command line is wrong.
int RunBankTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace bankcli
