#include "vantor/vantor.h"

int main(int argc, char **argv)
{
    return vantor_main(argc, argv);
}
