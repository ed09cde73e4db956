// entry.cpp: the POSIX entry point; keeps the argument vector and hands over to the program's own
// entry (process.h) once the locale and its lead bytes are in force.
#include "platform/dbcs.h"
#include "platform/process.h"

#include <clocale>

void remember_arguments(int argc, char** argv);

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    init_lead_bytes();
    remember_arguments(argc, argv);
    return program_main(nullptr, 0);
}
