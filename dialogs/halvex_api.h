// Visibility of Halvex's symbols: the library is built with hidden visibility, so only what is
// marked here is reachable from the main program and the tests.
#pragma once

#define QUORVEL_HALVEX_API __attribute__((visibility("default")))
