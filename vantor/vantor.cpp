#include "vantor/vantor.h"

#include <cstdio>

int vantor_main(int, char **)
{
    printf("vantor\n");
    return 0;
}
