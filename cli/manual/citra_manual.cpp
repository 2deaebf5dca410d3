// Writes the manual page citra(1), in roff, from the help table: run by the
// build (cli/CMakeLists.txt), installed into share/man/man1/citra.1.
// Usage: citra_manual OUT.1
#include <fstream>
#include <iostream>

#include "help.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: citra_manual OUT.1\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << help::ManualPage();
    out.close();
    if (!out) {
        std::cerr << "citra_manual: cannot write '" << argv[1] << "'\n";
        return 1;
    }
    return 0;
}
