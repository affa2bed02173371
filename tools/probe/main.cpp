// zoltr-arena-probe: the arena tool's link to the game's own rules.
//   zoltr-arena-probe explore ARENA   places, falls, lifts, pads and ladders of an arena file
//   zoltr-arena-probe problems ARENA  only the faults that make an arena unfit for a match
//   zoltr-arena-probe numbers         the designer's numbers, measured on small arenas
#include "probe.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "explore") == 0)
        return exploreArena(argv[2]);
    if (argc == 3 && strcmp(argv[1], "problems") == 0)
        return reportProblems(argv[2]) < 0 ? 1 : 0;
    if (argc == 2 && strcmp(argv[1], "numbers") == 0)
        return measureGame();
    fprintf(stderr, "usage: zoltr-arena-probe explore ARENA | problems ARENA | numbers\n");
    return 2;
}
