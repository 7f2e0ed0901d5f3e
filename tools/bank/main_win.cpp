// tovi-bank entry point for Windows: the arguments come as UTF-16 and are
// passed on as UTF-8; standard output is binary so CSV keeps its CRLF line
// ends, and the console shows UTF-8 text.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "base/text.h"
#include "tools/bank/bank_tool.h"

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(base::Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    }
    const int code = bankcli::RunBankTool(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? code : 1;
}
