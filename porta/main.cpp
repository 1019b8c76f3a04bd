#include "porta/ui/porta.h"

int main(int argc, char **argv)
{
    return porta_main(argc, argv);
}
