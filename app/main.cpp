#include <cstdio>

int main()
{
    std::printf("Torvex Transfer %s\n", TORVEX_VERSION);
    return 0;
}
