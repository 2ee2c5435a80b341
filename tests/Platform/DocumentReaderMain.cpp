// The document reader alone, for tests that read documents as the companion's reader process does.
#include "Platform/DocumentReader.h"

int main(int argc, char** argv) {
    if (argc != 3 || argv[1] != tarvo::DocumentReader::argument) return 64;
    return tarvo::DocumentReader::serve(argv[2]);
}
