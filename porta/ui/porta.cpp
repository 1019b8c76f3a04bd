#include "porta/porta.h"

#include <cstdio>

int porta_main(int, char **)
{
    printf("porta\n");
    return 0;
}
