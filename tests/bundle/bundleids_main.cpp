// Prints the module's ids as a separate process sees them, for the test that compares them
// across processes.

#include "bundleids.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        bundletest::Bundle bundle(argc > 1 ? argv[1] : TIVRANDEL_BUNDLE_FILE);
        if (!bundle.loaded()) {
            std::fprintf(stderr, "%s\n", bundle.error().c_str());
            return 1;
        }
        bundle.moduleEntry();
        const std::string text = bundletest::idsText(bundle);
        bundle.moduleExit();
        std::fputs(text.c_str(), stdout);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
