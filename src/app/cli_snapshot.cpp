#include <cstdio>

#include "app/cli.h"

int cli_snapshot(int, char**)
{
    std::fprintf(stderr, "quorvel: this mode is not available yet\n");
    return 2;
}
