// entry.cpp: the POSIX entry point; keeps the argument vector and hands over to the program's own
// entry (process.h).
#include "platform/process.h"

#include <clocale>

void remember_arguments(int argc, char** argv);

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    remember_arguments(argc, argv);
    return program_main(nullptr, 0);
}
