// Byte sizes of the two logo records, generated with them from console/pictures/.
#pragma once

extern const int add_nextpics_logo_size;
extern const int del_nextpics_logo_size;
