// tovi-bank entry point for POSIX systems; arguments are UTF-8 already.
#include <iostream>

#include "tools/bank/bank_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = bankcli::RunBankTool(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? code : 1;
}
