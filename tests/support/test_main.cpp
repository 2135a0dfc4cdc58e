// main of the test binaries: their tests, or one scenario in a child process.
#include "tests/support/scenario.h"

int main(int argc, char** argv) {
    return scenario_main_or_tests(argc, argv);
}
