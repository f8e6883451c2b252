#include <cstdio>

#include "app/cli.h"

int cli_save_binary(int, char**)
{
    std::fprintf(stderr, "quorvel: this mode is not available yet\n");
    return 2;
}
