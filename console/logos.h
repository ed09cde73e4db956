// The logo records of the two programs, generated at build time from console/pictures/.
#pragma once

extern const unsigned char add_nextpics_logo[];
extern const unsigned char del_nextpics_logo[];
